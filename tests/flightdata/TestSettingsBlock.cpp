#include "NUVQORASettings.h"

#include <QtTest>

namespace {

const uint8_t defaultBytes[95] = {
    0x10, 0x02, 0x00, 0x00, 0x00, 0x05, 0x06, 0x00, 0x00, 0x14, 0x14, 0x14, 0x14, 0x64, 0x00, 0x96,
    0x00, 0xC8, 0x00, 0xC8, 0x00, 0xF4, 0x01, 0x96, 0x00, 0x64, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x3C, 0x51, 0x4F, 0x52, 0x41, 0x00, 0x00, 0x92, 0x0A, 0x01, 0x01,
    0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02, 0x05, 0x05, 0x05, 0x05, 0x05, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0xF0, 0xD8, 0xF0, 0xD8, 0xF0, 0xD8, 0xF0, 0xD8, 0x02, 0x03, 0x04, 0x05, 0x00,
};

} // namespace

class TestSettingsBlock : public QObject
{
    Q_OBJECT

private slots:
    void resetWritesTheFactoryImageAndKeepsValid()
    {
        NUVQORASettings settings;
        QVERIFY(!settings.valid);
        settings.image.fill(0xFF);
        settings.valid = true;
        settings.reset();
        QVERIFY(settings.valid);
        QVERIFY(std::equal(std::begin(defaultBytes), std::end(defaultBytes), settings.image.begin()));

        uint16_t sum = 0;
        for (int i = 0; i < 95; ++i)
            sum = uint16_t(sum + defaultBytes[i] + i);
        QCOMPARE(settings.storedChecksum(), sum);
        QCOMPARE(settings.image[95], uint8_t(sum & 0xFF));
        QCOMPARE(settings.image[96], uint8_t(sum >> 8));
    }

    void checksumRule()
    {
        NUVQORASettings::Image zeros{};
        QCOMPARE(NUVQORASettings::checksumOf(zeros), uint16_t(4465));
        NUVQORASettings settings;
        settings.image = zeros;
        settings.updateChecksum();
        QCOMPARE(settings.image[95], uint8_t(0x71));
        QCOMPARE(settings.image[96], uint8_t(0x11));

        // Each byte before the checksum counts once; the checksum bytes themselves do not.
        for (size_t i = 0; i < NUVQORASettings::ImageSize; ++i) {
            NUVQORASettings::Image changed = zeros;
            changed[i] = 1;
            QCOMPARE(NUVQORASettings::checksumOf(changed), uint16_t(i < 95 ? 4466 : 4465));
        }

        // The sum wraps at 16 bits.
        NUVQORASettings::Image full;
        full.fill(0xFF);
        QCOMPARE(NUVQORASettings::checksumOf(full), uint16_t((95 * 255 + 4465) & 0xFFFF));
    }

    void defaultFields()
    {
        const NUVQORASettings settings;
        QCOMPARE(settings.firmwareVersion(), uint16_t(0x0210));
        QCOMPARE(settings.pressureOffset(), int8_t(0));
        const int modes[] = {5, 6, 0, 0}, times[] = {100, 150, 200, 200}, altitudes[] = {500, 150, 100, 100};
        for (int line = 0; line < 4; ++line) {
            QCOMPARE(int(settings.lineMode(line)), modes[line]);
            QCOMPARE(int(settings.lineOnTime(line)), 20);
            QCOMPARE(int(settings.lineTime(line)), times[line]);
            QCOMPARE(int(settings.lineAltitude(line)), altitudes[line]);
            QCOMPARE(int(settings.lineDelay(line)), 0);
            QCOMPARE(settings.lineMaxAngle(line), NUVQORASettings::NoAngleLimit);
            QCOMPARE(int(settings.lineStage(line)), line + 2);
        }
        QCOMPARE(int(settings.minComputerVoltage()), 60);
        QCOMPARE(settings.callsign(), QStringLiteral("QORA"));
        QCOMPARE(int(settings.flags()), NUVQORASettings::WriteToFlash | (1 << NUVQORASettings::DataRateShift)
                                           | NUVQORASettings::LowVoltageCutOff);
        const int multiples[] = {10, 1, 1, 0};
        for (int stage = 0; stage < 4; ++stage)
            QCOMPARE(int(settings.writeMultiple(stage)), multiples[stage]);
        const int priorities[] = {1, 1, 0, 0, 0, 2, 5, 5, 5, 5, 5, 0, 0, 0, 0, 1};
        for (int kind = 0; kind < 16; ++kind) {
            QCOMPARE(int(settings.writeRate(kind)), 1);
            QCOMPARE(int(settings.txPriority(kind)), priorities[kind]);
        }
        QCOMPARE(int(settings.rfChannel()), 0);
        QCOMPARE(int(settings.gpsGate()), 0);
    }

    void fieldsAreLittleEndianAtTheirOffsets()
    {
        NUVQORASettings settings;
        settings.image.fill(0);
        settings.setFirmwareVersion(0x0203);
        settings.setPressureOffset(-127);
        settings.setLineTime(3, 0xA1B2);
        settings.setLineAltitude(0, 0x1234);
        settings.setLineDelay(1, 0x0506);
        settings.setLineMaxAngle(2, -2);
        settings.setTxPriority(15, 9);
        settings.setWriteRate(15, 8);
        settings.setGpsGate(2);
        settings.updateChecksum();

        QCOMPARE(settings.image[0], uint8_t(0x03));
        QCOMPARE(settings.image[1], uint8_t(0x02));
        QCOMPARE(settings.image[2], uint8_t(0x81));
        QCOMPARE(settings.pressureOffset(), int8_t(-127));
        QCOMPARE(settings.image[19], uint8_t(0xB2));
        QCOMPARE(settings.image[20], uint8_t(0xA1));
        QCOMPARE(settings.image[21], uint8_t(0x34));
        QCOMPARE(settings.image[22], uint8_t(0x12));
        QCOMPARE(settings.image[31], uint8_t(0x06));
        QCOMPARE(settings.image[32], uint8_t(0x05));
        QCOMPARE(settings.image[86], uint8_t(0xFE));
        QCOMPARE(settings.image[87], uint8_t(0xFF));
        QCOMPARE(settings.lineMaxAngle(2), int16_t(-2));
        QCOMPARE(settings.image[80], uint8_t(9));
        QCOMPARE(settings.image[64], uint8_t(8));
        QCOMPARE(settings.image[94], uint8_t(2));
        QCOMPARE(settings.storedChecksum(), settings.calculatedChecksum());
        QVERIFY_EXCEPTION_THROWN(settings.lineMode(4), std::out_of_range);
        QVERIFY_EXCEPTION_THROWN(settings.setTxPriority(-1, 0), std::out_of_range);
    }

    void callsignIsNulPaddedLatin1()
    {
        NUVQORASettings settings;
        settings.setCallsign(QStringLiteral("AB"));
        QCOMPARE(settings.image[38], uint8_t('A'));
        QCOMPARE(settings.image[39], uint8_t('B'));
        for (int i = 40; i < 44; ++i)
            QCOMPARE(settings.image[i], uint8_t(0));
        QCOMPARE(settings.callsign(), QStringLiteral("AB"));

        settings.setCallsign(QStringLiteral("ÄBCDEFGH"));
        QCOMPARE(settings.image[38], uint8_t(0xC4));
        QCOMPARE(settings.image[43], uint8_t('F'));
        QCOMPARE(settings.image[44], uint8_t(0x92)); // the flags after it are untouched
        QCOMPARE(settings.callsign(), QStringLiteral("ÄBCDEF"));
    }

    void copiesAndTravelsAsAMetaType()
    {
        NUVQORASettings settings;
        settings.valid = true;
        settings.setRfChannel(77);
        const QVariant carried = QVariant::fromValue(settings);
        QVERIFY(QMetaType::type("NUVQORASettings") != QMetaType::UnknownType);
        NUVQORASettings received = carried.value<NUVQORASettings>();
        QVERIFY(received == settings);
        received.setRfChannel(1);
        QCOMPARE(int(settings.rfChannel()), 77);
    }
};

QTEST_GUILESS_MAIN(TestSettingsBlock)
#include "TestSettingsBlock.moc"
