#include "InterfaceFixture.h"

#include "DeviceNotice.h"
#include "TickClock.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

uint32_t frozenClock()
{
    return 123456;
}

} // namespace

// Connection, live polling and removal. The first three tests rely on the process-wide live
// state (poll tick, gyro rate counter, magnetometer range) being untouched, so they run first.
class TestInterfaceLink : public QObject
{
    Q_OBJECT

private slots:
    void firstGyroReadingAtTheStartTick();
    void magnetometerIsCentredOnItsRangeAndXFlipped();
    void pollScheduleKeepsAtMostEightCodesPending();

    void typedSignalsCarryTheDecodedReadings();
    void orientationRecordUpdatesTheAttitudeOnly();
    void badLiveReadsEmitNothing();

    void noDeviceReportsDisconnected();
    void bootloaderStartsTheFirmwareThenItConnects();
    void bootloaderWithoutAutoStartStaysInTheBootloader();
    void connectionErrorsAreReported();
    void wrongFirmwareVersionIsReportedOnce();
    void disabledAttemptsAndOpenFirmwareDoNothing();

    void removalOrTeardownClosesTheFirmwareAndDropsPendingCodes();
    void removalOfTheBootloaderOrAnotherDevice();
};

void TestInterfaceLink::firstGyroReadingAtTheStartTick()
{
    InterfaceFixture f;
    f.connectFirmware();
    TickClock::setSource(&frozenClock);
    QSignalSpy gyro(f.link.get(), &NUVQORAInterface::gyroXYZEventRead);
    f.link->readLiveEvent(12); // no time has passed since the count started: no rate, no fault
    f.link->readLiveEvent(12);
    TickClock::setSource(nullptr);
    QCOMPARE(gyro.count(), 2);
    QCOMPARE(gyro[0][0].value<NUVEvent_GyroXYZ>().x, 14 * 0.07f);
}

void TestInterfaceLink::magnetometerIsCentredOnItsRangeAndXFlipped()
{
    InterfaceFixture f;
    f.connectFirmware();
    QSignalSpy mag(f.link.get(), &NUVQORAInterface::magXYZEventRead);
    f.device.setLiveRecord(13, {13, 0x01, 0x2C, 0xFF, 0x38, 0x00, 0x64}); // 300, -200, 100 (1e-6 units)
    f.link->readLiveEvent(13);
    f.device.setLiveRecord(13, {13, 0x00, 0x64, 0xFF, 0x38, 0x00, 0xC8}); // 100, -200, 200
    f.link->readLiveEvent(13);

    QCOMPARE(mag.count(), 2);
    const auto first = mag[0][0].value<NUVEvent_MagXYZ>();
    QCOMPARE(first.x, 0.0f);
    QCOMPARE(first.y, 0.0f);
    QCOMPARE(first.z, 0.0f);
    // x range 100..300 (middle 200), z range 100..200 (middle 150)
    const auto second = mag[1][0].value<NUVEvent_MagXYZ>();
    QVERIFY(qAbs(second.x - 100e-6f) < 1e-9f);
    QCOMPARE(second.y, 0.0f);
    QVERIFY(qAbs(second.z - 50e-6f) < 1e-9f);
}

void TestInterfaceLink::pollScheduleKeepsAtMostEightCodesPending()
{
    InterfaceFixture f;
    f.connectFirmware();

    f.link->readLiveEvents(); // tick 0 queues sixteen codes
    f.link->processReadEvents();
    QCOMPARE(f.liveReadCodes(), (std::vector<int>{2, 11, 12, 13, 3, 4, 5, 6}));

    f.backend.clearTransfers();
    f.link->readLiveEvents(); // eight still pending: skipped, the tick stays at 1
    f.link->processReadEvents();
    QCOMPARE(f.liveReadCodes(), (std::vector<int>{7, 8, 9, 10, 16, 14, 18, 21}));

    f.backend.clearTransfers();
    f.link->readLiveEvents(); // tick 1 queues nothing
    f.link->processReadEvents();
    QVERIFY(f.liveReadCodes().empty());

    f.link->readLiveEvents(); // tick 2
    f.link->processReadEvent();
    QCOMPARE(f.liveReadCodes(), (std::vector<int>{2}));
    f.link->processReadEvents();
    QCOMPARE(f.liveReadCodes(), (std::vector<int>{2, 11, 12, 21}));
}

void TestInterfaceLink::typedSignalsCarryTheDecodedReadings()
{
    InterfaceFixture f;
    f.connectFirmware();
    const std::pair<int, const char *> signalOfCode[] = {
        {1, SIGNAL(textEventRead(NUVEvent_Text))},
        {2, SIGNAL(accelZEventRead(NUVEvent_AccelZ))},
        {3, SIGNAL(pressureEventRead(NUVEvent_Pressure))},
        {4, SIGNAL(compBatEventRead(NUVEvent_ComputerBattery))},
        {5, SIGNAL(ejectBatEventRead(NUVEvent_EjectionBattery))},
        {6, SIGNAL(temperatureEventRead(NUVEvent_Temperature))},
        {7, SIGNAL(inputAEventRead(NUVEvent_LineA))},
        {8, SIGNAL(inputBEventRead(NUVEvent_LineB))},
        {9, SIGNAL(inputCEventRead(NUVEvent_LineC))},
        {10, SIGNAL(inputDEventRead(NUVEvent_LineD))},
        {11, SIGNAL(accelXYEventRead(NUVEvent_AccelXY))},
        {12, SIGNAL(gyroXYZEventRead(NUVEvent_GyroXYZ))},
        {13, SIGNAL(magXYZEventRead(NUVEvent_MagXYZ))},
        {14, SIGNAL(gpsLLSolEventRead(NUVEvent_GPSLLSol))},
        {16, SIGNAL(statusEventRead(NUVEvent_Status))},
        {17, SIGNAL(identEventRead(NUVEvent_Ident))},
        {18, SIGNAL(gpsTimeEventRead(NUVEvent_GPSTime))},
    };
    for (const auto &[code, signal] : signalOfCode) {
        QSignalSpy spy(f.link.get(), signal);
        f.link->readLiveEvent(code);
        QVERIFY2(spy.count() == 1, signal);
    }

    f.device.setLiveRecord(16, {16, 0x10, 0xA0}); // boost, continuity on A and C
    f.device.setLiveRecord(17, {17, 'Q', 'O', 'R', 'A', '2', '1'});
    QSignalSpy status(f.link.get(), &NUVQORAInterface::statusEventRead);
    QSignalSpy ident(f.link.get(), &NUVQORAInterface::identEventRead);
    f.link->readLiveEvent(16);
    f.link->readLiveEvent(17);
    const auto statusEvent = status[0][0].value<NUVEvent_Status>();
    QCOMPARE(statusEvent.state, 1);
    QCOMPARE(statusEvent.lineContinuity, (NUVEvent_Status::LineFlags{true, false, true, false}));
    QCOMPARE(ident[0][0].value<NUVEvent_Ident>().ident, std::string("QORA21"));
}

void TestInterfaceLink::orientationRecordUpdatesTheAttitudeOnly()
{
    InterfaceFixture f;
    QCOMPARE(f.link->currentOrientation(), QQuaternion(0, 0, 0, 1));
    f.connectFirmware();
    f.device.setLiveRecord(21, {21, 0x10, 0x00, 0x20, 0x00, 0x30, 0x00, 0x70, 0x00}); // x y z w
    f.link->readLiveEvent(21);
    QCOMPARE(f.link->currentOrientation(), QQuaternion(0.875f, 0.125f, 0.25f, 0.375f));
}

void TestInterfaceLink::badLiveReadsEmitNothing()
{
    InterfaceFixture f;
    f.connectFirmware();
    QSignalSpy accelZ(f.link.get(), &NUVQORAInterface::accelZEventRead);
    QSignalSpy pressure(f.link.get(), &NUVQORAInterface::pressureEventRead);
    f.device.setLiveRecord(2, {3, 0x01, 0x86, 0xA0}); // another record than the one asked for
    f.link->readLiveEvent(2);
    QCOMPARE(accelZ.count() + pressure.count(), 0);

    CommandFault silent;
    silent.noReply = true;
    f.device.setFault(3, silent);
    f.link->readLiveEvent(3); // a failed live read closes the firmware record
    QCOMPARE(pressure.count(), 0);
    QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);
    f.link->checkDisconnected();
    QCOMPARE(disconnected.count(), 1);
}

void TestInterfaceLink::noDeviceReportsDisconnected()
{
    for (bool autoStart : {true, false}) {
        InterfaceFixture f;
        f.link->setAutoStartFirmware(autoStart);
        QSignalSpy initialized(f.link.get(), &NUVQORAInterface::firmwareInitialized);
        QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);
        f.link->attemptConnection();
        QCOMPARE(initialized.count(), 0);
        QCOMPARE(disconnected.count(), 1);
        QVERIFY(f.panel.takeCalls().isEmpty());
    }
}

void TestInterfaceLink::bootloaderStartsTheFirmwareThenItConnects()
{
    InterfaceFixture f;
    f.device.plugBootloader();
    QSignalSpy initialized(f.link.get(), &NUVQORAInterface::firmwareInitialized);
    QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);

    f.link->attemptConnection();
    QCOMPARE(f.panel.takeCalls(),
             QStringList({"Connected to NUV QORA bootloader.", "Awaiting firmware initialization..."}));
    QCOMPARE(f.device.mode(), SimulatedFlightComputer::Mode::Firmware);
    QCOMPARE(disconnected.count(), 0);

    f.link->attemptConnection(); // the firmware's arrival
    QCOMPARE(f.panel.takeCalls(),
             QStringList({"Firmware initialized.\nNUV QORA (firmware version: 2.13) is now connected."}));
    QCOMPARE(initialized.count(), 1);
    QCOMPARE(disconnected.count(), 0);
    QVERIFY(f.link->isOpen());
    QCOMPARE(f.requestCodes().back(), 255); // the connection flushes stale input
}

void TestInterfaceLink::bootloaderWithoutAutoStartStaysInTheBootloader()
{
    InterfaceFixture f;
    f.device.plugBootloader();
    f.link->setAutoStartFirmware(false);
    QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);
    f.link->attemptConnection();
    QCOMPARE(f.panel.takeCalls(), QStringList({"Connected to NUV QORA bootloader."}));
    QCOMPARE(f.device.mode(), SimulatedFlightComputer::Mode::Bootloader);
    QCOMPARE(disconnected.count(), 0);
    QVERIFY(f.link->bootloader.isOpen());
}

void TestInterfaceLink::connectionErrorsAreReported()
{
    {
        InterfaceFixture f;
        f.device.setBootloaderVersion(0x300);
        f.device.plugBootloader();
        f.link->attemptConnection();
        QCOMPARE(f.panel.takeCalls(), QStringList({"NUV QORA connected, but with incorrect bootloader version. "
                                                   "Please check your firmware/software versions."}));
        QCOMPARE(f.device.mode(), SimulatedFlightComputer::Mode::Bootloader);
    }
    InterfaceFixture f;
    f.device.setRefuseOpen(true);
    f.device.plugFirmware();
    QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);
    f.link->attemptConnection();
    QCOMPARE(f.panel.takeCalls(),
             QStringList({"There was a generic USB connection error. Please try reconnecting your device."}));
    QCOMPARE(disconnected.count(), 1);
}

void TestInterfaceLink::wrongFirmwareVersionIsReportedOnce()
{
    InterfaceFixture f;
    f.device.setFirmwareVersion(0x220);
    f.device.plugFirmware();
    QSignalSpy initialized(f.link.get(), &NUVQORAInterface::firmwareInitialized);
    QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);

    f.link->attemptConnection();
    QCOMPARE(f.panel.takeCalls(), QStringList({"NUV QORA connected, but with incorrect firmware version.",
                                               "This software is intended for devices with firmware version: 2.1x",
                                               "The connected device is version: 2.20"}));
    QCOMPARE(initialized.count(), 1);
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(f.link->attributes().versionNumber, 0x220);

    f.link->attemptConnection();
    QVERIFY(f.panel.takeCalls().isEmpty());
    QCOMPARE(initialized.count(), 1);
    QCOMPARE(disconnected.count(), 2);

    // A firmware of the right version clears the report, so a later wrong one is told again.
    f.device.setFirmwareVersion(0x213);
    f.device.plugFirmware();
    f.link->attemptConnection();
    QVERIFY(f.link->isOpen());
    f.link->deviceRemoved({5, f.device.path()});
    f.device.setFirmwareVersion(0x220);
    f.device.plugFirmware();
    f.panel.takeCalls();
    f.link->attemptConnection();
    QCOMPARE(f.panel.takeCalls().size(), 3);
}

void TestInterfaceLink::disabledAttemptsAndOpenFirmwareDoNothing()
{
    InterfaceFixture f;
    f.device.plugFirmware();
    QSignalSpy initialized(f.link.get(), &NUVQORAInterface::firmwareInitialized);
    QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);
    f.link->setConnectionAttemptsEnabled(false);
    f.link->attemptConnection();
    QVERIFY(!f.link->isOpen());

    f.link->setConnectionAttemptsEnabled(true);
    f.link->attemptConnection();
    QVERIFY(f.link->isOpen());
    f.panel.takeCalls();
    f.backend.clearTransfers();
    f.link->attemptConnection();
    QVERIFY(f.panel.takeCalls().isEmpty());
    QVERIFY(f.backend.transfers().empty());
    QCOMPARE(initialized.count(), 1);
    QCOMPARE(disconnected.count(), 0);
}

void TestInterfaceLink::removalOrTeardownClosesTheFirmwareAndDropsPendingCodes()
{
    InterfaceFixture f;
    f.connectFirmware();
    const std::string path = f.device.path();
    f.link->readLiveEvents();
    f.device.unplug();
    f.link->deviceRemoved({5, path});
    QCOMPARE(f.panel.takeCalls(), QStringList({"Firmware disconnected."}));
    QVERIFY(!f.link->isOpen());

    f.connectFirmware();
    f.link->processReadEvents();
    QVERIFY(f.liveReadCodes().empty());

    // The window's teardown does the same.
    f.link->readLiveEvents();
    f.link->closeDevices();
    QVERIFY(!f.link->isOpen());
    QCOMPARE(f.backend.openHandleCount(), 0);
    f.connectFirmware();
    f.link->processReadEvents();
    QVERIFY(f.liveReadCodes().empty());
}

void TestInterfaceLink::removalOfTheBootloaderOrAnotherDevice()
{
    InterfaceFixture f;
    f.device.plugBootloader();
    f.link->setAutoStartFirmware(false);
    f.link->attemptConnection();
    f.panel.takeCalls();

    f.link->deviceRemoved({5, "/sim/hid/elsewhere"});
    QVERIFY(f.panel.takeCalls().isEmpty());
    QVERIFY(f.link->bootloader.isOpen());

    f.link->deviceRemoved({5, f.device.path()});
    QCOMPARE(f.panel.takeCalls(), QStringList({"Bootloader disconnected."}));
    QVERIFY(!f.link->bootloader.isOpen());
}

QTEST_GUILESS_MAIN(TestInterfaceLink)
#include "TestInterfaceLink.moc"
