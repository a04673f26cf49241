#include "FlightMemoryParser.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_Pressure.h"
#include "NUVQORAFlight.h"
#include "TickClock.h"

#include <QtTest>

#include <sstream>

using Bytes = std::vector<uint8_t>;
using Flights = std::vector<std::shared_ptr<NUVQORAFlight>>;

namespace {

// A settings block with a correct checksum; `variant` changes its rf channel.
Bytes settingsBlock(uint8_t variant = 0)
{
    NUVQORASettings settings;
    settings.setRfChannel(variant);
    settings.updateChecksum();
    return Bytes(settings.image.begin(), settings.image.end());
}

Bytes image(std::initializer_list<Bytes> parts)
{
    Bytes bytes;
    for (const Bytes &part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

const Bytes marker{0x13};

Flights parse(const Bytes &bytes, std::string *console = nullptr)
{
    std::ostringstream out;
    Flights flights = FlightMemoryParser(bytes.data(), bytes.size(), out).parse();
    if (console)
        *console = out.str();
    return flights;
}

float accelerationOf(const NUVEvent *event)
{
    const auto *accel = dynamic_cast<const NUVEvent_AccelZ *>(event);
    return accel ? accel->acceleration : -999.0f;
}

uint32_t fakeTicks = 0;
uint32_t fakeClock() { return fakeTicks; }

} // namespace

class TestMemoryParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // An image without a single record decodes nothing, so it must not start the clock
        // that stamps live readings; this runs before anything else here decodes a record.
        TickClock::setSource(&fakeClock);
        fakeTicks = 1000;
        QCOMPARE(parse(image({marker, settingsBlock(), Bytes(8, 0xFF)})).size(), size_t(1));
        fakeTicks = 5000;
        QCOMPARE(NUVEvent::fromBytes(Bytes{0x02, 0x01, 0x00})->time, 0.0f);
        TickClock::setSource(nullptr);
    }

    void lastRecordOfAFlightIsDropped()
    {
        const Flights flights = parse(image({marker, settingsBlock(), {0x02, 0x00, 0x80, 0x81, 0x02, 0x00, 0xC0, 0xFF}}));
        QCOMPARE(flights.size(), size_t(1));
        const NUVQORAFlight &flight = *flights[0];
        QVERIFY(flight.settings.valid);
        QVERIFY(flight.settings.image == NUVQORASettings().image);
        QCOMPARE(flight.events.size(), size_t(1));
        QCOMPARE(accelerationOf(flight.events[0].get()), 0.5f);
        QCOMPARE(flight.events[0]->time, 0.0f);
    }

    void aMarkerEndsAFlightAndStartsTheNext()
    {
        const Flights flights = parse(image({marker, settingsBlock(1), {0x02, 0x00, 0x80}, marker, settingsBlock(2),
                                             {0x03, 0x01, 0x86, 0xA0, 0x8A, 0x06, 0x00, 0x64, 0xFF}}));
        QCOMPARE(flights.size(), size_t(2));
        QVERIFY(flights[0]->events.empty());
        QCOMPARE(int(flights[0]->settings.rfChannel()), 1);
        QCOMPARE(int(flights[1]->settings.rfChannel()), 2);
        QCOMPARE(flights[1]->events.size(), size_t(1));
        const auto *pressure = dynamic_cast<const NUVEvent_Pressure *>(flights[1]->events[0].get());
        QVERIFY(pressure);
        QCOMPARE(pressure->pressure, 100000.0f);
        QCOMPARE(pressure->time, 0.0f);
    }

    void damagedBlockIsSkippedAndScanningResumesInsideIt()
    {
        // The first marker's block starts with the real marker, so its checksum fails and the
        // scan resumes one byte later, on the real flight.
        std::string console;
        const Flights flights = parse(image({marker, marker, settingsBlock(4), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0xFF}}),
                                      &console);
        QCOMPARE(flights.size(), size_t(1));
        QCOMPARE(int(flights[0]->settings.rfChannel()), 4);
        QCOMPARE(flights[0]->events.size(), size_t(1));
        QCOMPARE(accelerationOf(flights[0]->events[0].get()), 1.0f);
        QCOMPARE(QString::fromStdString(console).count("flight marker found."), 2);

        // A damaged block followed by a good flight later in the image.
        Bytes damaged = settingsBlock(3);
        damaged[95] = uint8_t(damaged[95] + 1);
        const Flights later = parse(image({marker, damaged, {0x02, 0x01, 0x00, 0x00}, marker, settingsBlock(5), {0xFF}}));
        QCOMPARE(later.size(), size_t(1));
        QCOMPARE(int(later[0]->settings.rfChannel()), 5);
    }

    void classlessRecordEndsTheFlightAndScanResumesAfterIt()
    {
        // Code 20 carries four bytes; the 0x13 inside them is not a marker.
        const Flights flights = parse(image({marker, settingsBlock(), {0x14, 0x13, 0x02, 0x03, 0x04, 0x02, 0x00, 0x80},
                                             Bytes(120, 0xFF)}));
        QCOMPARE(flights.size(), size_t(1));
        QVERIFY(flights[0]->events.empty());

        // The scan goes on after the classless record and finds the next flight.
        const Flights next = parse(image({marker, settingsBlock(5), {0x14, 1, 2, 3, 4}, marker, settingsBlock(6),
                                          {0x02, 0x01, 0x00, 0x81, 0x02, 0x02, 0x00, 0x00, 0xFF}}));
        QCOMPARE(next.size(), size_t(2));
        QCOMPARE(int(next[1]->settings.rfChannel()), 6);
        QCOMPARE(next[1]->events.size(), size_t(1));

        // A text record has no payload in flight memory and ends the flight the same way.
        const Flights text = parse(image({marker, settingsBlock(), {0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x01, 0x02,
                                                                     0x00, 0x80, 0x00, 0xFF}}));
        QCOMPARE(text[0]->events.size(), size_t(1));
    }

    void invalidCodeEndsTheFlight()
    {
        const Flights flights = parse(image({marker, settingsBlock(), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0x16,
                                                                        0x02, 0x03, 0x00, 0xFF}}));
        QCOMPARE(flights.size(), size_t(1));
        QCOMPARE(flights[0]->events.size(), size_t(1));
    }

    void recordReachingTheLastByteIsNotDecoded()
    {
        // Three accel records; the third would end on the image's last byte.
        const Flights flights = parse(image({marker, settingsBlock(), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0x02, 0x03, 0x00}}));
        QCOMPARE(flights[0]->events.size(), size_t(1));
        QCOMPARE(accelerationOf(flights[0]->events[0].get()), 1.0f);

        // One byte more and it is decoded (and then dropped as the last record).
        const Flights longer = parse(image({marker, settingsBlock(), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0x02, 0x03,
                                                                       0x00, 0x00}}));
        QCOMPARE(longer[0]->events.size(), size_t(2));
    }

    void blockWithoutRecords()
    {
        QCOMPARE(parse(image({marker, settingsBlock(), Bytes(40, 0xFF)}))[0]->events.size(), size_t(0));
        QCOMPARE(parse(image({marker, settingsBlock()})).size(), size_t(1));
        QVERIFY(parse(Bytes(4096, 0xFF)).empty());
        QVERIFY(parse(Bytes{}).empty());
    }

    void markerNearTheEndDoesNotReadPastIt()
    {
        // A marker whose settings block is cut off by the end of the image ends the scan.
        const Bytes block = settingsBlock();
        for (size_t cut = 0; cut < block.size(); ++cut) {
            Bytes bytes = image({marker, settingsBlock(7), {0x02, 0x01, 0x00, 0x00}, marker});
            bytes.insert(bytes.end(), block.begin(), block.begin() + cut);
            const Flights flights = parse(bytes);
            QCOMPARE(flights.size(), size_t(1));
            QCOMPARE(int(flights[0]->settings.rfChannel()), 7);
        }
    }

    void deltaTimesAddInSinglePrecision()
    {
        const Flights flights = parse(image({marker, settingsBlock(), {0x85, 0x85, 0x85, 0x02, 0x01, 0x00, 0xFF,
                                                                        0x02, 0x02, 0x00, 0xFF}}));
        QCOMPARE(flights[0]->events.size(), size_t(0)); // 0xFF after the first record ends the flight

        const Flights timed = parse(image({marker, settingsBlock(), {0x85, 0x85, 0x85, 0x02, 0x01, 0x00, 0xA0, 0x02,
                                                                      0x02, 0x00, 0x00}}));
        QCOMPARE(timed[0]->events.size(), size_t(1));
        const float expected = 0.0f + 5 * 0.001f + 5 * 0.001f + 5 * 0.001f;
        QCOMPARE(timed[0]->events[0]->time, expected);
    }

    void consoleLines()
    {
        Bytes damaged = settingsBlock();
        damaged[3] = 1;
        std::string console;
        parse(image({marker, damaged, {0xFF}, marker, settingsBlock(), {0xFF}}), &console);
        const NUVQORASettings good;
        const std::string expected =
            "flight marker found.\n"
            "Calculated checksum: \t" + std::to_string(good.storedChecksum() + 1) + "\n"
            "Retrieved checksum: \t" + std::to_string(good.storedChecksum()) + "\n"
            "flight marker found.\n"
            "Calculated checksum: \t" + std::to_string(good.storedChecksum()) + "\n"
            "Retrieved checksum: \t" + std::to_string(good.storedChecksum()) + "\n"
            "data: 16\ndata: 2\ndata: 0\ndata: 0\ndata: 0\ndata: 5\ndata: 6\ndata: 0\ndata: 0\ndata: 20\n"
            "LINE A: 5\nLINE B: 6\nLINE C: 0\nLINE D: 0\n";
        QCOMPARE(QString::fromStdString(console), QString::fromStdString(expected));
    }
};

QTEST_GUILESS_MAIN(TestMemoryParser)
#include "TestMemoryParser.moc"
