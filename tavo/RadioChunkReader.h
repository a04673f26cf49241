#pragma once

#include "NUVEvent.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Reads one radio chunk at a time from the receive FIFO and turns the records of a data chunk
// into events. A record's time delta (in 0.01 s; 255 restarts the clock) advances a clock kept
// per event code, and each clock is pulled a fifth of the way toward now when it lags, so the
// events of one code keep their spacing while all codes stay near the receiver's time. A chunk
// never reads past the length it declares, and always reads to its end, so a malformed chunk
// cannot spill into the next one. What it prints goes to the console channel.
class RadioChunkReader
{
public:
    using ByteSource = std::function<uint8_t()>; // the next FIFO byte
    enum class Chunk { Data, UnknownType, WrongVersion };

    static constexpr uint8_t DataChunkType = 1;
    static constexpr uint8_t ProtocolVersion = 1;
    static constexpr uint8_t ClockRestart = 255;

    // Sets every code's clock to `now` (seconds since the link's origin).
    void resetClocks(double now);

    // Reads one chunk; the events of its records, timed by their codes' clocks, are appended.
    // An unknown type is read no further: the caller clears the FIFO.
    Chunk read(const ByteSource &next, double now, std::vector<std::unique_ptr<NUVEvent>> &events);

    // Bytes counted toward the link's bit rate since the last call.
    uint64_t takeCountedBytes();

private:
    std::array<double, 256> m_clocks{};
    uint64_t m_countedBytes = 0;
};
