#include "ConsoleSink.h"
#include "NUVStudio.h"
#include "NUVTAVOWidget.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"
#include "Voice.h"
#include "WebServer.h"

#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <sstream>

namespace {

QImage picture(const char *path)
{
    return QPixmap(QString::fromLatin1(path)).toImage();
}

QImage shown(const QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage();
}

// A menu's entries by text, a separator as "-".
QStringList entries(const QWidget *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

// NUV TAVO's main window on the simulated ground station: its form, its menus, the hosted live
// window, and device arrivals and removals reaching the live window's radio link.
class TestTavoMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QDir::setCurrent(m_workDir.path()); // where the window keeps "tavo_settings.ini"
        HidBackend::setCurrent(&m_backend);
        ConsoleSink::setStream(&m_consoleLines);
        Voice::setFactory([] { return std::unique_ptr<Voice>(); }); // the live window stays mute
        httpServerConfigFile = QStringLiteral(NUV_TAVO_SERVER_SETTINGS);
        webServer.reset(makeWebServer(qApp));
        m_connected = picture(":/NUVStudio/Resources/Connected.png");
        m_disconnected = picture(":/NUVStudio/Resources/Disconnected.png");
        QVERIFY(!m_connected.isNull() && !m_disconnected.isNull() && m_connected != m_disconnected);
    }

    void cleanup() { m_station.unplug(); }

    void cleanupTestCase()
    {
        webServer.reset();
        ConsoleSink::setStream(nullptr);
        HidBackend::setCurrent(nullptr);
        Voice::setFactory(nullptr);
    }

    void formTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");

        QTest::newRow("caption") << "label_6" << "MSL Altitude:";
        for (const char *name : {"liveMSLAltitudeLabel", "liveAccelerationLabel", "livePressureLabel",
                                 "liveTemperatureLabel", "liveCompBatVoltageLabel", "liveEjectBatVoltageLabel"})
            QTest::newRow(name) << name << "-";
        for (const char *name : {"frequencyLabel", "frequencyErrorLabel", "frequencyOffsetLabel", "dataRateLabel"})
            QTest::newRow(name) << name << "0";
        QTest::newRow("offset caption") << "label_12" << "Applied frequency offset";
        QTest::newRow("packet indicator") << "packetIndicatorLabel" << "Recent packet";
        QTest::newRow("line D") << "liveLineDLabel" << "D";
        QTest::newRow("rocket state") << "liveRocketStateLabel" << "Pad";
    }

    void formTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        NUVStudio window;
        // The live window has labels of the same names.
        const auto *label = window.ui.consoleDock->findChild<QLabel *>(name);
        QVERIFY2(label, qPrintable(name));
        QCOMPARE(label->text(), text);
        if (name.startsWith(QLatin1String("live")) && text == QLatin1String("-"))
            QCOMPARE(label->styleSheet(), QStringLiteral("color: red;"));
    }

    void windowAndMenus()
    {
        NUVStudio window;
        QCOMPARE(window.windowTitle(), QStringLiteral("NUV TAVO"));
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(window.isMaximized());
        QCOMPARE(entries(window.menuBar()), (QStringList{"File", "Tools", "Help"}));
        QCOMPARE(entries(window.ui.menuFile), (QStringList{"Save", "Save As...", "-", "Exit"}));
        QCOMPARE(entries(window.ui.menuTools), (QStringList{"Clear and Zero", "-", "Settings..."}));
        QCOMPARE(entries(window.ui.menuHelp), (QStringList{"About..."}));
        QVERIFY(window.ui.actionSave->shortcut().isEmpty());
        QCOMPARE(window.ui.console->toPlainText(), QStringLiteral("- NUV TAVO console -\n"));
        QVERIFY(window.ui.console->isReadOnly());
        QCOMPARE(window.dockWidgetArea(window.ui.consoleDock), Qt::LeftDockWidgetArea);
        QCOMPARE(shown(window.ui.firmConnImg_CtrlPanel), m_disconnected);

        window.ui.actionExit->trigger();
        QVERIFY(!window.isVisible());
    }

    void hostsOneLiveWindow()
    {
        NUVStudio window;
        NUVTAVOWidget *live = window.liveWindow();
        QVERIFY(live);
        QVERIFY(live->radioLink());
        QCOMPARE(window.ui.verticalLayout_2->indexOf(live), 0);
        QCOMPARE(window.ui.statusBar->currentMessage(), QStringLiteral("Interface loaded."));

        window.openNUVTAVOInterface();
        QCOMPARE(window.liveWindow(), live);
        QCOMPARE(window.ui.verticalLayout_2->count(), 1);
        // The status bar's message lasts two seconds.
        QTRY_COMPARE_WITH_TIMEOUT(window.ui.statusBar->currentMessage(), QString(), 5000);
    }

    void aboutAndSettings()
    {
        ScriptedDialogs dialogs;
        NUVStudio window;
        window.ui.actionAbout->trigger();
        window.ui.actionSettings->trigger();
        const QList<ScriptedDialogs::Request> requests = dialogs.takeRequests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0].kind, ScriptedDialogs::Request::About);
        QCOMPARE(requests[0].message.title, QStringLiteral("About"));
        QVERIFY(requests[0].message.text.startsWith(
            QStringLiteral("Velmarin Electronics\n\nNUV TAVO software version 2.13\n\nhttps://")));
        QCOMPARE(requests[1].kind, ScriptedDialogs::Request::Dialog);
        QCOMPARE(requests[1].dialogName, QStringLiteral("ApplicationSettingsWidgetClass"));
    }

    void connectsAtStartToAStationAlreadyPresent()
    {
        m_station.plugFirmware();
        NUVStudio window;
        QTRY_COMPARE(shown(window.ui.firmConnImg_CtrlPanel), m_connected);
        QTRY_VERIFY(window.ui.console->toPlainText().contains(QStringLiteral("is now connected.")));
    }

    void deviceChangesReachTheRadioLink()
    {
        NUVStudio window;
        const QLabel *image = window.ui.firmConnImg_CtrlPanel;
        QPlainTextEdit *console = window.ui.console;

        // The bootloader is started into the firmware, which arrives as a device of its own.
        m_station.plugBootloader();
        QTRY_COMPARE(m_station.mode(), SimulatedGroundStation::Mode::Firmware);
        QTRY_COMPARE(shown(image), m_connected);
        // Queued lines may trail the picture, which the GUI thread's own connection sets at once.
        QTRY_VERIFY(console->toPlainText().contains(QStringLiteral("Connected to NUV TAVO bootloader.")));
        QTRY_VERIFY(console->toPlainText().contains(QStringLiteral("is now connected.")));

        m_station.unplug();
        QTRY_COMPARE(shown(image), m_disconnected);
        QTRY_VERIFY(console->toPlainText().endsWith(QStringLiteral("Firmware disconnected.")));

        m_station.plugFirmware();
        QTRY_COMPARE(shown(image), m_connected);
    }

private:
    QTemporaryDir m_workDir;
    std::ostringstream m_consoleLines;
    SimulatedHidBackend m_backend;
    SimulatedGroundStation m_station{m_backend};
    QImage m_connected, m_disconnected;
};

NUV_SHELL_TEST_MAIN(TestTavoMainWindow)
#include "TestTavoMainWindow.moc"
