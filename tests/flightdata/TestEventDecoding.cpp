#include "FakeTickClock.h"
#include "FlightTestSupport.h"

#include <QtTest>

using Bytes = std::vector<uint8_t>;
Q_DECLARE_METATYPE(Bytes)

class TestEventDecoding : public QObject
{
    Q_OBJECT

    FakeTickClock clock;

private slots:
    void initTestCase()
    {
        // The first record decoded by the process starts the clock of every later record.
        clock.set(50000);
        QCOMPARE(NUVEvent::fromBytes(Bytes{0x02, 0x01, 0x00})->time, 0.0f);
    }

    void timeStampsCountFromTheFirstRecord()
    {
        clock.set(51500);
        QCOMPARE(NUVEvent::fromBytes(Bytes{0x03, 0, 0, 1})->time, 1.5f);
        clock.set(50000 + 123456);
        QCOMPARE(NUVEvent::fromBytes(Bytes{0x10, 0, 0})->time, 123456u * 0.001f);
        // The tick count is 32-bit: elapsed time is still right after it wraps.
        clock.set(50000 - 1000);
        QCOMPARE(NUVEvent::fromBytes(Bytes{0x0F, 0, 1})->time, static_cast<float>(uint32_t(-1000)) * 0.001f);
        clock.set(50000);
    }

    void decodesRecords_data()
    {
        QTest::addColumn<Bytes>("record");
        QTest::addColumn<QString>("fields");
        QTest::newRow("accel z -1 g") << Bytes{0x02, 0xFF, 0x00} << "AccelZ -1";
        QTest::newRow("accel z 1 g") << Bytes{0x02, 0x01, 0x00} << "AccelZ 1";
        QTest::newRow("accel z full negative") << Bytes{0x02, 0x80, 0x00} << "AccelZ -128";
        QTest::newRow("accel z one payload byte") << Bytes{0x02, 0xFF} << "AccelZ 0";
        QTest::newRow("pressure") << Bytes{0x03, 0x01, 0x86, 0xA0} << "Pressure 100000";
        QTest::newRow("pressure top byte") << Bytes{0x03, 0xFF, 0xFF, 0xFF} << "Pressure 1.67772e+07";
        QTest::newRow("pressure two bytes") << Bytes{0x03, 0x01, 0x86} << "Pressure 0";
        QTest::newRow("computer battery below full scale") << Bytes{0x04, 0xFF, 0xFF} << "ComputerBattery 13.2998";
        QTest::newRow("ejection battery half") << Bytes{0x05, 0x80, 0x00} << "EjectionBattery 6.65";
        QTest::newRow("temperature negative") << Bytes{0x06, 0xF8, 0x30} << "Temperature -20";
        QTest::newRow("temperature positive") << Bytes{0x06, 0x09, 0xC4} << "Temperature 25";
        QTest::newRow("rssi negative") << Bytes{0x0F, 0xFF, 0x9C} << "RSSI -100";
        QTest::newRow("line flags only") << Bytes{0x07, 0xC0, 0x00} << "LineA 1 1 0";
        QTest::newRow("line bit 15 and one step") << Bytes{0x07, 0x80, 0x01} << "LineA 1 0 0.000201416";
        QTest::newRow("line B bit 14") << Bytes{0x08, 0x40, 0x00} << "LineB 0 1 0";
        QTest::newRow("line C half") << Bytes{0x09, 0x20, 0x00} << "LineC 0 0 1.65";
        QTest::newRow("line D full scale") << Bytes{0x0A, 0x3F, 0xFF} << "LineD 0 0 3.2998";
        QTest::newRow("lateral order and sign") << Bytes{0x0B, 0x02, 0x00, 0xFE, 0x00} << "AccelXY 2 -2";
        QTest::newRow("gyro") << Bytes{0x0C, 0x00, 0x64, 0xFF, 0x9C, 0x00, 0x01} << "Gyro 7 -7 0.07";
        QTest::newRow("gyro cut in the second field") << Bytes{0x0C, 0x00, 0x0A, 0x05} << "Gyro 0.7 0 0";
        QTest::newRow("magnetometer extremes") << Bytes{0x0D, 0x7F, 0xFF, 0x80, 0x00, 0x00, 0x00}
                                               << "Mag 0.032767 -0.032768 0";
        QTest::newRow("magnetometer no payload") << Bytes{0x0D} << "Mag 0 0 0";
        QTest::newRow("orientation") << Bytes{0x15, 0x80, 0x00, 0x7F, 0xFF, 0x40, 0x00, 0x00, 0x00}
                                     << "Orientation -1 0.999969 0.5 0";
        // Latitude 473977418, longitude -1, altitude 123456 mm, fix with 12 satellites; float
        // arithmetic would be off by about 1e-6 degrees.
        QTest::newRow("gps double precision")
            << Bytes{0x0E, 0x1C, 0x40, 0x52, 0x4A, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0xE2, 0x40, 0x2C}
            << "GPSLLSol 47.3977423539 -1.00000001169e-07 123.456 1 12";
        QTest::newRow("gps no fix") << Bytes{0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFC, 0x18, 0xDF}
                                    << "GPSLLSol 0 0 -1 0 31";
        QTest::newRow("gps without flags") << Bytes{0x0E, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3}
                                           << "GPSLLSol 1.00000001169e-07 2.00000002337e-07 0.003 0 0";
        QTest::newRow("gps time") << Bytes{0x12, 0x12, 0x34, 0x56, 0x78, 0x08, 0x9A, 0xD2}
                                  << "GPSTime 305419896 2202 1 1 18";
        QTest::newRow("gps time only valid") << Bytes{0x12, 0, 0, 0, 0, 0, 0, 0xBF} << "GPSTime 0 0 1 0 63";
        QTest::newRow("status ground, all lines on") << Bytes{0x10, 0x6F, 0x0A} << "Status 4 1111 0000 1010";
        QTest::newRow("status continuity order") << Bytes{0x10, 0x00, 0x90} << "Status 0 0000 1001 0000";
        QTest::newRow("status one byte is the high byte") << Bytes{0x10, 0xC5} << "Status 0 1010 0000 0000";
        QTest::newRow("status no payload") << Bytes{0x10} << "Status 0 0000 0000 0000";
        for (int phase = 0; phase < 16; ++phase) {
            static const int folded[] = {0, 1, 1, 2, 3, 3, 4};
            QTest::addRow("phase %d", phase) << Bytes{0x10, uint8_t(phase << 4), 0x00}
                                             << QString("Status %1 0000 0000 0000").arg(phase < 7 ? folded[phase] : 0);
        }
        QTest::newRow("text") << Bytes{0x01, 0x03, 'A', 'B', 'C', 'D'} << "Text ABC";
        QTest::newRow("text count beyond the bytes") << Bytes{0x01, 0xFF, 'x', 'y'} << "Text xy";
        QTest::newRow("text without count") << Bytes{0x01} << "none";
        QTest::newRow("text without bytes") << Bytes{0x01, 0x05} << "none";
        QTest::newRow("ident keeps NUL bytes") << Bytes{0x11, 'A', 'B', 'C', 0, 0, 0} << "Ident ABC\\x00\\x00\\x00";
        QTest::newRow("ident no payload") << Bytes{0x11} << "Ident ";
        QTest::newRow("delta time") << Bytes{0x85} << "DeltaTime 5";
        QTest::newRow("delta time zero") << Bytes{0x80} << "DeltaTime 0";
        QTest::newRow("delta time largest") << Bytes{0xFF} << "DeltaTime 127";
        QTest::newRow("empty record") << Bytes{} << "none";
        for (const Bytes &classless :
             {Bytes{0x00}, Bytes{0x13}, Bytes{0x14, 1, 2, 3, 4}, Bytes{0x16}, Bytes{0x7F, 1, 2}})
            QTest::addRow("classless code %d", classless[0]) << classless << "none";
    }

    void decodesRecords()
    {
        QFETCH(Bytes, record);
        const std::unique_ptr<NUVEvent> event = NUVEvent::fromBytes(record);
        QTEST(describe(event.get()), "fields");
        if (event) {
            QCOMPARE(event->time, 0.0f);
            QCOMPARE(event->vref, 3.3f);
            // Each event names the kind of the record it came from.
            QCOMPARE(int(event->code()), record[0] & 0x80 ? int(NUVEventCode::DeltaTime) : int(record[0]));
        }
    }

    void recordLengths()
    {
        QVERIFY(!NUVEvent::fromBytes(nullptr, 4));
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

    void eventsTravelAsMetaTypes()
    {
        for (const char *name : {"NUVEvent_Text", "NUVEvent_AccelZ", "NUVEvent_Pressure", "NUVEvent_ComputerBattery",
                                 "NUVEvent_EjectionBattery", "NUVEvent_Temperature", "NUVEvent_LineA", "NUVEvent_LineB",
                                 "NUVEvent_LineC", "NUVEvent_LineD", "NUVEvent_AccelXY", "NUVEvent_GyroXYZ",
                                 "NUVEvent_MagXYZ", "NUVEvent_GPSLLSol", "NUVEvent_RSSI", "NUVEvent_Status",
                                 "NUVEvent_Ident", "NUVEvent_GPSTime", "NUVEvent_Orientation"})
            QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);

        // The status built from its parts, as the telemetry makes it, carried in a variant.
        const NUVEvent_Status status(2500, 3, {true, false, false, true}, {}, {false, true, false, false});
        const auto received = QVariant::fromValue(status).value<NUVEvent_Status>();
        QCOMPARE(received.time, 2.5f);
        QCOMPARE(describe(&received), QString("Status 3 1001 0000 0100"));
    }
};

QTEST_GUILESS_MAIN(TestEventDecoding)
#include "TestEventDecoding.moc"
