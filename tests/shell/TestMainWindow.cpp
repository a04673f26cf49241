#include "NUVQORASubWindow.h"
#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"
#include "SimulatedHidBackend.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QDir::setCurrent(m_workDir.path()); // where the window keeps "settings.ini"
        HidBackend::setCurrent(&m_backend);
    }
    void cleanupTestCase() { HidBackend::setCurrent(nullptr); }

    void opensTheDeviceWindowOnceWithoutAFlight()
    {
        NUVStudio window(QString{});
        QMdiArea *area = window.ui.mdiArea;
        QCOMPARE(area->subWindowList().size(), 1);
        NUVQORAWidget *panel = window.devicePanel();
        QVERIFY(panel);
        QCOMPARE(area->activeSubWindow()->widget(), panel);
        QVERIFY(area->activeSubWindow()->isMaximized());
        QCOMPARE(window.ui.statusBar->currentMessage(), QStringLiteral("Interface loaded."));

        window.ui.actionNUV_QORA_Interface->trigger();
        QCOMPARE(area->subWindowList().size(), 1);
        QCOMPARE(window.devicePanel(), panel);

        delete area->activeSubWindow();
        QVERIFY(!window.devicePanel());
        window.ui.actionNUV_QORA_Interface->trigger();
        QCOMPARE(area->subWindowList().size(), 1);
        QVERIFY(window.devicePanel());
    }

    void aFlightThatFailsToLoadShowsItsPathAndOpensNothing()
    {
        ScriptedDialogs dialogs;
        const QString path = m_workDir.filePath(QStringLiteral("missing.qora"));
        NUVStudio window(path);
        QVERIFY(window.ui.mdiArea->subWindowList().isEmpty());
        const QList<ScriptedDialogs::Request> requests = dialogs.takeRequests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].message.icon, QMessageBox::Critical);
        QCOMPARE(requests[0].message.title, QStringLiteral("Could not open flight"));
        QCOMPARE(requests[0].message.text, path);
        QVERIFY(!window.ui.menuFlight->isEnabled());
        QVERIFY(!window.ui.actionSave->isEnabled());
    }

private:
    QTemporaryDir m_workDir;
    SimulatedHidBackend m_backend;
};

NUV_SHELL_TEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
