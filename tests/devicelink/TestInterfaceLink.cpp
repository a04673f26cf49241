#include "InterfaceFixture.h"

#include "DeviceNotice.h"
#include "FakeTickClock.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

using Mode = SimulatedFlightComputer::Mode;
const QString connected = "Firmware initialized.\nNUV QORA (firmware version: 2.13) is now connected.";

} // namespace

// Connection, live polling and removal. The first three tests rely on the process-wide live
// state (poll tick, gyro rate counter, magnetometer range) being untouched, so they run first.
class TestInterfaceLink : public QObject
{
    Q_OBJECT

private slots:
    void firstGyroReadingAtTheStartTick()
    {
        InterfaceFixture f;
        f.connectFirmware();
        QSignalSpy gyro(&f.link, &NUVQORAInterface::gyroXYZEventRead);
        {
            const FakeTickClock frozen(123456);
            f.link.readLiveEvent(12); // no time has passed since the count started: no rate, no fault
            f.link.readLiveEvent(12);
        }
        QCOMPARE(gyro.count(), 2);
        QCOMPARE(gyro[0][0].value<NUVEvent_GyroXYZ>().x, 14 * 0.07f);
    }

    void magnetometerIsCentredOnItsRangeAndXFlipped()
    {
        InterfaceFixture f;
        f.connectFirmware();
        QSignalSpy mag(&f.link, &NUVQORAInterface::magXYZEventRead);
        f.computer.setLiveRecord(13, {13, 0x01, 0x2C, 0xFF, 0x38, 0x00, 0x64}); // 300, -200, 100 (1e-6 units)
        f.link.readLiveEvent(13);
        f.computer.setLiveRecord(13, {13, 0x00, 0x64, 0xFF, 0x38, 0x00, 0xC8}); // 100, -200, 200
        f.link.readLiveEvent(13);

        const auto first = mag[0][0].value<NUVEvent_MagXYZ>();
        QCOMPARE(std::vector<float>({first.x, first.y, first.z}), std::vector<float>(3, 0.0f));
        // x range 100..300 (middle 200), z range 100..200 (middle 150)
        const auto second = mag[1][0].value<NUVEvent_MagXYZ>();
        QVERIFY(qAbs(second.x - 100e-6f) < 1e-9f);
        QCOMPARE(second.y, 0.0f);
        QVERIFY(qAbs(second.z - 50e-6f) < 1e-9f);
    }

    void pollScheduleKeepsAtMostEightCodesPending()
    {
        InterfaceFixture f;
        f.connectFirmware();

        f.link.readLiveEvents(); // tick 0 queues sixteen codes
        f.link.processReadEvents();
        QCOMPARE(f.liveReadCodes(), (std::vector<int>{2, 11, 12, 13, 3, 4, 5, 6}));

        f.backend.clearTransfers();
        f.link.readLiveEvents(); // eight still pending: skipped, the tick stays at 1
        f.link.processReadEvents();
        QCOMPARE(f.liveReadCodes(), (std::vector<int>{7, 8, 9, 10, 16, 14, 18, 21}));

        f.backend.clearTransfers();
        f.link.readLiveEvents(); // tick 1 queues nothing
        f.link.processReadEvents();
        QVERIFY(f.liveReadCodes().empty());

        f.link.readLiveEvents(); // tick 2
        f.link.processReadEvent();
        QCOMPARE(f.liveReadCodes(), (std::vector<int>{2}));
        f.link.processReadEvents();
        QCOMPARE(f.liveReadCodes(), (std::vector<int>{2, 11, 12, 21}));
    }

    void eachCodeEmitsItsTypedSignal_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("signal");
        QTest::newRow("text") << 1 << SIGNAL(textEventRead(NUVEvent_Text));
        QTest::newRow("accelZ") << 2 << SIGNAL(accelZEventRead(NUVEvent_AccelZ));
        QTest::newRow("pressure") << 3 << SIGNAL(pressureEventRead(NUVEvent_Pressure));
        QTest::newRow("computer battery") << 4 << SIGNAL(compBatEventRead(NUVEvent_ComputerBattery));
        QTest::newRow("ejection battery") << 5 << SIGNAL(ejectBatEventRead(NUVEvent_EjectionBattery));
        QTest::newRow("temperature") << 6 << SIGNAL(temperatureEventRead(NUVEvent_Temperature));
        QTest::newRow("line A") << 7 << SIGNAL(inputAEventRead(NUVEvent_LineA));
        QTest::newRow("line B") << 8 << SIGNAL(inputBEventRead(NUVEvent_LineB));
        QTest::newRow("line C") << 9 << SIGNAL(inputCEventRead(NUVEvent_LineC));
        QTest::newRow("line D") << 10 << SIGNAL(inputDEventRead(NUVEvent_LineD));
        QTest::newRow("accelXY") << 11 << SIGNAL(accelXYEventRead(NUVEvent_AccelXY));
        QTest::newRow("gyro") << 12 << SIGNAL(gyroXYZEventRead(NUVEvent_GyroXYZ));
        QTest::newRow("magnetometer") << 13 << SIGNAL(magXYZEventRead(NUVEvent_MagXYZ));
        QTest::newRow("GPS solution") << 14 << SIGNAL(gpsLLSolEventRead(NUVEvent_GPSLLSol));
        QTest::newRow("status") << 16 << SIGNAL(statusEventRead(NUVEvent_Status));
        QTest::newRow("ident") << 17 << SIGNAL(identEventRead(NUVEvent_Ident));
        QTest::newRow("GPS time") << 18 << SIGNAL(gpsTimeEventRead(NUVEvent_GPSTime));
    }
    void eachCodeEmitsItsTypedSignal()
    {
        QFETCH(int, code);
        QFETCH(QString, signal);
        InterfaceFixture f;
        f.connectFirmware();
        QSignalSpy spy(&f.link, signal.toLatin1().constData());
        f.link.readLiveEvent(code);
        QCOMPARE(spy.count(), 1);
        const auto transfers = f.backend.transfers();
        QCOMPARE(int(transfers.size()), 2);
        QVERIFY(transfers[0].report == reportOf(3, {uint8_t(code)}));
        QCOMPARE(transfers[0].timeoutMs, 10u);
        QCOMPARE(transfers[1].timeoutMs, 10u);
    }

    void signalsCarryTheDecodedReadings()
    {
        InterfaceFixture f;
        QCOMPARE(f.link.currentOrientation(), QQuaternion(0, 0, 0, 1));
        f.connectFirmware();
        f.computer.setLiveRecord(16, {16, 0x10, 0xA0}); // boost, continuity on A and C
        f.computer.setLiveRecord(21, {21, 0x10, 0x00, 0x20, 0x00, 0x30, 0x00, 0x70, 0x00}); // x y z w
        QSignalSpy status(&f.link, &NUVQORAInterface::statusEventRead);
        QSignalSpy ident(&f.link, &NUVQORAInterface::identEventRead);
        for (int code : {16, 17, 21})
            f.link.readLiveEvent(code);
        const auto statusEvent = status[0][0].value<NUVEvent_Status>();
        QCOMPARE(statusEvent.state, 1);
        QCOMPARE(statusEvent.lineContinuity, (NUVEvent_Status::LineFlags{true, false, true, false}));
        QCOMPARE(ident[0][0].value<NUVEvent_Ident>().ident, std::string("QORA21"));
        // The orientation record only turns the attitude.
        QCOMPARE(f.link.currentOrientation(), QQuaternion(0.875f, 0.125f, 0.25f, 0.375f));
    }

    void badLiveReadsEmitNothing()
    {
        InterfaceFixture f;
        f.connectFirmware();
        QSignalSpy accelZ(&f.link, &NUVQORAInterface::accelZEventRead);
        QSignalSpy pressure(&f.link, &NUVQORAInterface::pressureEventRead);
        f.computer.setLiveRecord(2, {3, 0x01, 0x86, 0xA0}); // another record than the one asked for
        f.link.readLiveEvent(2);
        f.computer.setFault(3, silence());
        f.link.readLiveEvent(3); // a failed live read closes the firmware record
        QCOMPARE(accelZ.count() + pressure.count(), 0);
        QSignalSpy disconnected(&f.link, &NUVQORAInterface::firmwareDisconnected);
        f.link.checkDisconnected();
        QCOMPARE(disconnected.count(), 1);
    }

    void firstConnectionAttempt_data()
    {
        QTest::addColumn<int>("plugged");
        QTest::addColumn<int>("bootloaderVersion");
        QTest::addColumn<bool>("refuseOpen");
        QTest::addColumn<bool>("autoStart");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("initialized");
        QTest::addColumn<int>("disconnected");
        QTest::addColumn<int>("mode"); // the device's afterwards
        QTest::addColumn<QString>("printed");
        const int firmware = int(Mode::Firmware), bootloader = int(Mode::Bootloader);
        const QString usbError = "There was a generic USB connection error. Please try reconnecting your device.";
        QTest::newRow("nothing plugged") << int(Mode::Unplugged) << 0 << false << true << QStringList() << 0 << 1
                                         << int(Mode::Unplugged) << "No device found.\n";
        QTest::newRow("firmware") << firmware << 0x200 << false << true << QStringList{connected} << 1 << 0 << firmware
                                  << "";
        QTest::newRow("firmware that cannot be opened") << firmware << 0x200 << true << true << QStringList{usbError}
                                                        << 0 << 1 << firmware << "Generic connection error.\n";
        QTest::newRow("bootloader starts the firmware")
            << bootloader << 0x200 << false << true
            << QStringList{"Connected to NUV QORA bootloader.", "Awaiting firmware initialization..."} << 0 << 0
            << firmware << "";
        QTest::newRow("bootloader without auto start") << bootloader << 0x200 << false << false
                                                       << QStringList{"Connected to NUV QORA bootloader."} << 0 << 0
                                                       << bootloader << "";
        QTest::newRow("bootloader that cannot be opened")
            << bootloader << 0x200 << true << true << QStringList{usbError} << 0 << 0 << bootloader
            << "Cant get USB file handle. The file is locked.\nInvalid read handle.\nInvalid write handle.\n";
        QTest::newRow("bootloader of another version")
            << bootloader << 0x300 << false << true
            << QStringList{"NUV QORA connected, but with incorrect bootloader version. Please check your "
                           "firmware/software versions."} << 0 << 0 << bootloader << "";
    }
    void firstConnectionAttempt()
    {
        QFETCH(int, plugged);
        QFETCH(int, bootloaderVersion);
        QFETCH(bool, refuseOpen);
        QFETCH(bool, autoStart);
        QFETCH(int, disconnected);
        QFETCH(int, mode);
        QFETCH(QString, printed);
        InterfaceFixture f;
        f.computer.setRefuseOpen(refuseOpen);
        f.computer.setBootloaderVersion(bootloaderVersion);
        if (plugged == int(Mode::Bootloader))
            f.computer.plugBootloader();
        else if (plugged == int(Mode::Firmware))
            f.computer.plugFirmware();
        f.link.setAutoStartFirmware(autoStart);
        QSignalSpy initialized(&f.link, &NUVQORAInterface::firmwareInitialized);
        QSignalSpy disconnectedSpy(&f.link, &NUVQORAInterface::firmwareDisconnected);
        f.link.attemptConnection();
        QTEST(f.panel.takeCalls(), "calls");
        QTEST(int(initialized.count()), "initialized");
        QCOMPARE(disconnectedSpy.count(), disconnected);
        QCOMPARE(int(f.computer.mode()), mode);
        QCOMPARE(f.link.isOpen(), disconnected == 0 && plugged == int(Mode::Firmware));
        QCOMPARE(f.link.bootloader.isOpen(), !autoStart);
        QVERIFY2(f.output.contains(printed.toStdString()), f.output.text().c_str());
    }

    void laterAttempts()
    {
        InterfaceFixture f;
        QSignalSpy initialized(&f.link, &NUVQORAInterface::firmwareInitialized);
        f.computer.plugBootloader();
        f.link.setConnectionAttemptsEnabled(false);
        f.link.attemptConnection();
        QVERIFY(!f.link.bootloader.isOpen());
        f.link.setConnectionAttemptsEnabled(true);
        f.link.attemptConnection(); // starts the firmware
        f.panel.takeCalls();
        f.link.attemptConnection(); // the firmware's arrival
        QCOMPARE(f.panel.takeCalls(), QStringList{connected});
        QCOMPARE(initialized.count(), 1);
        QCOMPARE(f.requestCodes(), (std::vector<int>{3, 255})); // started, then stale input flushed

        f.backend.clearTransfers();
        f.link.attemptConnection(); // already open: nothing to do
        QVERIFY(f.panel.takeCalls().isEmpty());
        QVERIFY(f.backend.transfers().empty());
        QCOMPARE(initialized.count(), 1);
    }

    void wrongFirmwareVersionIsToldOnce()
    {
        InterfaceFixture f;
        f.computer.setFirmwareVersion(0x220);
        f.computer.plugFirmware();
        QSignalSpy initialized(&f.link, &NUVQORAInterface::firmwareInitialized);
        QSignalSpy disconnected(&f.link, &NUVQORAInterface::firmwareDisconnected);
        f.link.attemptConnection();
        QCOMPARE(f.panel.takeCalls(), QStringList({"NUV QORA connected, but with incorrect firmware version.",
                                                   "This software is intended for devices with firmware version: 2.1x",
                                                   "The connected device is version: 2.20"}));
        QCOMPARE(initialized.count(), 1);
        QCOMPARE(disconnected.count(), 1);
        QVERIFY(f.output.contains("Version: 544\nDevice found, but wrong version.\n"));
        QCOMPARE(f.link.attributes().versionNumber, 0x220); // the record keeps the version found
        f.link.attemptConnection();
        QVERIFY(f.panel.takeCalls().isEmpty());

        // A firmware of the right version clears the report, so a later wrong one is told again.
        f.computer.setFirmwareVersion(0x213);
        f.computer.plugFirmware();
        f.link.attemptConnection();
        QVERIFY(f.link.isOpen());
        f.link.deviceRemoved({5, f.computer.path()});
        f.computer.setFirmwareVersion(0x220);
        f.computer.plugFirmware();
        f.panel.takeCalls();
        f.link.attemptConnection();
        QCOMPARE(f.panel.takeCalls().size(), 3);
    }

    void removalOrTeardownClosesTheFirmwareAndDropsPendingCodes()
    {
        InterfaceFixture f;
        f.connectFirmware();
        const std::string path = f.computer.path();
        f.link.readLiveEvents(); // two ticks: one of them queues codes
        f.link.readLiveEvents();
        f.computer.unplug();
        f.link.deviceRemoved({5, path});
        QCOMPARE(f.panel.takeCalls(), QStringList({"Firmware disconnected."}));
        QVERIFY(!f.link.isOpen());

        f.connectFirmware();
        f.link.processReadEvents();
        QVERIFY(f.liveReadCodes().empty());

        // The window's teardown does the same.
        f.link.readLiveEvents();
        f.link.readLiveEvents();
        f.link.closeDevices();
        QVERIFY(!f.link.isOpen());
        QCOMPARE(f.backend.openHandleCount(), 0);
        f.connectFirmware();
        f.link.processReadEvents();
        QVERIFY(f.liveReadCodes().empty());
    }

    void removalOfTheBootloaderOrAnotherDevice()
    {
        InterfaceFixture f;
        f.computer.plugBootloader();
        f.link.setAutoStartFirmware(false);
        f.link.attemptConnection();
        f.panel.takeCalls();

        f.link.deviceRemoved({5, "/sim/hid/elsewhere"});
        QVERIFY(f.panel.takeCalls().isEmpty());
        QVERIFY(f.link.bootloader.isOpen());

        f.link.deviceRemoved({5, f.computer.path()});
        QCOMPARE(f.panel.takeCalls(), QStringList({"Bootloader disconnected."}));
        QVERIFY(!f.link.bootloader.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestInterfaceLink)
#include "TestInterfaceLink.moc"
