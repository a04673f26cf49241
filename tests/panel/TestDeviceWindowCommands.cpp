// The device window's connection state and commands, end to end on the simulated flight computer.
#include "DeviceNotifier.h"
#include "DeviceWindowFixture.h"
#include "ShellTestMain.h"

#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>

#include <atomic>
#include <future>
#include <mutex>

namespace {

const QString outdatedText = QStringLiteral(
    "Your firmware is outdated! It is important for device reliability to always have the latest firmware.");

bool firmwareOpen(DeviceWindowFixture &f)
{
    NUVQORAInterface *link = f.panel->deviceInterface();
    const std::lock_guard<std::recursive_mutex> lock(link->deviceMutex());
    return link->isOpen();
}

bool showsImage(const QLabel *label, const QString &resource)
{
    const QImage shown = label->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
    return !shown.isNull() && shown == QImage(resource).convertToFormat(QImage::Format_ARGB32);
}

// A GPS solution record at 100 m with 10 satellites, with or without a valid fix.
std::vector<uint8_t> gpsRecord(bool fixValid)
{
    return {14, 0x1D, 0xCD, 0x65, 0x00, 0xF8, 0x5A, 0x7F, 0x40, 0x00, 0x01, 0x86, 0xA0,
            uint8_t(fixValid ? 0x2A : 0x0A)};
}

// Notes, for each question asked, whether another thread could take the device's mutex while
// the question was open.
class DeviceFreeWhileAsked : public ScriptedDialogs
{
public:
    explicit DeviceFreeWhileAsked(NUVQORAInterface *link)
        : m_link(link)
    {
    }

    QMessageBox::StandardButton message(const Message &message) override
    {
        // A recursive mutex: only another thread can tell whether the GUI thread holds it.
        deviceFree << std::async(std::launch::async, [this] {
                          std::unique_lock<std::recursive_mutex> lock(m_link->deviceMutex(), std::try_to_lock);
                          return lock.owns_lock();
                      }).get();
        return ScriptedDialogs::message(message);
    }

    QList<bool> deviceFree;

private:
    NUVQORAInterface *m_link;
};

// Emulation data of `rows` rows 10 ms apart: in real time, rows / 100 seconds.
bool writeEmulationData(const QString &path, int rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("header\n");
    for (int i = 0; i < rows; ++i)
        file.write(QByteArray::number(i * 0.01, 'f', 2) + ",0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n");
    return true;
}

QList<QString> messageTexts(const QList<ScriptedDialogs::Request> &requests)
{
    QList<QString> texts;
    for (const ScriptedDialogs::Request &request : requests)
        texts << request.message.text;
    return texts;
}

} // namespace

class TestDeviceWindowCommands : public QObject
{
    Q_OBJECT

private slots:
    void controlsFollowTheConnection()
    {
        DeviceWindowFixture f;
        f.open();
        QLabel *image = f.window->ui.firmConnImg_CtrlPanel;
        QTRY_VERIFY(!f.controlsEnabled());
        QVERIFY(showsImage(image, QStringLiteral(":/NUVStudio/Resources/Disconnected.png")));

        QVERIFY(f.connectFirmware());
        QVERIFY(f.consoleText().contains(
            QStringLiteral("Firmware initialized.\nNUV QORA (firmware version: 2.13) is now connected.")));
        QVERIFY(showsImage(image, QStringLiteral(":/NUVStudio/Resources/Connected.png")));
        for (const char *name : {"writeSettings", "resetSettings", "calibrationFrame", "downloadFlights", "clearDevice",
                                 "gpsControlFrame", "lineControlFrame", "loadSelectedFlight", "emulateLaunch"})
            QVERIFY2(f.child(name)->isEnabled(), name);
        QVERIFY(!f.child("stopEmulation")->isEnabled());

        f.computer.unplug();
        QTRY_VERIFY(!f.controlsEnabled());
        QTRY_VERIFY(f.consoleText().endsWith(QStringLiteral("Firmware disconnected.")));
        QVERIFY(showsImage(image, QStringLiteral(":/NUVStudio/Resources/Disconnected.png")));
        QVERIFY(!f.child("emulateLaunch")->isEnabled());
    }

    void switchingTabsConnectsOnlyWhileTheFirmwareIsClosed()
    {
        DeviceWindowFixture f;
        f.backend.setNoticeListener([](bool, const std::string &) {}); // the plug-in goes unnoticed
        f.open();
        QTRY_VERIFY(!f.controlsEnabled());
        f.computer.plugFirmware();
        auto *tabs = f.child<QTabWidget>("mainTabs");
        tabs->setCurrentIndex(1);
        QTRY_COMPARE(f.consoleText().count(QStringLiteral("Firmware initialized.")), 1);
        QTRY_VERIFY(f.controlsEnabled()); // once the settings that follow are read

        tabs->setCurrentIndex(2);
        tabs->setCurrentIndex(0);
        QTest::qWait(100);
        QCOMPARE(f.consoleText().count(QStringLiteral("Firmware initialized.")), 1);
    }

    void fireButtonsFireTheirLine_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("line");
        QTest::newRow("A") << "fireLineA" << 0;
        QTest::newRow("B") << "fireLineB" << 1;
        QTest::newRow("C") << "fireLineC" << 2;
        QTest::newRow("D") << "fireLineD" << 3;
    }

    void fireButtonsFireTheirLine()
    {
        QFETCH(QString, button);
        QFETCH(int, line);
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        f.click(button.toLatin1());
        QTRY_COMPARE(f.computer.firedLines(), std::vector<int>{line});
        QTRY_VERIFY(f.controlsEnabled());
    }

    void almanacButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("console");
        QTest::newRow("view") << "viewStoredAlmanacs" << "Stored SV almanacs:";
        QTest::newRow("store") << "storeAlmanacs" << "Storing almanacs (this could take up to a minute)...\nSuccess.";
        QTest::newRow("upload") << "uploadAlmanacs" << "Almanacs uploaded: ";
        QTest::newRow("clear") << "clearSVData" << "Clearing space vehicle data...\nSuccess.";
    }

    void almanacButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, console);
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        f.markConsole();
        f.click(button.toLatin1());
        QTRY_VERIFY(f.consoleSinceMark().contains(console));
        QTRY_VERIFY(f.controlsEnabled());
    }

    void pressureCalibrationWritesTheOffset()
    {
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        f.child<QDoubleSpinBox>("calibrationAltitude")->setValue(1.0); // the device reads 101325 Pa
        f.markConsole();
        f.click("calibratePressure");
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Calibrated pressure. Writing settings...")));
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Reading settings... ")));
        NUVQORASettings stored;
        stored.image = f.computer.settingsImage();
        QCOMPARE(int(stored.pressureOffset()), -12);
    }

    void groundAltitudeFromTheGps_data()
    {
        QTest::addColumn<bool>("fixValid");
        QTest::addColumn<int>("answer");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<bool>("asked");
        QTest::newRow("valid fix") << true << int(QMessageBox::No) << 100.0 << false;
        QTest::newRow("poor fix, used") << false << int(QMessageBox::Yes) << 100.0 << true;
        QTest::newRow("poor fix, declined") << false << int(QMessageBox::No) << 12.5 << true;
    }

    void groundAltitudeFromTheGps()
    {
        QFETCH(bool, fixValid);
        QFETCH(int, answer);
        QFETCH(double, altitude);
        QFETCH(bool, asked);
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        auto *spin = f.child<QDoubleSpinBox>("calibrationAltitude");
        spin->setValue(12.5);
        f.computer.setLiveRecord(14, gpsRecord(fixValid));
        f.dialogs.takeRequests();
        f.dialogs.pressButton(QMessageBox::StandardButton(answer));
        f.click("calibrateAltitudefromGPS");
        QCOMPARE(spin->value(), altitude);
        const QList<ScriptedDialogs::Request> requests = f.dialogs.takeRequests();
        QCOMPARE(requests.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(requests[0].message.text,
                     QStringLiteral("The GPS fix is not within the recommended accuracy range: 100 m"));
            QCOMPARE(requests[0].message.defaultButton, QMessageBox::No);
        }
    }

    // The question about a poor fix waits for the user; the device stays free meanwhile.
    void theDeviceIsFreeWhileTheGpsQuestionIsOpen()
    {
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        f.computer.setLiveRecord(14, gpsRecord(false));
        DeviceFreeWhileAsked dialogs(f.panel->deviceInterface());
        f.click("calibrateAltitudefromGPS");
        QCOMPARE(dialogs.deviceFree, QList<bool>{true});
    }

    void settingsAreReadWrittenAndReset()
    {
        DeviceWindowFixture f;
        NUVQORASettings onDevice;
        onDevice.image = f.computer.settingsImage();
        onDevice.setCallsign(QStringLiteral("AB1CD"));
        f.computer.setSettingsImage(onDevice.image);
        f.open();
        QVERIFY(f.connectFirmware()); // reads the settings once connected
        auto *callsign = f.child<QLineEdit>("HAMCallsign");
        QCOMPARE(callsign->text(), QStringLiteral("AB1CD"));

        callsign->clear();
        QTest::keyClicks(callsign, QStringLiteral("XY9ZZ"));
        f.markConsole();
        f.click("writeSettings");
        QTRY_COMPARE(f.consoleSinceMark().count(QStringLiteral("Success.")), 2); // written, then read back
        NUVQORASettings written;
        written.image = f.computer.settingsImage();
        QCOMPARE(written.callsign(), QStringLiteral("XY9ZZ"));

        f.markConsole();
        f.click("resetSettings");
        QTRY_COMPARE(f.consoleSinceMark().count(QStringLiteral("Success.")), 2);
        QCOMPARE(f.computer.settingsImage(), SimulatedFlightComputer::defaultSettingsImage());
        NUVQORASettings defaults;
        defaults.image = SimulatedFlightComputer::defaultSettingsImage();
        QCOMPARE(callsign->text(), defaults.callsign());
    }

    void emulation_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sameFile");
        QTest::addColumn<bool>("runs");
        QTest::newRow("accelerated") << int(QMessageBox::No) << false << true;
        QTest::newRow("cancelled") << int(QMessageBox::Cancel) << false << false;
        QTest::newRow("results over the data") << int(QMessageBox::No) << true << false;
    }

    void emulation()
    {
        QFETCH(int, answer);
        QFETCH(bool, sameFile);
        QFETCH(bool, runs);
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        const QString source = f.workDir.filePath(QStringLiteral("flight.csv"));
        const QString results = sameFile ? source : f.workDir.filePath(QStringLiteral("results.csv"));
        QByteArray data = "Time[s],Pressure altitude [m],GPS altitude [m],GPS Valid,Acceleration x [m/s^2], "
                          "Acceleration y [m/s^2], Acceleration z [m/s^2], Gyro x [deg/s], Gyro y [deg/s], "
                          "Gyro z [deg/s]\n";
        for (int i = 0; i < 50; ++i)
            data += QByteArray::number(i * 0.01, 'f', 2) + ",0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n";
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.close();

        f.dialogs.chooseFile(source);
        f.dialogs.chooseFile(results);
        f.dialogs.pressButton(QMessageBox::StandardButton(answer));
        f.markConsole();
        f.click("emulateLaunch");
        if (runs) {
            QVERIFY(f.child("stopEmulation")->isEnabled());
            QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Emulation complete!")));
            QTRY_VERIFY(!f.child("stopEmulation")->isEnabled());
            QCOMPARE(int(f.computer.emulationSteps().size()), 50);
            QFile written(results);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll().count('\n'), 51);
            return;
        }
        QTest::qWait(100);
        QVERIFY(!f.child("stopEmulation")->isEnabled());
        QVERIFY(f.computer.emulationSteps().empty());
        QFile kept(source);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), data);
        if (sameFile) {
            const ScriptedDialogs::Request last = f.dialogs.takeRequests().last();
            QCOMPARE(last.message.icon, QMessageBox::Critical);
            QCOMPARE(last.message.title, QStringLiteral("The source and destination files must not be the same."));
        }
    }

    void stoppingAnEmulation()
    {
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        const QString source = f.workDir.filePath(QStringLiteral("long.csv"));
        QVERIFY(writeEmulationData(source, 100000));
        f.dialogs.chooseFile(source);
        f.dialogs.chooseFile(f.workDir.filePath(QStringLiteral("results.csv")));
        f.dialogs.pressButton(QMessageBox::Yes); // in real time: about 17 minutes
        f.markConsole();
        f.click("emulateLaunch");
        QTRY_VERIFY(!f.computer.emulationSteps().empty());
        f.click("stopEmulation");
        QVERIFY(!f.child("stopEmulation")->isEnabled());
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Emulation stoped prematurely!")));
        QTRY_VERIFY(f.controlsEnabled());
    }

    // Any USB device that comes or goes while the emulation holds the flight computer: the
    // window keeps answering, and "Stop emulation" still ends the emulation.
    void otherDevicesComingAndGoingDuringAnEmulation()
    {
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        const QString source = f.workDir.filePath(QStringLiteral("ten seconds.csv"));
        QVERIFY(writeEmulationData(source, 1000));
        f.dialogs.chooseFile(source);
        f.dialogs.chooseFile(f.workDir.filePath(QStringLiteral("results.csv")));
        f.dialogs.pressButton(QMessageBox::Yes); // in real time
        f.markConsole();
        f.click("emulateLaunch");
        QTRY_VERIFY(!f.computer.emulationSteps().empty());

        for (int i = 0; i < 3; ++i) {
            QElapsedTimer sinceNotices;
            sinceNotices.start();
            DeviceNotifier::reportArrival("/dev/hidraw-other");
            DeviceNotifier::reportRemoval("/dev/hidraw-other");
            // Posted behind the notices, so it runs once the window has handled them.
            qint64 answeredAfterMs = -1;
            QMetaObject::invokeMethod(
                f.panel, [&] { answeredAfterMs = sinceNotices.elapsed(); }, Qt::QueuedConnection);
            QTRY_VERIFY(answeredAfterMs >= 0);
            QVERIFY2(answeredAfterMs < 100, qPrintable(QString::number(answeredAfterMs) + " ms"));
        }
        QVERIFY(!f.consoleSinceMark().contains(QStringLiteral("Emulation complete!"))); // still running

        f.click("stopEmulation");
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Emulation stoped prematurely!")));
        QTRY_VERIFY(f.controlsEnabled());
        QTest::qWait(100); // the notices, handled after the emulation, leave the connection as it was
        QVERIFY(f.controlsEnabled());
        QVERIFY(!f.consoleSinceMark().contains(QStringLiteral("disconnected")));
    }

    // Pulled out while a download holds it: the download ends with what arrived, and the window
    // shows the device gone.
    void unpluggingTheDeviceDuringADownload()
    {
        DeviceWindowFixture f;
        f.computer.setMemoryImage(std::vector<uint8_t>(4128768, 0xFF)); // a full memory
        f.open();
        QVERIFY(f.connectFirmware());
        NUVQORAInterface *link = f.panel->deviceInterface();
        std::atomic<bool> unplugged{false};
        connect(
            link, &NUVQORAInterface::flightDownloadProgress, link,
            [&] {
                if (!unplugged.exchange(true))
                    f.computer.unplug();
            },
            Qt::DirectConnection);
        f.markConsole();
        f.click("downloadFlights");
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("0 flight(s) downloaded.")));
        const auto *progress = f.child<QProgressBar>("downloadProgress");
        QVERIFY(progress->value() < progress->maximum()); // ended at the failed read, not at the memory's end
        QTRY_VERIFY(f.consoleSinceMark().endsWith(QStringLiteral("Firmware disconnected.")));
        QTRY_VERIFY(!f.controlsEnabled());
        QVERIFY(
            showsImage(f.window->ui.firmConnImg_CtrlPanel, QStringLiteral(":/NUVStudio/Resources/Disconnected.png")));
        QTest::qWait(100);
        QVERIFY(!f.controlsEnabled());
    }

    void anOutdatedFirmwareKeepsTheControlsOff()
    {
        DeviceWindowFixture f;
        f.computer.setFirmwareVersion(0x212);
        f.dialogs.pressButton(QMessageBox::Cancel);
        f.open();
        f.computer.plugFirmware();
        QTRY_VERIFY(messageTexts(f.dialogs.requests).contains(outdatedText));
        QVERIFY(!firmwareOpen(f));
        QTest::qWait(200);
        QVERIFY(!f.controlsEnabled());
        // A re-enable the interface queued before the firmware was closed comes too late.
        f.panel->enableControls(true);
        QVERIFY(!f.controlsEnabled());
        QVERIFY(!f.child("emulateLaunch")->isEnabled());
    }

    void kalmanFilterSettingsNeedFirmware202_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("2.13") << 0x213 << true;
        QTest::newRow("2.02") << 0x202 << true;
        QTest::newRow("2.01") << 0x201 << false;
    }

    void kalmanFilterSettingsNeedFirmware202()
    {
        QFETCH(int, version);
        QFETCH(bool, enabled);
        DeviceWindowFixture f;
        f.computer.setFirmwareVersion(uint16_t(version));
        f.dialogs.pressButton(QMessageBox::Cancel); // to the update offer of the older ones
        f.open();
        QWidget *kalman = f.child("kalmanFilterFrame");
        kalman->setEnabled(!enabled);
        // Through the bootloader, which clears an earlier wrong-version report of the process.
        f.computer.plugBootloader();
        QTRY_COMPARE(kalman->isEnabled(), enabled);
        QCOMPARE(messageTexts(f.dialogs.requests).contains(outdatedText), version < 0x213);
    }
};

NUV_SHELL_TEST_MAIN(TestDeviceWindowCommands)
#include "TestDeviceWindowCommands.moc"
