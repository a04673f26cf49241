#include "TelemetryTransmitter.h"

#include <algorithm>

namespace {

constexpr uint8_t DataChunkType = 1;
constexpr uint8_t ProtocolVersion = 1;
constexpr uint8_t ClockRestart = 255;
constexpr size_t MaxChunkBody = 255;
constexpr size_t FramingBytes = 4; // flags, version, two trailing bytes

} // namespace

TelemetryTransmitter::TelemetryTransmitter(std::vector<Record> records)
    : m_records(std::move(records))
{
}

std::vector<uint8_t> TelemetryTransmitter::dataChunk(const std::vector<uint8_t> &records)
{
    const size_t body = FramingBytes + std::min(records.size(), MaxChunkBody - FramingBytes);
    std::vector<uint8_t> chunk;
    if (body < 7) {
        chunk.push_back(uint8_t(body << 5 | DataChunkType));
    } else {
        chunk.push_back(uint8_t(7 << 5 | DataChunkType));
        chunk.push_back(uint8_t(body));
    }
    chunk.push_back(0); // flags
    chunk.push_back(ProtocolVersion);
    chunk.insert(chunk.end(), records.begin(), records.begin() + (body - FramingBytes));
    chunk.push_back(0);
    chunk.push_back(0);
    return chunk;
}

void TelemetryTransmitter::transmit(int64_t nowMs, std::deque<uint8_t> &fifo, size_t fifoCapacity)
{
    if (m_records.empty())
        return;
    if (!m_started) {
        m_started = true;
        m_startMs = nowMs;
    }
    while (nowMs - m_startMs >= m_spanEndMs + ChunkSpanMs) {
        const std::vector<uint8_t> chunk = nextChunk();
        if (!chunk.empty() && fifo.size() + chunk.size() <= fifoCapacity)
            fifo.insert(fifo.end(), chunk.begin(), chunk.end());
        if (m_next == m_records.size()) {
            // The flight is over: after a pause on the pad it is flown again, every code's
            // clock restarted.
            m_startMs += m_spanEndMs + PauseMs;
            m_spanEndMs = 0;
            m_next = 0;
            m_lastSentTicks.clear();
        }
    }
}

std::vector<uint8_t> TelemetryTransmitter::nextChunk()
{
    m_spanEndMs += ChunkSpanMs;
    // The latest record of each code in this span, in time order.
    std::map<uint8_t, size_t> latest;
    for (; m_next < m_records.size() && int64_t(m_records[m_next].milliseconds) < m_spanEndMs; ++m_next)
        latest[m_records[m_next].record.front()] = m_next;
    if (latest.empty())
        return {};
    std::vector<size_t> order;
    for (const auto &entry : latest)
        order.push_back(entry.second);
    std::sort(order.begin(), order.end());

    std::vector<uint8_t> records;
    for (size_t index : order) {
        const Record &timed = m_records[index];
        if (records.size() + 2 + timed.record.size() > MaxChunkBody - FramingBytes)
            break;
        const uint8_t code = timed.record.front();
        const int64_t ticks = timed.milliseconds / 10;
        const auto last = m_lastSentTicks.find(code);
        const int64_t delta = last == m_lastSentTicks.end() ? ClockRestart : ticks - last->second;
        records.push_back(uint8_t(delta < ClockRestart ? delta : ClockRestart));
        records.insert(records.end(), timed.record.begin(), timed.record.end());
        m_lastSentTicks[code] = ticks;
    }
    return dataChunk(records);
}
