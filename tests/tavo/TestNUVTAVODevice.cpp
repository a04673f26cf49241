#include "GroundStationFixture.h"

#include "NUVTAVODevice.h"

#include <QtTest>

using namespace NUVTAVOProtocol;
using Transfer = SimulatedHidBackend::Transfer;
using Fault = SimulatedGroundStation::Fault;

namespace {

// Every written report as "code: data bytes" in hexadecimal, up to its last non-zero byte.
QStringList writtenReports(const SimulatedHidBackend &backend)
{
    QStringList reports;
    for (const Transfer &t : backend.transfers()) {
        if (t.kind != Transfer::Write)
            continue;
        int end = 65;
        while (end > 2 && t.report[end - 1] == 0)
            --end;
        QString text = QString::number(t.report[1]) + ":";
        for (int i = 2; i < end; ++i)
            text += QStringLiteral(" %1").arg(t.report[i], 2, 16, QLatin1Char('0'));
        reports << text;
    }
    return reports;
}

struct DeviceFixture : StationFixture
{
    CapturedOutput output;
    NUVTAVODevice device;

    DeviceFixture()
    {
        station.plugFirmware();
        uint16_t version = 0;
        device.connectFirmware(version);
        backend.clearTransfers();
    }
};

} // namespace

Q_DECLARE_METATYPE(SimulatedGroundStation::Fault)

// The ground station's command layer against the simulated station: request bytes, waits,
// frequency words, the tracking value and every failure result.
class TestNUVTAVODevice : public QObject
{
    Q_OBJECT

private slots:
    void registerRequestsByteForByte_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("reg");
        QTest::addColumn<QString>("report");
        QTest::newRow("read 556") << false << 556 << "6: 2c 02";
        QTest::newRow("read 41") << false << 41 << "6: 29";
        QTest::newRow("write 3 to 40") << true << 40 << "7: 28 00 03";
    }
    void registerRequestsByteForByte()
    {
        QFETCH(bool, write);
        QFETCH(int, reg);
        QFETCH(QString, report);
        DeviceFixture f;
        f.station.setRegister(556, 0xF6);
        uint8_t value = 0;
        QCOMPARE(write ? f.device.writeRegister(reg, 3) : f.device.readRegister(reg, value), 0);
        QCOMPARE(writtenReports(f.backend), QStringList{report});
        for (const Transfer &t : f.backend.transfers())
            QCOMPARE(t.timeoutMs, 500u);
        if (reg == 556)
            QCOMPARE(value, uint8_t(0xF6));
    }

    void frequencyWordBothWays()
    {
        DeviceFixture f;
        QCOMPARE(f.device.setFrequency(432000000), 0);
        QCOMPARE(f.registerTraffic(), (QStringList{"w55=123", "w54=47", "w53=100", "w52=26"})); // 0x1A642F7B
        QCOMPARE(frequencyWord(432000000), 442773371u);
        int32_t hertz = 0;
        QCOMPARE(f.device.getFrequency(hertz), 0);
        QCOMPARE(hertz, 432000000);

        f.device.setFrequency(432000123);
        f.device.getFrequency(hertz);
        QVERIFY(qAbs(hertz - 432000123) <= 1); // one word step is under a hertz
        QCOMPARE(f.station.frequency(), hertz);
    }

    void trackingValueIsTwentyBitTwosComplement_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("hertz");
        QTest::newRow("most negative") << -524288 << -511532;
        QTest::newRow("minus one") << -1 << -1;
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("450") << 450 << 439;
        QTest::newRow("most positive") << 524287 << 511530;
    }
    void trackingValueIsTwentyBitTwosComplement()
    {
        QFETCH(int, value);
        QFETCH(int, hertz);
        DeviceFixture f;
        f.station.setTrackingValue(value);
        QCOMPARE(f.device.readTrackingValue(), value);
        QCOMPARE(f.registerTraffic(), (QStringList{"r79", "r78", "r77"}));
        QCOMPARE(trackingHertz(value), hertz);
    }

    void bit19OfTheTrackingRegistersIsTheSign()
    {
        QCOMPARE(trackingValue(0x08, 0x00, 0x00), -524288);
        QCOMPARE(trackingValue(0xF7, 0xFF, 0xFF), 524287); // the register's upper nibble is not part of it
    }

    void failuresAndTheirResults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("result");
        Fault wrongCode;
        wrongCode.replyCode = 3;
        Fault silent;
        silent.noReply = true;
        QTest::newRow("wrong reply code") << wrongCode << 5;
        QTest::newRow("no reply") << silent << 6;
    }
    void failuresAndTheirResults()
    {
        QFETCH(Fault, fault);
        QFETCH(int, result);
        DeviceFixture f;
        f.station.setFault(ReadRegisterCode, fault);
        uint8_t value = 0x5A;
        QCOMPARE(f.device.readRegister(64, value), result);
        QCOMPARE(value, uint8_t(0x5A));
        QCOMPARE(f.device.writeRegister(40, 3), 0); // only reads are hit
        f.station.setFault(WriteRegisterCode, fault);
        QCOMPARE(f.device.writeRegister(40, 3), result);
        QCOMPARE(f.device.setFrequency(432000000), 0); // a frequency set reports no partial failure
    }

    void aLateReplyIsNotTakenForTheNextAnswer()
    {
        DeviceFixture f;
        f.station.setRegister(64, 11);
        f.station.setRegister(556, 22);
        Fault late;
        late.reg = 64;
        late.lateReply = true;
        f.station.setFault(ReadRegisterCode, late);
        uint8_t value = 0;
        QCOMPARE(f.device.readRegister(64, value), 6);
        QCOMPARE(f.device.readRegister(556, value), 0);
        QCOMPARE(value, uint8_t(22));
        QVERIFY(f.registerTraffic().contains("code 255"));
    }

    void nothingIsSentWhileTheFirmwareIsClosed()
    {
        StationFixture f;
        CapturedOutput output;
        NUVTAVODevice device;
        uint8_t value = 0;
        int32_t hertz = 0;
        QCOMPARE(device.readRegister(64, value), 1);
        QCOMPARE(device.writeRegister(40, 3), 1);
        QCOMPARE(device.setRFChannel(1), 1);
        QCOMPARE(device.setFrequency(432000000), 1);
        QCOMPARE(device.getFrequency(hertz), 1);
        QCOMPARE(device.exitFirmware(), 1);
        QVERIFY(f.backend.transfers().empty());
    }

    void channelSetsTheNominalFrequency()
    {
        DeviceFixture f;
        QCOMPARE(f.device.setRFChannel(4), 0);
        QVERIFY(f.output.contains("channel: 4\n"));
        QCOMPARE(writtenReports(f.backend).first(), QString("5: 04"));
        QCOMPARE(f.station.channel(), 4);
        QCOMPARE(f.device.nominalFrequency(), SimulatedGroundStation::channelFrequency(4));

        Fault refused;
        refused.replyCode = 9;
        f.station.setFault(SetChannelCode, refused);
        QCOMPARE(f.device.setRFChannel(7), 5);
        QCOMPARE(f.device.nominalFrequency(), SimulatedGroundStation::channelFrequency(4));
    }

    void exitFirmwareOnlySends()
    {
        DeviceFixture f;
        QCOMPARE(f.device.exitFirmware(), 0);
        QCOMPARE(writtenReports(f.backend), QStringList{"8:"});
        QCOMPARE(int(f.backend.transfers().size()), 1);
        QCOMPARE(f.station.mode(), SimulatedGroundStation::Mode::Bootloader);
    }

    void connectsWithTheStationsIdentity()
    {
        StationFixture f;
        CapturedOutput output;
        NUVTAVODevice device;
        uint16_t version = 0;
        f.station.plugBootloader();
        QCOMPARE(device.connectBootloader(version), 0);
        QCOMPARE(device.startFirmware(), 0);
        QCOMPARE(f.station.mode(), SimulatedGroundStation::Mode::Firmware);
        QCOMPARE(device.connectFirmware(version), 0);
        QCOMPARE(version, uint16_t(0x202));
        QCOMPARE(device.expectedVersionText(), QString("2.0x"));

        f.station.setFirmwareVersion(0x211);
        f.station.plugFirmware();
        NUVTAVODevice other;
        QCOMPARE(other.connectFirmware(version), 3);
        QCOMPARE(version, uint16_t(0x211));
    }
};

QTEST_GUILESS_MAIN(TestNUVTAVODevice)
#include "TestNUVTAVODevice.moc"
