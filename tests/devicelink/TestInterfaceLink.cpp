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
    void readingOfAnotherTypeIsDropped();
    void failedLiveReadClosesTheFirmware();

    void noDeviceReportsDisconnected();
    void bootloaderStartsTheFirmwareThenItConnects();
    void bootloaderWithoutAutoStartStaysInTheBootloader();
    void wrongBootloaderVersionIsReported();
    void wrongFirmwareVersionIsReportedOnce();
    void firmwareThatCannotBeOpenedIsReported();
    void disabledAttemptsAndOpenFirmwareDoNothing();

    void removalOfTheFirmwareClosesItAndDropsPendingCodes();
    void removalOfTheBootloaderOrAnotherDevice();
    void closeDevicesClosesTheFirmware();
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
    NUVQORAInterface *link = f.link.get();
    QSignalSpy text(link, &NUVQORAInterface::textEventRead);
    QSignalSpy accelZ(link, &NUVQORAInterface::accelZEventRead);
    QSignalSpy pressure(link, &NUVQORAInterface::pressureEventRead);
    QSignalSpy compBat(link, &NUVQORAInterface::compBatEventRead);
    QSignalSpy ejectBat(link, &NUVQORAInterface::ejectBatEventRead);
    QSignalSpy temperature(link, &NUVQORAInterface::temperatureEventRead);
    QSignalSpy lineA(link, &NUVQORAInterface::inputAEventRead);
    QSignalSpy lineB(link, &NUVQORAInterface::inputBEventRead);
    QSignalSpy lineC(link, &NUVQORAInterface::inputCEventRead);
    QSignalSpy lineD(link, &NUVQORAInterface::inputDEventRead);
    QSignalSpy accelXY(link, &NUVQORAInterface::accelXYEventRead);
    QSignalSpy gps(link, &NUVQORAInterface::gpsLLSolEventRead);
    QSignalSpy status(link, &NUVQORAInterface::statusEventRead);
    QSignalSpy ident(link, &NUVQORAInterface::identEventRead);
    QSignalSpy gpsTime(link, &NUVQORAInterface::gpsTimeEventRead);

    f.device.setLiveRecord(10, {10, 0xC0, 0x00});
    f.device.setLiveRecord(16, {16, 0x10, 0xA0}); // boost, continuity on A and C
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 16, 17, 18})
        f.link->readLiveEvent(code);

    QCOMPARE(text.count(), 1);
    QCOMPARE(text[0][0].value<NUVEvent_Text>().text, std::string("QORA ready"));
    QCOMPARE(accelZ[0][0].value<NUVEvent_AccelZ>().acceleration, 1.0f);
    QCOMPARE(pressure[0][0].value<NUVEvent_Pressure>().pressure, 101325.0f);
    QCOMPARE(compBat[0][0].value<NUVEvent_ComputerBattery>().voltage, 0xA1A8 * 13.3f / 65536);
    QCOMPARE(ejectBat[0][0].value<NUVEvent_EjectionBattery>().voltage, 0x9A00 * 13.3f / 65536);
    QCOMPARE(temperature[0][0].value<NUVEvent_Temperature>().temperature, 21.5f);
    QCOMPARE(lineA[0][0].value<NUVEvent_LineA>().voltage, 0x10 * 3.3f / 16384);
    QCOMPARE(lineB.count(), 1);
    QCOMPARE(lineC.count(), 1);
    QVERIFY(lineD[0][0].value<NUVEvent_LineD>().flagBit14);
    QCOMPARE(accelXY[0][0].value<NUVEvent_AccelXY>().y, -4 / 256.0f);
    QVERIFY(gps[0][0].value<NUVEvent_GPSLLSol>().fixValid);
    QCOMPARE(gps[0][0].value<NUVEvent_GPSLLSol>().satellites, 10u);
    QCOMPARE(status[0][0].value<NUVEvent_Status>().state, 1);
    QCOMPARE(status[0][0].value<NUVEvent_Status>().lineContinuity, (NUVEvent_Status::LineFlags{true, false, true, false}));
    QCOMPARE(ident[0][0].value<NUVEvent_Ident>().ident, std::string("QORA21"));
    QCOMPARE(gpsTime[0][0].value<NUVEvent_GPSTime>().seconds, 18u);
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

void TestInterfaceLink::readingOfAnotherTypeIsDropped()
{
    InterfaceFixture f;
    f.connectFirmware();
    QSignalSpy accelZ(f.link.get(), &NUVQORAInterface::accelZEventRead);
    QSignalSpy pressure(f.link.get(), &NUVQORAInterface::pressureEventRead);
    f.device.setLiveRecord(2, {3, 0x01, 0x86, 0xA0});
    f.link->readLiveEvent(2);
    QCOMPARE(accelZ.count(), 0);
    QCOMPARE(pressure.count(), 0);
}

void TestInterfaceLink::failedLiveReadClosesTheFirmware()
{
    InterfaceFixture f;
    f.connectFirmware();
    CommandFault silent;
    silent.noReply = true;
    f.device.setFault(3, silent);
    f.link->readLiveEvent(2);
    QVERIFY(!f.link->isOpen());
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

void TestInterfaceLink::wrongBootloaderVersionIsReported()
{
    InterfaceFixture f;
    f.device.setBootloaderVersion(0x300);
    f.device.plugBootloader();
    f.link->attemptConnection();
    QCOMPARE(f.panel.takeCalls(), QStringList({"NUV QORA connected, but with incorrect bootloader version. "
                                               "Please check your firmware/software versions."}));
    QCOMPARE(f.device.mode(), SimulatedFlightComputer::Mode::Bootloader);
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

void TestInterfaceLink::firmwareThatCannotBeOpenedIsReported()
{
    InterfaceFixture f;
    f.device.setRefuseOpen(true);
    f.device.plugFirmware();
    QSignalSpy disconnected(f.link.get(), &NUVQORAInterface::firmwareDisconnected);
    f.link->attemptConnection();
    QCOMPARE(f.panel.takeCalls(),
             QStringList({"There was a generic USB connection error. Please try reconnecting your device."}));
    QCOMPARE(disconnected.count(), 1);
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

void TestInterfaceLink::removalOfTheFirmwareClosesItAndDropsPendingCodes()
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

void TestInterfaceLink::closeDevicesClosesTheFirmware()
{
    InterfaceFixture f;
    f.connectFirmware();
    f.link->readLiveEvents();
    f.link->closeDevices();
    QVERIFY(!f.link->isOpen());
    QCOMPARE(f.backend.openHandleCount(), 0);
    f.connectFirmware();
    f.link->processReadEvents();
    QVERIFY(f.liveReadCodes().empty());
}

QTEST_GUILESS_MAIN(TestInterfaceLink)
#include "TestInterfaceLink.moc"
