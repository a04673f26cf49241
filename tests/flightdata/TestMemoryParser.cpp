#include "FlightMemoryParser.h"
#include "FakeTickClock.h"
#include "FlightTestSupport.h"

#include <QtTest>

using Bytes = std::vector<uint8_t>;
using Flights = std::vector<std::shared_ptr<NUVQORAFlight>>;
Q_DECLARE_METATYPE(Bytes)

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

// Each flight as its rf channel and its events with their times; flights apart by " | ".
QString summary(const Flights &flights)
{
    QStringList parts;
    for (const auto &flight : flights) {
        QString part = QString::number(flight->settings.rfChannel()) + ":";
        for (const auto &event : flight->events)
            part += " " + describe(event.get()) + "@" + QString::number(event->time);
        parts << part;
    }
    return parts.join(" | ");
}

} // namespace

class TestMemoryParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // An image without a single record decodes nothing, so it must not start the clock
        // that stamps live readings; this runs before anything else here decodes a record.
        FakeTickClock clock(1000);
        QCOMPARE(parse(image({marker, settingsBlock(), Bytes(8, 0xFF)})).size(), size_t(1));
        clock.set(5000);
        QCOMPARE(NUVEvent::fromBytes(Bytes{0x02, 0x01, 0x00})->time, 0.0f);
    }

    void splitsIntoFlights_data()
    {
        QTest::addColumn<Bytes>("memory");
        QTest::addColumn<QString>("flights");
        QTest::newRow("last record of a flight is dropped")
            << image({marker, settingsBlock(), {0x02, 0x00, 0x80, 0x81, 0x02, 0x00, 0xC0, 0xFF}}) << "0: AccelZ 0.5@0";
        QTest::newRow("a marker ends a flight and starts the next")
            << image({marker, settingsBlock(1), {0x02, 0x00, 0x80}, marker, settingsBlock(2),
                      {0x03, 0x01, 0x86, 0xA0, 0x8A, 0x06, 0x00, 0x64, 0xFF}})
            << "1: | 2: Pressure 100000@0";
        // The first marker's block starts with the real marker, so its checksum fails and the
        // scan resumes one byte later, on the real flight.
        QTest::newRow("scan resumes inside a damaged block")
            << image({marker, marker, settingsBlock(4), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0xFF}}) << "4: AccelZ 1@0";
        Bytes damaged = settingsBlock(3);
        damaged[95] = uint8_t(damaged[95] + 1);
        QTest::newRow("damaged block before a good flight")
            << image({marker, damaged, {0x02, 0x01, 0x00, 0x00}, marker, settingsBlock(5), {0xFF}}) << "5:";
        // Code 20 carries four bytes; the 0x13 inside them is not a marker.
        QTest::newRow("classless record ends the flight")
            << image({marker, settingsBlock(), {0x14, 0x13, 0x02, 0x03, 0x04, 0x02, 0x00, 0x80}, Bytes(120, 0xFF)})
            << "0:";
        QTest::newRow("scan goes on after a classless record")
            << image({marker, settingsBlock(5), {0x14, 1, 2, 3, 4}, marker, settingsBlock(6),
                      {0x02, 0x01, 0x00, 0x81, 0x02, 0x02, 0x00, 0x00, 0xFF}})
            << "5: | 6: AccelZ 1@0";
        // A text record has no payload in flight memory.
        QTest::newRow("text record ends the flight")
            << image({marker, settingsBlock(),
                      {0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x01, 0x02, 0x00, 0x80, 0x00, 0xFF}})
            << "0: AccelZ 1@0";
        QTest::newRow("invalid code ends the flight")
            << image({marker, settingsBlock(), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0x16, 0x02, 0x03, 0x00, 0xFF}})
            << "0: AccelZ 1@0";
        QTest::newRow("record reaching the last byte is not decoded")
            << image({marker, settingsBlock(), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0x02, 0x03, 0x00}})
            << "0: AccelZ 1@0";
        QTest::newRow("one byte more and it is decoded, then dropped as the last")
            << image({marker, settingsBlock(), {0x02, 0x01, 0x00, 0x02, 0x02, 0x00, 0x02, 0x03, 0x00, 0x00}})
            << "0: AccelZ 1@0 AccelZ 2@0";
        QTest::newRow("block without records") << image({marker, settingsBlock(), Bytes(40, 0xFF)}) << "0:";
        QTest::newRow("block at the end") << image({marker, settingsBlock()}) << "0:";
        QTest::newRow("no marker") << Bytes(4096, 0xFF) << "";
        QTest::newRow("empty memory") << Bytes{} << "";
        QTest::newRow("end after the first record")
            << image({marker, settingsBlock(), {0x85, 0x85, 0x85, 0x02, 0x01, 0x00, 0xFF, 0x02, 0x02, 0x00, 0xFF}})
            << "0:";
        QTest::newRow("delta times add up")
            << image({marker, settingsBlock(), {0x85, 0x85, 0x85, 0x02, 0x01, 0x00, 0xA0, 0x02, 0x02, 0x00, 0x00}})
            << "0: AccelZ 1@0.015";
    }

    void splitsIntoFlights()
    {
        QFETCH(Bytes, memory);
        const Flights flights = parse(memory);
        QTEST(summary(flights), "flights");
        for (const auto &flight : flights) {
            QVERIFY(flight->settings.valid);
            QCOMPARE(flight->settings.storedChecksum(), flight->settings.calculatedChecksum());
        }
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
