#include "GroundStationFixture.h"

#include "DeviceNotice.h"
#include "FakeTickClock.h"
#include "NUVEvent_DeltaTime.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using namespace NUVTAVOProtocol;
using Mode = SimulatedGroundStation::Mode;

namespace {

const QString connectedText = "Firmware initialized.\nNUV TAVO (firmware version: 2.02) is now connected.";

// A data chunk of one AccelZ record with this delta.
std::vector<uint8_t> accelChunk(uint8_t delta, uint8_t code = 2)
{
    return {0xE1, 8, 0, 1, delta, code, 0x01, 0x00, 0, 0};
}

// Holds a "pixmap" property, as the connection label does.
class PixmapHolder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QPixmap pixmap READ pixmap WRITE setPixmap)

public:
    QPixmap pixmap() const { return m_pixmap; }
    void setPixmap(const QPixmap &pixmap)
    {
        m_pixmap = pixmap;
        ++writes;
    }
    int writes = 0;

private:
    QPixmap m_pixmap;
};

} // namespace

// The radio link's poll, connection and signals against the simulated ground station, on a
// fake clock, with every poll called directly.
class TestRadioLink : public QObject
{
    Q_OBJECT

private slots:
    // First, while no record has been decoded in this process: the factory's clock starts at 0.
    void submittedEventsOnlyMoveForward()
    {
        LinkFixture f;
        QSignalSpy accel(&f.link, &NUVTAVOInterface::accelZEventRead);
        FakeTickClock ticks(5000);
        f.link.submitEvent(QByteArray("\x02\x01\x00", 3)); // time 0 is never later than the last
        QCOMPARE(accel.count(), 0);
        QVERIFY(f.output.contains("Live launch data: AgEA\n"));
        ticks.set(5005);
        f.link.submitEvent(QByteArray("\x02\x01\x00", 3));
        f.link.submitEvent(QByteArray("\x02\x01\x00", 3)); // not later either
        QCOMPARE(accel.count(), 1);
        QCOMPARE(accel[0][0].value<NUVEvent_AccelZ>().time, 0.005f);
    }

    void connection_data()
    {
        QTest::addColumn<int>("plugged"); // 0 none, 1 bootloader, 2 firmware
        QTest::addColumn<int>("version");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("initialized");
        QTest::newRow("nothing") << 0 << 0 << QStringList{} << false;
        QTest::newRow("bootloader")
            << 1 << 0x200 << QStringList{"Connected to NUV TAVO bootloader.", "Awaiting firmware initialization..."}
            << false;
        QTest::newRow("bootloader of another version")
            << 1 << 0x100
            << QStringList{"NUV TAVO connected, but with incorrect bootloader version. Please check your "
                           "firmware/software versions."}
            << false;
        QTest::newRow("firmware") << 2 << 0x202 << QStringList{connectedText} << true;
        QTest::newRow("firmware 2.0f passes the mask")
            << 2 << 0x20F << QStringList{"Firmware initialized.\nNUV TAVO (firmware version: 2.0f) is now connected."}
            << true;
        QTest::newRow("outdated firmware connects; the window tells")
            << 2 << 0x201 << QStringList{"Firmware initialized.\nNUV TAVO (firmware version: 2.01) is now connected."}
            << true;
        QTest::newRow("firmware of another version")
            << 2 << 0x211
            << QStringList{"NUV TAVO connected, but with incorrect firmware version.",
                           "This software is intended for devices with firmware version: 2.0x",
                           "The connected device is version: 2.11"}
            << true;
    }
    void connection()
    {
        QFETCH(int, plugged);
        QFETCH(int, version);
        QFETCH(QStringList, lines);
        QFETCH(bool, initialized);
        LinkFixture f;
        f.station.setBootloaderVersion(version);
        f.station.setFirmwareVersion(version);
        if (plugged == 1)
            f.station.plugBootloader();
        else if (plugged == 2)
            f.station.plugFirmware();
        QSignalSpy init(&f.link, &NUVTAVOInterface::firmwareInitialized);
        f.link.attemptConnection();
        QCOMPARE(init.count(), 0); // not while the caller is inside the attempt
        QCoreApplication::sendPostedEvents(&f.link);
        QCOMPARE(init.count(), initialized ? 1 : 0);
        QCOMPARE(f.console.takeLines(), lines);
        if (plugged == 2)
            QCOMPARE(int(f.link.firmwareVersion()), version); // what the window compares for "outdated"

        if (plugged == 2) {
            f.link.attemptConnection(); // nothing new is reported twice
            QCoreApplication::sendPostedEvents(&f.link);
            QCOMPARE(init.count(), 1);
            QVERIFY(f.console.takeLines().isEmpty());
        }
    }

    void aSlotOfFirmwareInitializedMayReconnect()
    {
        LinkFixture f;
        f.station.plugFirmware();
        int reentered = 0;
        connect(&f.link, &NUVTAVOInterface::firmwareInitialized, &f.link, [&] {
            f.link.attemptConnection(); // would deadlock if emitted under the mutex
            ++reentered;
        });
        f.link.attemptConnection();
        QCoreApplication::sendPostedEvents(&f.link);
        QCOMPARE(reentered, 1);
    }

    void connectionLabelAndRemoval()
    {
        LinkFixture f;
        PixmapHolder label;
        f.link.setConnectionLabel(&label);
        Q_INIT_RESOURCE(NUVStudio);
        const QImage connected = QPixmap(":/NUVStudio/Resources/Connected.png").toImage();
        const QImage disconnected = QPixmap(":/NUVStudio/Resources/Disconnected.png").toImage();
        QVERIFY(!connected.isNull() && connected != disconnected);
        f.link.attemptConnection(); // nothing plugged
        QCOMPARE(label.writes, 1);
        QCOMPARE(label.pixmap().toImage(), disconnected);
        f.station.plugFirmware();
        f.link.attemptConnection();
        QCOMPARE(label.writes, 2);
        QCOMPARE(label.pixmap().toImage(), connected);

        f.link.handleDeviceRemoval({5, "/some/other/device"});
        QVERIFY(f.link.isOpen());
        f.link.handleDeviceRemoval({5, f.station.path()});
        QVERIFY(!f.link.isOpen());
        f.link.updateConnectionIcon();
        QCOMPARE(label.writes, 3);
        QCOMPARE(label.pixmap().toImage(), disconnected);
        QCOMPARE(f.console.takeLines(), (QStringList{connectedText, "Firmware disconnected."}));

        f.station.plugBootloader();
        f.link.setAutoStartFirmware(false);
        f.link.attemptConnection();
        f.link.handleDeviceRemoval({5, f.station.path()});
        QCOMPARE(f.console.takeLines(), (QStringList{"Connected to NUV TAVO bootloader.", "Bootloader disconnected."}));
    }

    void connectionAttemptsCanBeSwitchedOff()
    {
        LinkFixture f;
        f.station.plugFirmware();
        f.link.setConnectionAttemptsEnabled(false);
        f.link.attemptConnection();
        QVERIFY(!f.link.isOpen());
        QVERIFY(f.backend.transfers().empty());
    }

    void exitFirmware()
    {
        LinkFixture f;
        f.link.exitFirmware(); // not open: nothing
        f.connectFirmware();
        f.link.exitFirmware();
        QCOMPARE(f.station.mode(), Mode::Bootloader);
        QCOMPARE(f.console.takeLines(), (QStringList{"Exiting firmware...", "Awaiting bootloader initialization.\n"}));

        LinkFixture g;
        g.connectFirmware();
        g.station.unplug();
        g.link.exitFirmware();
        QCOMPARE(g.console.takeLines(),
                 (QStringList{"Exiting firmware...", "Error exiting firmware.\n", "Error: Generic error\n"}));
    }

    void pollRegisterTraffic()
    {
        LinkFixture f;
        f.station.plugFirmware();
        f.link.attemptConnection();
        f.station.clearRequests();
        f.link.readAvailableEvents(); // the first poll: no tracking yet, the FIFO is cleared
        QCOMPARE(f.registerTraffic(), (QStringList{"r64", "r556", "w40=3", "w40=3", "w40=3", "w40=3", "r43", "r43", "r42"}));
        QVERIFY(f.output.contains("CLEARING FIFO\n"));
        QVERIFY(!f.output.contains("bps:")); // no time has passed for a bit rate

        f.station.clearRequests();
        f.pollAfter(10);
        QCOMPARE(f.registerTraffic().replaceInStrings(QRegularExpression("=.*"), ""), (QStringList{"r55", "r54", "r53", "r52", "r79", "r78", "r77", "w55", "w54", "w53",
                                                   "w52", "r64", "r556", "r43", "r43", "r42"}));
        f.station.clearRequests();
        f.pollAfter(9); // tracking at most once per 10 ms
        QCOMPARE(f.registerTraffic().first(), QString("r64"));

        f.link.lockRFOffset(true);
        f.station.clearRequests();
        f.pollAfter(50);
        QCOMPARE(f.registerTraffic().first(), QString("r64"));
    }

    void frequencyTracking_data()
    {
        QTest::addColumn<int>("tracking");
        QTest::addColumn<int>("offNominal");
        QTest::addColumn<int>("expected"); // off the nominal frequency, after one tracking step
        QTest::newRow("450 lowers by 101 Hz") << 450 << 0 << -101;
        QTest::newRow("-450 raises by 101 Hz") << -450 << 0 << 101;
        QTest::newRow("400 lowers by 1 Hz") << 400 << 0 << -1;
        QTest::newRow("500 is still a reading") << 500 << 0 << -101;
        QTest::newRow("-1 raises by 1 Hz") << -1 << 0 << 1;
        QTest::newRow("0 lowers by 1 Hz") << 0 << 0 << -1;
        QTest::newRow("600 counts as 0") << 600 << 0 << -1;
        QTest::newRow("-600 counts as 0") << -600 << 0 << -1;
        QTest::newRow("5000 off stays") << 0 << 5001 << 5000;
        QTest::newRow("5001 off goes back to nominal") << 0 << 5002 << 0;
        QTest::newRow("far below goes back to nominal") << 450 << -4950 << 0;
    }
    void frequencyTracking()
    {
        QFETCH(int, tracking);
        QFETCH(int, offNominal);
        QFETCH(int, expected);
        LinkFixture f;
        f.connectFirmware();
        const int32_t nominal = f.link.nominalFrequency();
        f.station.setTrackingValue(tracking);
        f.link.setFrequency(nominal + offNominal);
        f.pollAfter(10);
        QCOMPARE(f.station.frequency() - nominal, expected);
    }

    // A radio that reports a frequency beyond what a hertz count holds must not overflow the
    // tracking or the offset: tracking takes it back to the nominal frequency.
    void aFrequencyOutOfRangeGoesBackToNominal()
    {
        LinkFixture f;
        f.connectFirmware();
        const uint8_t word[4] = {0x83, 0x31, 0x2E, 0x1E}; // 2^31 Hz
        for (int i = 0; i < 4; ++i)
            f.station.setRegister(FrequencyRegisters[i], word[i]);
        f.station.setTrackingValue(450);
        f.link.lockRFOffset(true);
        QSignalSpy offset(&f.link, &NUVTAVOInterface::RFOffsetRead);
        for (int i = 1; i < 50; ++i)
            f.pollAfter(10);
        QCOMPARE(offset.count(), 1);
        f.link.lockRFOffset(false);
        f.pollAfter(10);
        QCOMPARE(f.station.frequency(), f.link.nominalFrequency());
    }

    void trackingPullsTheReceiverOntoTheTransmitter()
    {
        LinkFixture f;
        f.station.setTransmitterOffset(460);
        f.connectFirmware();
        for (int i = 0; i < 500; ++i)
            f.pollAfter(10);
        QVERIFY(qAbs(f.station.frequency() - (f.link.nominalFrequency() + 460)) <= 2);
    }

    void releaseQueueHoldsEventsHalfASecondInOrder()
    {
        LinkFixture f;
        f.connectFirmware(); // origin; every code's clock at 0
        QSignalSpy accel(&f.link, &NUVTAVOInterface::accelZEventRead);
        QSignalSpy pressure(&f.link, &NUVTAVOInterface::pressureEventRead);
        QSignalSpy packets(&f.link, &NUVTAVOInterface::packetReceived);
        f.station.pushFifo(accelChunk(255)); // AccelZ stamped now
        f.station.pushFifo({0xE1, 9, 0, 1, 0, 3, 0x01, 0x8B, 0xCD, 0, 0}); // Pressure: its clock lags at 0
        f.pollAfter(1000);
        f.pollAfter(10);
        QCOMPARE(packets.count(), 2);
        f.pollAfter(390); // 0.4 s after the AccelZ
        f.pollAfter(100); // exactly 0.5 s after
        QCOMPARE(accel.count() + pressure.count(), 0);
        f.pollAfter(10);
        QCOMPARE(accel.count(), 1);
        QCOMPARE(accel[0][0].value<NUVEvent_AccelZ>().time, 1.0f);
        // Stamped 0.202 s but queued behind the AccelZ: it waited for it.
        QCOMPARE(pressure.count(), 1);
        QCOMPARE(pressure[0][0].value<NUVEvent_Pressure>().time, float(0.2 * 1.01));
    }

    void signalStrengthFrequencyAndBitRate()
    {
        LinkFixture f;
        f.link.lockRFOffset(true);
        f.station.setRegister(SignalStrengthRegister, uint8_t(-80));
        f.station.setRegister(SignalReferenceRegister, uint8_t(-8));
        f.station.setTrackingValue(100);
        f.connectFirmware(); // poll 0
        f.link.setFrequency(432000300); // stays there: tracking is locked
        const int32_t tuned = f.station.frequency();
        QSignalSpy rssi(&f.link, &NUVTAVOInterface::RSSIEventRead);
        QSignalSpy error(&f.link, &NUVTAVOInterface::frequencyErrorRead);
        QSignalSpy frequency(&f.link, &NUVTAVOInterface::frequencyRead);
        QSignalSpy offset(&f.link, &NUVTAVOInterface::RFOffsetRead);
        QSignalSpy bps(&f.link, &NUVTAVOInterface::BPSRead);
        f.station.pushFifo(accelChunk(0));
        for (int i = 1; i < 50; ++i)
            f.pollAfter(10);
        QCOMPARE(rssi.count(), 1);
        const auto event = rssi[0][0].value<NUVEvent_RSSI>();
        QCOMPARE(event.time, 0.49f);
        const double average = -72 + (-100 + 72) * std::pow(0.995, 50);
        QVERIFY(qAbs(event.rssi - average) < 1e-3);
        QCOMPARE(error.count(), 1);
        QCOMPARE(error[0][0].toInt(), 97);
        QVERIFY(f.output.contains("Frequency offset: 97 Hz\n"));
        QCOMPARE(frequency[0][0].value<long>(), long(tuned));
        QCOMPARE(offset[0][0].toInt(), 432000000 - tuned); // nominal minus tuned

        for (int i = 50; i < 500; ++i)
            f.pollAfter(10);
        QCOMPARE(bps.count(), 0);
        f.pollAfter(10); // poll 500
        QCOMPARE(rssi.count(), 10);
        QCOMPARE(bps.count(), 1);
        QCOMPARE(bps[0][0].toInt(), 8); // 5 counted bytes in 5 s
        QVERIFY(f.output.contains("\tbps: 8\n"));

        f.station.setTrackingValue(2000); // over 1000 Hz: reported as printed only
        for (int i = 501; i <= 550; ++i)
            f.pollAfter(10);
        QCOMPARE(error.count(), 10);
        QVERIFY(f.output.contains("Frequency offset: 1951 Hz\n"));
    }

    // The signal event carries the poll's time in whole milliseconds, not one less where
    // seconds do not convert back exactly.
    void theSignalEventCarriesThePollsMillisecond_data()
    {
        QTest::addColumn<int>("lastPollMs"); // the 50th poll, after 49 polls 10 ms apart
        QTest::newRow("0.49 s") << 490;
        QTest::newRow("8.03 s") << 8030;
    }
    void theSignalEventCarriesThePollsMillisecond()
    {
        QFETCH(int, lastPollMs);
        LinkFixture f;
        f.connectFirmware(); // poll 0
        QSignalSpy rssi(&f.link, &NUVTAVOInterface::RSSIEventRead);
        for (int i = 1; i < 49; ++i)
            f.pollAfter(10);
        f.pollAfter(lastPollMs - 480);
        QCOMPARE(rssi.count(), 1);
        QCOMPARE(rssi[0][0].value<NUVEvent_RSSI>().time, float(lastPollMs / 1000.0));
    }

    void anUnknownChunkTypeClearsTheFifoAtTheNextPoll()
    {
        LinkFixture f;
        f.connectFirmware();
        f.station.pushFifo({0x82, 1, 2, 3, 4, 5});
        f.pollAfter(10);
        QVERIFY(f.output.contains("UNKNOWN FIFO CMD\n"));
        QCOMPARE(f.station.fifoSize(), size_t(5));
        f.station.clearRequests();
        f.pollAfter(10);
        QCOMPARE(f.registerTraffic().count("w40=3"), 4);
        QCOMPARE(f.station.fifoSize(), size_t(0));
    }

    void aReconnectionStartsANewSessionAndNothingHeldIsLost()
    {
        LinkFixture f;
        f.connectFirmware();
        QSignalSpy accel(&f.link, &NUVTAVOInterface::accelZEventRead);
        f.pollAfter(3000);
        f.station.pushFifo(accelChunk(255));
        f.pollAfter(10); // stamped 3.01 s, held
        const std::string path = f.station.path();
        f.station.unplugAfterRequests(3); // in the middle of the next poll
        f.pollAfter(10);
        QCOMPARE(f.station.mode(), Mode::Unplugged);
        f.link.handleDeviceRemoval({5, path});
        QVERIFY(!f.link.isOpen());
        QCOMPARE(accel.count(), 0);
        f.pollAfter(10);
        QCOMPARE(accel.count(), 1); // released when the station went away

        f.station.plugFirmware();
        f.link.attemptConnection();
        f.output.clear();
        f.station.pushFifo(accelChunk(255));
        f.pollAfter(10); // a new origin, and the FIFO cleared first
        QVERIFY(f.output.contains("CLEARING FIFO"));
        QCOMPARE(f.station.fifoSize(), size_t(0));
        f.station.pushFifo(accelChunk(255));
        f.pollAfter(10);
        f.pollAfter(600);
        QCOMPARE(accel.count(), 2);
        QCOMPARE(accel[1][0].value<NUVEvent_AccelZ>().time, 0.01f);
    }

    void emitEventBySignal_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("signal");
        // A code byte alone is enough: missing fields read as 0.
        QTest::newRow("AccelZ") << QByteArray("\x02\x01\x00", 3) << SIGNAL(accelZEventRead(NUVEvent_AccelZ));
        QTest::newRow("Pressure") << QByteArray("\x03", 1) << SIGNAL(pressureEventRead(NUVEvent_Pressure));
        QTest::newRow("computer battery")
            << QByteArray("\x04", 1) << SIGNAL(compBatEventRead(NUVEvent_ComputerBattery));
        QTest::newRow("ejection battery")
            << QByteArray("\x05", 1) << SIGNAL(ejectBatEventRead(NUVEvent_EjectionBattery));
        QTest::newRow("Temperature") << QByteArray("\x06", 1) << SIGNAL(temperatureEventRead(NUVEvent_Temperature));
        QTest::newRow("line A") << QByteArray("\x07", 1) << SIGNAL(inputAEventRead(NUVEvent_LineA));
        QTest::newRow("line B") << QByteArray("\x08", 1) << SIGNAL(inputBEventRead(NUVEvent_LineB));
        QTest::newRow("line C") << QByteArray("\x09", 1) << SIGNAL(inputCEventRead(NUVEvent_LineC));
        QTest::newRow("line D") << QByteArray("\x0A\x00\x00", 3) << SIGNAL(inputDEventRead(NUVEvent_LineD));
        QTest::newRow("AccelXY") << QByteArray("\x0B", 1) << SIGNAL(accelXYEventRead(NUVEvent_AccelXY));
        QTest::newRow("GyroXYZ") << QByteArray("\x0C", 1) << SIGNAL(gyroXYZEventRead(NUVEvent_GyroXYZ));
        QTest::newRow("MagXYZ") << QByteArray("\x0D", 1) << SIGNAL(magXYZEventRead(NUVEvent_MagXYZ));
        QTest::newRow("GPS solution") << QByteArray("\x0E", 1) << SIGNAL(gpsLLSolEventRead(NUVEvent_GPSLLSol));
        QTest::newRow("RSSI") << QByteArray("\x0F\xFF\xB5", 3) << SIGNAL(RSSIEventRead(NUVEvent_RSSI));
        QTest::newRow("Status") << QByteArray("\x10", 1) << SIGNAL(statusEventRead(NUVEvent_Status));
        QTest::newRow("Ident") << QByteArray("\x11", 1) << SIGNAL(identEventRead(NUVEvent_Ident));
        QTest::newRow("GPS time") << QByteArray("\x12", 1) << SIGNAL(gpsTimeEventRead(NUVEvent_GPSTime));
        QTest::newRow("Orientation") << QByteArray("\x15", 1) << SIGNAL(orientationEventRead(NUVEvent_Orientation));
        QTest::newRow("text") << QByteArray("\x01\x01\x41", 3) << SIGNAL(textEventRead(NUVEvent_Text));
    }
    void emitEventBySignal()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, signal);
        LinkFixture f;
        QSignalSpy spy(&f.link, signal.toLatin1().constData());
        const auto event = NUVEvent::fromBytes(reinterpret_cast<const uint8_t *>(record.constData()), record.size());
        f.link.emitEvent(event.get());
        QCOMPARE(spy.count(), 1);
        NUVEvent_DeltaTime delta;
        f.link.emitEvent(&delta); // no signal of its own
        QCOMPARE(spy.count(), 1);
    }

    void channelSlot()
    {
        LinkFixture f;
        f.connectFirmware();
        f.link.setAddress(9);
        QVERIFY(f.output.contains("channel: 9\nSet RF Channel OK: 9\n"));
        QCOMPARE(f.link.nominalFrequency(), SimulatedGroundStation::channelFrequency(9));
        SimulatedGroundStation::Fault refused;
        refused.replyCode = 0;
        f.station.setFault(SetChannelCode, refused);
        f.link.setAddress(10);
        QVERIFY(f.output.contains("Failed to set RF Channel\n"));
    }
};

QTEST_MAIN(TestRadioLink)
#include "TestRadioLink.moc"
