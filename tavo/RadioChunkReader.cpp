#include "RadioChunkReader.h"

#include "ConsoleSink.h"

#include <ostream>

namespace {

constexpr uint8_t ExtendedLength = 7;
constexpr int TrailingBytes = 2;

// Hands out the chunk's bytes and nothing beyond them.
class ChunkBytes
{
public:
    ChunkBytes(const RadioChunkReader::ByteSource &next, int length) : m_next(next), m_remaining(length) {}

    int remaining() const { return m_remaining; }
    uint8_t take()
    {
        if (m_remaining <= 0)
            return 0;
        --m_remaining;
        return m_next();
    }
    void skipRest()
    {
        while (m_remaining > 0)
            take();
    }

private:
    const RadioChunkReader::ByteSource &m_next;
    int m_remaining;
};

void printBits(std::ostream &console, uint8_t byte)
{
    char bits[9];
    for (int i = 0; i < 8; ++i)
        bits[i] = (byte >> i) & 1 ? '1' : '0';
    bits[8] = '\n';
    console.write(bits, sizeof bits);
}

} // namespace

void RadioChunkReader::resetClocks(double now)
{
    m_clocks.fill(now);
}

uint64_t RadioChunkReader::takeCountedBytes()
{
    const uint64_t counted = m_countedBytes;
    m_countedBytes = 0;
    return counted;
}

RadioChunkReader::Chunk RadioChunkReader::read(const ByteSource &next, double now,
                                              std::vector<std::unique_ptr<NUVEvent>> &events)
{
    // Every chunk's trace ("PACKET", " DELTA: ", ...) is printed by design.
    std::ostream &console = ConsoleSink::out();
    const uint8_t header = next();
    int length = header >> 5;
    if (length == ExtendedLength)
        length = next();
    if ((header & 0x1F) != DataChunkType) {
        console << "UNKNOWN FIFO CMD\n";
        return Chunk::UnknownType;
    }

    ChunkBytes chunk(next, length);
    chunk.take(); // flags, not used
    const uint8_t version = chunk.take();
    m_countedBytes += 1;
    if (version != ProtocolVersion) {
        console << "wrong RF protocol version.\n";
        chunk.skipRest();
        return Chunk::WrongVersion;
    }
    console << "PROTOCOL VERSION: " << int(version) << '\n';
    console << "PACKET\n";

    while (chunk.remaining() > TrailingBytes) {
        const uint8_t delta = chunk.take();
        const uint8_t code = chunk.take();
        m_countedBytes += 2;
        const int size = NUVEvent::recordLength(code);
        if (size < 0) {
            console << "unknown event code: " << int(code) << '\n';
            console << "residual: " << chunk.remaining() << '\n';
            chunk.skipRest();
            return Chunk::Data;
        }
        console << " DELTA: " << int(delta) << '\n';
        double &clock = m_clocks[code];
        if (delta == ClockRestart) {
            clock = now;
            console << "delta overflow!\n";
        } else {
            clock += delta * 0.01;
        }
        if (clock < now)
            clock = 0.8 * clock + 0.2 * now;

        std::vector<uint8_t> record{code};
        for (int i = 0; i < size && chunk.remaining() > 0; ++i) {
            record.push_back(chunk.take());
            m_countedBytes += 1;
            printBits(console, record.back());
        }
        if (std::unique_ptr<NUVEvent> event = NUVEvent::fromBytes(record)) {
            event->time = static_cast<float>(clock);
            events.push_back(std::move(event));
        }
    }
    chunk.skipRest();
    return Chunk::Data;
}
