#include "NUVEvent.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_DeltaTime.h"
#include "NUVEvent_EjectionBattery.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GPSTime.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_Ident.h"
#include "NUVEvent_LineA.h"
#include "NUVEvent_LineB.h"
#include "NUVEvent_LineC.h"
#include "NUVEvent_LineD.h"
#include "NUVEvent_MagXYZ.h"
#include "NUVEvent_Orientation.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_RSSI.h"
#include "NUVEvent_Status.h"
#include "NUVEvent_Temperature.h"
#include "NUVEvent_Text.h"
#include "TickClock.h"

#include <QtTest>

using Bytes = std::vector<uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

uint32_t fakeTicks = 0;
uint32_t fakeClock() { return fakeTicks; }

template<class Event>
std::unique_ptr<Event> decodeAs(const Bytes &record)
{
    std::unique_ptr<NUVEvent> event = NUVEvent::fromBytes(record);
    Event *typed = dynamic_cast<Event *>(event.get());
    if (!typed)
        return nullptr;
    event.release();
    return std::unique_ptr<Event>(typed);
}

} // namespace

class TestEventDecoding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The first record decoded by the process starts the clock of every later record.
        fakeTicks = 50000;
        TickClock::setSource(&fakeClock);
        const auto first = decodeAs<NUVEvent_AccelZ>({0x02, 0x01, 0x00});
        QVERIFY(first);
        QCOMPARE(first->time, 0.0f);
    }

    void timeStampsCountFromTheFirstRecord()
    {
        fakeTicks = 51500;
        QCOMPARE(decodeAs<NUVEvent_Pressure>({0x03, 0, 0, 1})->time, 1.5f);
        fakeTicks = 50000 + 123456;
        QCOMPARE(decodeAs<NUVEvent_Status>({0x10, 0, 0})->time, 123456u * 0.001f);
        fakeTicks = 50000;
    }

    void tickWrapKeepsElapsedTime()
    {
        // The tick count is 32-bit: elapsed time is still right after it wraps.
        fakeTicks = 50000 - 1000;
        QCOMPARE(decodeAs<NUVEvent_RSSI>({0x0F, 0, 1})->time, static_cast<float>(uint32_t(-1000)) * 0.001f);
        fakeTicks = 50000;
    }

    void singleValueScalings_data()
    {
        QTest::addColumn<Bytes>("record");
        QTest::addColumn<float>("expected");
        QTest::newRow("accel z -1 g") << Bytes{0x02, 0xFF, 0x00} << -1.0f;
        QTest::newRow("accel z 1 g") << Bytes{0x02, 0x01, 0x00} << 1.0f;
        QTest::newRow("accel z full negative") << Bytes{0x02, 0x80, 0x00} << -128.0f;
        QTest::newRow("accel z one payload byte") << Bytes{0x02, 0xFF} << 0.0f;
        QTest::newRow("pressure") << Bytes{0x03, 0x01, 0x86, 0xA0} << 100000.0f;
        QTest::newRow("pressure top byte") << Bytes{0x03, 0xFF, 0xFF, 0xFF} << 16777215.0f;
        QTest::newRow("pressure two bytes") << Bytes{0x03, 0x01, 0x86} << 0.0f;
        QTest::newRow("computer battery full") << Bytes{0x04, 0xFF, 0xFF} << 65535.0f * (13.3f / 65536.0f);
        QTest::newRow("ejection battery half") << Bytes{0x05, 0x80, 0x00} << 6.65f;
        QTest::newRow("temperature negative") << Bytes{0x06, 0xF8, 0x30} << -2000.0f * 0.01f;
        QTest::newRow("temperature positive") << Bytes{0x06, 0x09, 0xC4} << 2500.0f * 0.01f;
        QTest::newRow("rssi negative") << Bytes{0x0F, 0xFF, 0x9C} << -100.0f;
    }

    void singleValueScalings()
    {
        QFETCH(Bytes, record);
        QFETCH(float, expected);
        std::unique_ptr<NUVEvent> event = NUVEvent::fromBytes(record);
        QVERIFY(event);
        QCOMPARE(event->vref, 3.3f);
        float value = -999.0f;
        if (auto *accel = dynamic_cast<NUVEvent_AccelZ *>(event.get()))
            value = accel->acceleration;
        else if (auto *pressure = dynamic_cast<NUVEvent_Pressure *>(event.get()))
            value = pressure->pressure;
        else if (auto *computer = dynamic_cast<NUVEvent_ComputerBattery *>(event.get()))
            value = computer->voltage;
        else if (auto *ejection = dynamic_cast<NUVEvent_EjectionBattery *>(event.get()))
            value = ejection->voltage;
        else if (auto *temperature = dynamic_cast<NUVEvent_Temperature *>(event.get()))
            value = temperature->temperature;
        else if (auto *rssi = dynamic_cast<NUVEvent_RSSI *>(event.get()))
            value = rssi->rssi;
        QCOMPARE(value, expected);
    }

    void batteryNeverReachesFullScale()
    {
        const auto battery = decodeAs<NUVEvent_ComputerBattery>({0x04, 0xFF, 0xFF});
        QVERIFY(battery->voltage < 13.3f);
        QVERIFY(qAbs(battery->voltage - 13.2998f) < 0.0001f);
    }

    void lineWord()
    {
        const auto flagsOnly = decodeAs<NUVEvent_LineA>({0x07, 0xC0, 0x00});
        QVERIFY(flagsOnly->flagBit15);
        QVERIFY(flagsOnly->flagBit14);
        QCOMPARE(flagsOnly->voltage, 0.0f);

        const auto fullScale = decodeAs<NUVEvent_LineD>({0x0A, 0x3F, 0xFF});
        QVERIFY(!fullScale->flagBit15);
        QVERIFY(!fullScale->flagBit14);
        QCOMPARE(fullScale->voltage, 16383.0f * (3.3f / 16384.0f));
        QVERIFY(qAbs(fullScale->voltage - 3.2998f) < 0.0001f);

        const auto onlyBit15 = decodeAs<NUVEvent_LineA>({0x07, 0x80, 0x01});
        QVERIFY(onlyBit15->flagBit15);
        QVERIFY(!onlyBit15->flagBit14);
        QCOMPARE(onlyBit15->voltage, 3.3f / 16384.0f);
    }

    void eachLineCodeBuildsItsOwnClass()
    {
        QVERIFY(decodeAs<NUVEvent_LineA>({0x07, 0, 0}));
        QVERIFY(decodeAs<NUVEvent_LineB>({0x08, 0, 0}));
        QVERIFY(decodeAs<NUVEvent_LineC>({0x09, 0, 0}));
        QVERIFY(decodeAs<NUVEvent_LineD>({0x0A, 0, 0}));
        QVERIFY(decodeAs<NUVEvent_ComputerBattery>({0x04, 0, 0}));
        QVERIFY(decodeAs<NUVEvent_EjectionBattery>({0x05, 0, 0}));
        QVERIFY(decodeAs<NUVEvent_GyroXYZ>({0x0C}));
        QVERIFY(decodeAs<NUVEvent_MagXYZ>({0x0D}));
    }

    void multiAxisOrderAndSign()
    {
        const auto lateral = decodeAs<NUVEvent_AccelXY>({0x0B, 0x02, 0x00, 0xFE, 0x00});
        QCOMPARE(lateral->x, 2.0f);
        QCOMPARE(lateral->y, -2.0f);

        const auto gyro = decodeAs<NUVEvent_GyroXYZ>({0x0C, 0x00, 0x64, 0xFF, 0x9C, 0x00, 0x01});
        QCOMPARE(gyro->x, 100.0f * 0.07f);
        QCOMPARE(gyro->y, -100.0f * 0.07f);
        QCOMPARE(gyro->z, 0.07f);

        const auto magnetometer = decodeAs<NUVEvent_MagXYZ>({0x0D, 0x7F, 0xFF, 0x80, 0x00, 0x00, 0x00});
        QCOMPARE(magnetometer->x, 32767.0f * 0.000001f);
        QCOMPARE(magnetometer->y, -32768.0f * 0.000001f);
        QCOMPARE(magnetometer->z, 0.0f);

        // A payload cut inside the second field: x decoded, the rest zero.
        const auto cut = decodeAs<NUVEvent_GyroXYZ>({0x0C, 0x00, 0x0A, 0x05});
        QCOMPARE(cut->x, 10.0f * 0.07f);
        QCOMPARE(cut->y, 0.0f);
        QCOMPARE(cut->z, 0.0f);
    }

    void orientation()
    {
        const auto attitude = decodeAs<NUVEvent_Orientation>({0x15, 0x80, 0x00, 0x7F, 0xFF, 0x40, 0x00, 0x00, 0x00});
        QCOMPARE(attitude->x, -1.0f);
        QCOMPARE(attitude->y, 32767.0f / 32768.0f);
        QCOMPARE(attitude->z, 0.5f);
        QCOMPARE(attitude->w, 0.0f);

        const NUVEvent_Orientation initial;
        QCOMPARE(initial.x, 0.0f);
        QCOMPARE(initial.y, 0.0f);
        QCOMPARE(initial.z, 1.0f);
        QCOMPARE(initial.w, 0.0f);
    }

    void gpsSolutionInDoublePrecision()
    {
        // latitude 473977418, longitude -1, altitude 123456 (mm), fix with 12 satellites
        const auto fix = decodeAs<NUVEvent_GPSLLSol>(
            {0x0E, 0x1C, 0x40, 0x52, 0x4A, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0xE2, 0x40, 0x2C});
        QCOMPARE(fix->latitude, 473977418 * 1.0000000116860974e-7);
        QCOMPARE(fix->longitude, -1.0000000116860974e-7);
        QVERIFY(qAbs(fix->latitude - 47.3977418) < 1e-6); // float arithmetic would be off by ~1e-6
        QCOMPARE(fix->altitude, static_cast<float>(123456 * 0.0010000000474974513));
        QVERIFY(fix->fixValid);
        QCOMPARE(fix->satellites, 12u);

        const auto noFix = decodeAs<NUVEvent_GPSLLSol>(
            {0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFC, 0x18, 0xDF});
        QVERIFY(!noFix->fixValid);
        QCOMPARE(noFix->satellites, 31u);
        QCOMPARE(noFix->altitude, -1.0f);

        // The last field missing: the flags byte reads as zero.
        const auto cut = decodeAs<NUVEvent_GPSLLSol>({0x0E, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3});
        QCOMPARE(cut->latitude, 1.0000000116860974e-7);
        QVERIFY(!cut->fixValid);
    }

    void gpsTime()
    {
        const auto gpsTime = decodeAs<NUVEvent_GPSTime>({0x12, 0x12, 0x34, 0x56, 0x78, 0x08, 0x9A, 0xD2});
        QCOMPARE(gpsTime->timeOfWeek, 0x12345678u);
        QCOMPARE(gpsTime->week, uint16_t(0x089A));
        QVERIFY(gpsTime->timeValid);
        QVERIFY(gpsTime->flagBit6);
        QCOMPARE(gpsTime->seconds, 18u);

        const auto onlyValid = decodeAs<NUVEvent_GPSTime>({0x12, 0, 0, 0, 0, 0, 0, 0xBF});
        QVERIFY(onlyValid->timeValid);
        QVERIFY(!onlyValid->flagBit6);
        QCOMPARE(onlyValid->seconds, 63u);
    }

    void statusWord_data()
    {
        QTest::addColumn<Bytes>("record");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("continuity");
        QTest::addColumn<QString>("lowBits");
        QTest::newRow("ground, all lines on") << Bytes{0x10, 0x6F, 0x0A} << 4 << "1111" << "0000" << "1010";
        QTest::newRow("continuity order") << Bytes{0x10, 0x00, 0x90} << 0 << "0000" << "1001" << "0000";
        QTest::newRow("one byte is the high byte") << Bytes{0x10, 0xC5} << 0 << "1010" << "0000" << "0000";
        QTest::newRow("no payload") << Bytes{0x10} << 0 << "0000" << "0000" << "0000";
        for (int phase = 0; phase < 16; ++phase) {
            static const int folded[] = {0, 1, 1, 2, 3, 3, 4};
            QTest::addRow("phase %d", phase) << Bytes{0x10, uint8_t(phase << 4), 0x00}
                                             << (phase < 7 ? folded[phase] : 0) << "0000" << "0000" << "0000";
        }
    }

    void statusWord()
    {
        QFETCH(Bytes, record);
        const auto status = decodeAs<NUVEvent_Status>(record);
        QVERIFY(status);
        const auto bits = [](const NUVEvent_Status::LineFlags &flags) {
            QString text;
            for (bool flag : flags)
                text += flag ? '1' : '0';
            return text;
        };
        QTEST(int(status->state), "state");
        QTEST(bits(status->lineOn), "on");
        QTEST(bits(status->lineContinuity), "continuity");
        QTEST(bits(status->lineLowBits), "lowBits");
    }

    void textAndIdent()
    {
        const auto text = decodeAs<NUVEvent_Text>({0x01, 0x03, 'A', 'B', 'C', 'D'});
        QCOMPARE(text->text, std::string("ABC"));
        // A count beyond the bytes present takes the bytes present.
        const auto shortText = decodeAs<NUVEvent_Text>({0x01, 0xFF, 'x', 'y'});
        QCOMPARE(shortText->text, std::string("xy"));
        QVERIFY(!NUVEvent::fromBytes(Bytes{0x01}));
        QVERIFY(!NUVEvent::fromBytes(Bytes{0x01, 0x05}));

        const auto ident = decodeAs<NUVEvent_Ident>({0x11, 'A', 'B', 'C', 0, 0, 0});
        QCOMPARE(ident->ident, std::string("ABC\0\0\0", 6));
        QCOMPARE(decodeAs<NUVEvent_Ident>({0x11})->ident, std::string());
    }

    void copiesOwnTheirStrings()
    {
        auto source = decodeAs<NUVEvent_Text>({0x01, 0x02, 'h', 'i'});
        const NUVEvent_Text copy(*source);
        source.reset();
        QCOMPARE(copy.text, std::string("hi"));

        auto identSource = std::make_unique<NUVEvent_Ident>();
        identSource->ident = "QORA01";
        const NUVEvent_Ident identCopy(*identSource);
        identSource->ident[0] = 'X';
        identSource.reset();
        QCOMPARE(identCopy.ident, std::string("QORA01"));
    }

    void deltaTimeAndClasslessCodes()
    {
        const auto delta = decodeAs<NUVEvent_DeltaTime>({0x85});
        QCOMPARE(delta->milliseconds, 5.0f);
        QCOMPARE(delta->time, 0.0f);
        QCOMPARE(decodeAs<NUVEvent_DeltaTime>({0x80})->milliseconds, 0.0f);
        QCOMPARE(decodeAs<NUVEvent_DeltaTime>({0xFF})->milliseconds, 127.0f);

        QVERIFY(!NUVEvent::fromBytes(Bytes{}));
        QVERIFY(!NUVEvent::fromBytes(nullptr, 4));
        for (const Bytes &record : {Bytes{0x00}, Bytes{0x13}, Bytes{0x14, 1, 2, 3, 4}, Bytes{0x16}, Bytes{0x7F, 1, 2}})
            QVERIFY(!NUVEvent::fromBytes(record));
    }

    void recordLengths()
    {
        const int expected[22] = {0, 0, 2, 3, 2, 2, 2, 2, 2, 2, 2, 4, 6, 6, 13, 2, 2, 6, 7, 0, 4, 8};
        for (int code = 0; code < 256; ++code) {
            int length = -1;
            if (code < 22)
                length = expected[code];
            else if (code == 128 || code == 255)
                length = 0;
            QCOMPARE(NUVEvent::recordLength(uint8_t(code)), length);
        }
    }

    void metaTypesByClassName()
    {
        for (const char *name : {"NUVEvent_Text", "NUVEvent_AccelZ", "NUVEvent_Pressure", "NUVEvent_ComputerBattery",
                                 "NUVEvent_EjectionBattery", "NUVEvent_Temperature", "NUVEvent_LineA", "NUVEvent_LineB",
                                 "NUVEvent_LineC", "NUVEvent_LineD", "NUVEvent_AccelXY", "NUVEvent_GyroXYZ",
                                 "NUVEvent_MagXYZ", "NUVEvent_GPSLLSol", "NUVEvent_RSSI", "NUVEvent_Status",
                                 "NUVEvent_Ident", "NUVEvent_GPSTime", "NUVEvent_Orientation"})
            QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);

        // A queued value keeps its fields.
        NUVEvent_Status status(2500, 3, {true, false, false, true}, {}, {false, true, false, false});
        const QVariant carried = QVariant::fromValue(status);
        const auto received = carried.value<NUVEvent_Status>();
        QCOMPARE(received.time, 2.5f);
        QCOMPARE(received.state, 3);
        QVERIFY(received.lineOn[3]);
        QVERIFY(received.lineLowBits[1]);
    }
};

QTEST_GUILESS_MAIN(TestEventDecoding)
#include "TestEventDecoding.moc"
