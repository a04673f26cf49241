#include "ConsoleSink.h"
#include "DeviceNotifier.h"
#include "NUVQORAFlightWidget.h"
#include "NUVQORAInterface.h"
#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "SampleFlightFile.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sstream>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QDir::setCurrent(m_workDir.path()); // where the window keeps "settings.ini"
        HidBackend::setCurrent(&m_backend);
        ConsoleSink::setStream(&m_console);
        m_flightPath = m_workDir.filePath(QStringLiteral("sample.qora"));
        QVERIFY(writeSampleFlightFile(m_flightPath));
    }

    void cleanupTestCase()
    {
        HidBackend::setCurrent(nullptr);
        ConsoleSink::setStream(nullptr);
    }

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

        area->activeSubWindow()->close();
        QTRY_VERIFY(!window.devicePanel());
        window.ui.actionNUV_QORA_Interface->trigger();
        QCOMPARE(area->subWindowList().size(), 1);
        QVERIFY(window.devicePanel());
    }

    void opensTheFlightNamedAtStart()
    {
        NUVStudio window(m_flightPath);
        QCOMPARE(window.ui.mdiArea->subWindowList().size(), 1);
        QVERIFY(!window.devicePanel());
        const QWidget *flightWindow = window.ui.mdiArea->subWindowList().first()->widget();
        QCOMPARE(flightWindow->windowTitle(), QStringLiteral("sample.qora[*]"));
        QCOMPARE(flightWindow->windowFilePath(), m_flightPath);
        QVERIFY(!flightWindow->isWindowModified());
        QCOMPARE(window.ui.statusBar->currentMessage(), QStringLiteral("Flight loaded"));
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
        QVERIFY(!window.ui.actionSave_As->isEnabled());
    }

    // Open activates a file already open; once its window is closed, it opens anew.
    void openingAnOpenFileActivatesIt()
    {
        ScriptedDialogs dialogs;
        NUVStudio window(m_flightPath);
        QMdiArea *area = window.ui.mdiArea;
        window.openNUVQORAInterface();
        QCOMPARE(area->activeSubWindow()->widget(), window.devicePanel());

        dialogs.chooseFile(m_flightPath);
        window.ui.actionOpen->trigger();
        QCOMPARE(area->subWindowList().size(), 2);
        QCOMPARE(area->activeSubWindow()->widget()->windowFilePath(), m_flightPath);
        const ScriptedDialogs::Request request = dialogs.takeRequests().value(0);
        QCOMPARE(request.kind, ScriptedDialogs::Request::OpenFile);
        QCOMPARE(request.caption, QStringLiteral("Open NUV QORA flight"));
        QCOMPARE(request.filter, QStringLiteral("NUV QORA flights (*.qora)"));

        area->activeSubWindow()->close();
        QCOMPARE(area->subWindowList().size(), 1);
        dialogs.chooseFile(m_flightPath);
        window.ui.actionOpen->trigger();
        QCOMPARE(area->subWindowList().size(), 2);

        window.ui.actionOpen->trigger(); // cancelled
        QCOMPARE(area->subWindowList().size(), 2);
    }

    void aDownloadedFlightAddedTwiceOpensTwoModifiedWindows()
    {
        NUVStudio window(m_flightPath);
        window.addFlight(downloadedSampleFlight(), QStringLiteral("Flight 1"));
        window.addFlight(downloadedSampleFlight(), QStringLiteral("Flight 1"));
        const QList<QMdiSubWindow *> windows = window.ui.mdiArea->subWindowList();
        QCOMPARE(windows.size(), 3);
        for (const QMdiSubWindow *added : {windows[1], windows[2]}) {
            QCOMPARE(added->widget()->windowTitle(), QStringLiteral("Flight 1[*]"));
            QVERIFY(added->widget()->windowFilePath().isEmpty());
            QVERIFY(added->widget()->isWindowModified());
        }
        QVERIFY(window.ui.actionSave->isEnabled());
    }

    void flightActionsFollowTheActiveWindow_data()
    {
        QTest::addColumn<QString>("active");
        QTest::addColumn<bool>("flightActions");
        QTest::addColumn<bool>("save");

        QTest::newRow("no window") << "none" << false << false;
        QTest::newRow("device window") << "device" << false << false;
        QTest::newRow("saved flight") << "file" << true << false;
        QTest::newRow("modified flight") << "download" << true << true;
    }

    void flightActionsFollowTheActiveWindow()
    {
        QFETCH(QString, active);
        QFETCH(bool, flightActions);
        QFETCH(bool, save);

        NUVStudio window(m_flightPath);
        QMdiArea *area = window.ui.mdiArea;
        area->closeAllSubWindows();
        if (active == "device")
            window.openNUVQORAInterface();
        else if (active == "file")
            window.loadFlight(m_flightPath);
        else if (active == "download")
            window.addFlight(downloadedSampleFlight(), QStringLiteral("Flight 1"));
        QCoreApplication::processEvents();

        const Ui::NUVStudioClass &ui = window.ui;
        QCOMPARE(ui.menuFlight->isEnabled(), flightActions);
        for (const QAction *action : {ui.actionSave_As, ui.actionExport_to_Excel, ui.actionExport_emulation_data,
                                      ui.actionExport_thrust_data})
            QCOMPARE(action->isEnabled(), flightActions);
        QCOMPARE(ui.actionSave->isEnabled(), save);
        for (const QAction *action : {ui.actionOpen, ui.actionExit, ui.actionNUV_QORA_Interface, ui.actionSettings,
                                      ui.actionAbout})
            QVERIFY(action->isEnabled());
    }

    // Quitting asks each modified flight's own question; Cancel keeps the program open.
    void quittingClosesFlightWindowsThroughTheirQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false;
        QTest::newRow("do not save") << int(QMessageBox::No) << true;
    }

    void quittingClosesFlightWindowsThroughTheirQuestion()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        ScriptedDialogs dialogs;
        NUVStudio window(m_flightPath);
        window.addFlight(downloadedSampleFlight(), QStringLiteral("Flight 1"));
        dialogs.pressButton(static_cast<QMessageBox::StandardButton>(answer));
        QCOMPARE(window.close(), closes);
        const QList<ScriptedDialogs::Request> requests = dialogs.takeRequests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].message.text, QStringLiteral("Flight not saved"));
        QCOMPARE(window.ui.mdiArea->subWindowList().isEmpty(), closes);
    }

    void aboutNamesTheVersion()
    {
        ScriptedDialogs dialogs;
        NUVStudio window(m_flightPath);
        window.ui.actionAbout->trigger();
        const ScriptedDialogs::Request about = dialogs.takeRequests().value(0);
        QCOMPARE(about.kind, ScriptedDialogs::Request::About);
        QCOMPARE(about.message.title, QStringLiteral("About"));
        QVERIFY(about.message.text.startsWith(QStringLiteral("Velmarin Electronics\n\nNUV QORA software version 2.13\n\n")));
    }

    // Device arrivals and removals reach the device window's interface, and only while it is open.
    void deviceChangesReachTheInterface()
    {
        SimulatedFlightComputer computer(m_backend);
        NUVStudio window(QString{});
        NUVQORAInterface *link = window.devicePanel()->deviceInterface();
        QSignalSpy initialized(link, &NUVQORAInterface::firmwareInitialized);
        QSignalSpy disconnected(link, &NUVQORAInterface::firmwareDisconnected);

        computer.plugBootloader(); // the firmware starts and arrives in its turn
        QTRY_COMPARE_WITH_TIMEOUT(initialized.count(), 1, 10000);
        QTRY_COMPARE(computer.mode(), SimulatedFlightComputer::Mode::Firmware);

        disconnected.clear();
        computer.unplug();
        QTRY_VERIFY(disconnected.count() >= 1);
        QTRY_VERIFY(window.ui.console->toPlainText().contains(QStringLiteral("Firmware disconnected.")));

        window.ui.mdiArea->closeAllSubWindows();
        QTRY_VERIFY(!window.devicePanel());
        m_backend.clearTransfers();
        computer.plugBootloader();
        QTest::qWait(200);
        QVERIFY(m_backend.transfers().empty());
        computer.unplug();
    }

private:
    QTemporaryDir m_workDir;
    SimulatedHidBackend m_backend;
    std::ostringstream m_console;
    QString m_flightPath;
};

NUV_SHELL_TEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
