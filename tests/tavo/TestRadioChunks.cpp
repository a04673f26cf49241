#include "ConsoleSink.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_Status.h"
#include "RadioChunkReader.h"
#include "TelemetryTransmitter.h"

#include <QtTest>

#include <sstream>

namespace {

using Bytes = std::vector<uint8_t>;
using Events = std::vector<std::unique_ptr<NUVEvent>>;

// The FIFO as a byte buffer; reading past its end gives zeros and counts as a fault.
struct Fifo
{
    explicit Fifo(Bytes bytes) : bytes(std::move(bytes)) {}
    Bytes bytes;
    size_t position = 0;
    RadioChunkReader::ByteSource source()
    {
        return [this] { return position < bytes.size() ? bytes[position++] : (++position, uint8_t(0)); };
    }
};

struct ChunkFixture
{
    std::ostringstream console;
    RadioChunkReader reader;
    Events events;

    ChunkFixture() { ConsoleSink::setStream(&console); }
    ~ChunkFixture() { ConsoleSink::setStream(nullptr); }

    RadioChunkReader::Chunk read(Fifo &fifo, double now) { return reader.read(fifo.source(), now, events); }
};

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes accelRecord{0, 2, 0x01, 0x00};          // delta 0, AccelZ 1 g
const Bytes pressureRecord{0, 3, 0x01, 0x8B, 0xCD}; // delta 0, 101325 Pa

} // namespace

Q_DECLARE_METATYPE(Bytes)

// Radio chunks from the FIFO: every header form, records and their clocks, and malformed
// chunks, which must end exactly where they say they end.
class TestRadioChunks : public QObject
{
    Q_OBJECT

private slots:
    void chunksEndWhereTheyDeclare_data()
    {
        QTest::addColumn<Bytes>("chunk");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("events");
        using C = RadioChunkReader::Chunk;
        QTest::newRow("0x81: no records") << Bytes{0x81, 0, 1, 0, 0} << int(C::Data) << 0;
        QTest::newRow("0xE1: length byte follows")
            << concat({{0xE1, 13, 0, 1}, accelRecord, pressureRecord, {0, 0}}) << int(C::Data) << 2;
        QTest::newRow("length 6 in the header") << concat({{0xC1, 0, 1, 0, 2}, {0, 0}}) << int(C::Data) << 1;
        QTest::newRow("wrong version") << Bytes{0xE1, 8, 0, 2, 0, 2, 1, 0, 0, 0} << int(C::WrongVersion) << 0;
        QTest::newRow("unknown code drops the rest")
            << concat({{0xE1, 12, 0, 1}, accelRecord, {0, 99, 1, 2, 3, 4}}) << int(C::Data) << 1;
        QTest::newRow("payload cut by the chunk's end")
            << Bytes{0xE1, 6, 0, 1, 0, 3, 0x01, 0x8B} << int(C::Data) << 1;
        QTest::newRow("shorter than its framing") << Bytes{0x21, 0} << int(C::WrongVersion) << 0;
        QTest::newRow("empty") << Bytes{0x01} << int(C::WrongVersion) << 0;
    }
    void chunksEndWhereTheyDeclare()
    {
        QFETCH(Bytes, chunk);
        QFETCH(int, kind);
        QFETCH(int, events);
        const Bytes next = concat({{0xE1, 8, 0, 1}, accelRecord, {0, 0}}); // a well-formed chunk after it
        Fifo fifo(concat({chunk, next}));
        ChunkFixture f;
        QCOMPARE(int(f.read(fifo, 0)), kind);
        QCOMPARE(int(f.events.size()), events);
        QCOMPARE(fifo.position, chunk.size());
        f.events.clear();
        QCOMPARE(f.read(fifo, 0), RadioChunkReader::Chunk::Data);
        QCOMPARE(int(f.events.size()), 1);
        QCOMPARE(fifo.position, fifo.bytes.size());
    }

    void unknownTypeIsReadNoFurther()
    {
        ChunkFixture f;
        Fifo fifo({0x82, 0, 1, 0, 0});
        QCOMPARE(f.read(fifo, 0), RadioChunkReader::Chunk::UnknownType);
        QCOMPARE(fifo.position, size_t(1));
        QVERIFY(f.console.str().find("UNKNOWN FIFO CMD") != std::string::npos);
    }

    void recordsDecodeAsTheFactoryDoes()
    {
        ChunkFixture f;
        Fifo fifo(concat({{0xE1, 17, 0, 1}, accelRecord, pressureRecord, {0, 16, 0x50, 0x00}, {0, 0}}));
        f.read(fifo, 2.0);
        QCOMPARE(int(f.events.size()), 3);
        QCOMPARE(dynamic_cast<NUVEvent_AccelZ &>(*f.events[0]).acceleration, 1.0f);
        QCOMPARE(dynamic_cast<NUVEvent_Pressure &>(*f.events[1]).pressure, 101325.0f);
        QVERIFY(dynamic_cast<NUVEvent_Status *>(f.events[2].get()));
        QCOMPARE(f.reader.takeCountedBytes(), uint64_t(1 + 2 * 3 + 2 + 3 + 2));
        QCOMPARE(f.reader.takeCountedBytes(), uint64_t(0));
        QVERIFY(f.console.str().find("10000000\n") != std::string::npos); // 0x01, least significant bit first
    }

    void clocksPerCode_data()
    {
        QTest::addColumn<Bytes>("records");
        QTest::addColumn<double>("now");
        QTest::addColumn<QVector<double>>("times");
        // Clocks start at 5 s.
        QTest::newRow("delta 10 one second behind now")
            << Bytes{10, 2, 0, 0} << 6.1 << QVector<double>{0.8 * 5.1 + 0.2 * 6.1};
        QTest::newRow("ahead of now is kept") << Bytes{10, 2, 0, 0} << 5.05 << QVector<double>{5.1};
        QTest::newRow("deltas 0 and 0 share a time") << Bytes{0, 2, 0, 0, 0, 2, 0, 0} << 5.0 << QVector<double>{5.0, 5.0};
        QTest::newRow("codes keep their own clocks")
            << Bytes{20, 2, 0, 0, 5, 4, 0, 0, 20, 2, 0, 0} << 5.0 << QVector<double>{5.2, 5.05, 5.4};
        QTest::newRow("255 restarts the clock at now") << Bytes{255, 2, 0, 0} << 9.0 << QVector<double>{9.0};
    }
    void clocksPerCode()
    {
        QFETCH(Bytes, records);
        QFETCH(double, now);
        QFETCH(QVector<double>, times);
        ChunkFixture f;
        f.reader.resetClocks(5.0);
        Fifo fifo(concat({{0xE1, uint8_t(records.size() + 4), 0, 1}, records, {0, 0}}));
        f.read(fifo, now);
        QCOMPARE(int(f.events.size()), times.size());
        for (int i = 0; i < times.size(); ++i)
            QCOMPARE(f.events[i]->time, float(times[i]));
    }

    void theTransmittersChunksReadBackAsItsRecords()
    {
        TelemetryTransmitter transmitter({
            {0, {2, 0x01, 0x00}},
            {10, {3, 0x01, 0x8B, 0xCD}},
            {20, {2, 0x02, 0x00}}, // same span as the first AccelZ: only this one is sent
            {70, {2, 0x03, 0x00}},
            {400, {2, 0x04, 0x00}},
        });
        std::deque<uint8_t> air;
        transmitter.transmit(0, air, 4096);
        QVERIFY(air.empty());
        transmitter.transmit(450, air, 4096);
        ChunkFixture f;
        f.reader.resetClocks(0);
        Fifo fifo(Bytes(air.begin(), air.end()));
        while (fifo.position < fifo.bytes.size())
            QCOMPARE(f.read(fifo, 100.0), RadioChunkReader::Chunk::Data);
        QCOMPARE(fifo.position, fifo.bytes.size());
        std::vector<float> accel;
        for (const auto &e : f.events) {
            if (auto a = dynamic_cast<NUVEvent_AccelZ *>(e.get()))
                accel.push_back(a->acceleration);
        }
        QCOMPARE(accel, (std::vector<float>{2, 3, 4}));
        QVERIFY(f.console.str().find(" DELTA: 5\n") != std::string::npos);  // 20 ms to 70 ms
        QVERIFY(f.console.str().find(" DELTA: 33\n") != std::string::npos); // 70 ms to 400 ms
    }

    void theTransmitterStartsOverAndLosesWhatTheFifoCannotTake()
    {
        TelemetryTransmitter transmitter({{0, {2, 0x01, 0x00}}});
        std::deque<uint8_t> air;
        transmitter.transmit(1000, air, 4096);
        transmitter.transmit(1050, air, 4096);
        const Bytes first(air.begin(), air.end());
        QCOMPARE(first, (Bytes{0xE1, 8, 0, 1, 255, 2, 0x01, 0x00, 0, 0}));
        air.clear();
        transmitter.transmit(1050 + TelemetryTransmitter::PauseMs + 50, air, 4096);
        QCOMPARE(Bytes(air.begin(), air.end()), first); // flown again, its clock restarted
        air.assign(4090, 0);
        transmitter.transmit(1100 + 2 * (TelemetryTransmitter::PauseMs + 50), air, 4096);
        QCOMPARE(air.size(), size_t(4090));
    }
};

QTEST_GUILESS_MAIN(TestRadioChunks)
#include "TestRadioChunks.moc"
