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
        // The sum of each byte and its offset wraps at 16 bits.
        NUVQORASettings::Image full;
        full.fill(0xFF);
        QCOMPARE(NUVQORASettings::checksumOf(full), uint16_t((95 * 255 + 4465) & 0xFFFF));

        // The accessors read the fields the factory image holds.
        QCOMPARE(settings.firmwareVersion(), uint16_t(0x0210));
        QCOMPARE(int(settings.lineMode(1)), 6);
        QCOMPARE(int(settings.lineTime(1)), 150);
        QCOMPARE(int(settings.lineAltitude(0)), 500);
        QCOMPARE(settings.lineMaxAngle(3), NUVQORASettings::NoAngleLimit);
        QCOMPARE(int(settings.lineStage(3)), 5);
        QCOMPARE(int(settings.minComputerVoltage()), 60);
        QCOMPARE(settings.callsign(), QStringLiteral("QORA"));
        QCOMPARE(int(settings.flags()), NUVQORASettings::WriteToFlash | (1 << NUVQORASettings::DataRateShift)
                                           | NUVQORASettings::LowVoltageCutOff);
        QCOMPARE(int(settings.writeMultiple(0)), 10);
        QCOMPARE(int(settings.txPriority(5)), 2);
        QCOMPARE(int(settings.txPriority(15)), 1);
        QVERIFY(QMetaType::type("NUVQORASettings") != QMetaType::UnknownType);
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

        const auto hex = [&settings](int offset, int count) {
            return QByteArray(reinterpret_cast<const char *>(settings.image.data()) + offset, count).toHex();
        };
        QCOMPARE(hex(0, 3), QByteArray("030281"));
        QCOMPARE(settings.pressureOffset(), int8_t(-127));
        QCOMPARE(hex(19, 4), QByteArray("b2a13412"));
        QCOMPARE(hex(31, 2), QByteArray("0605"));
        QCOMPARE(hex(86, 2), QByteArray("feff"));
        QCOMPARE(settings.lineMaxAngle(2), int16_t(-2));
        QCOMPARE(hex(64, 1) + hex(80, 1) + hex(94, 1), QByteArray("080902"));
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
};

QTEST_GUILESS_MAIN(TestSettingsBlock)
#include "TestSettingsBlock.moc"
