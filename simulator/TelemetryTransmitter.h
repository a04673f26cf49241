#pragma once

#include "SampleFlight.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

// The flight computer's radio transmitter: sends a flight's records as radio chunks, paced in
// real time. Every 50 ms of flight time becomes one data chunk holding the latest record of
// each code in that span (the radio carries less than the memory records), each record behind
// its time delta since the code's previous record in 0.01 s, or 255 when the receiver must
// restart that code's clock. After the flight and a pause on the pad it starts over.
class TelemetryTransmitter
{
public:
    using Record = SampleFlight::TimedRecord;

    static constexpr int64_t ChunkSpanMs = 50;
    static constexpr int64_t PauseMs = 5000;

    // Records in time order.
    explicit TelemetryTransmitter(std::vector<Record> records);

    // Appends the chunks due by `nowMs` to the FIFO; the first call starts the flight. A chunk
    // that finds the FIFO too full to take it is lost, as on the air.
    void transmit(int64_t nowMs, std::deque<uint8_t> &fifo, size_t fifoCapacity);

    // One data chunk of these records (each: delta, code, payload), at most 251 bytes of them.
    static std::vector<uint8_t> dataChunk(const std::vector<uint8_t> &records);

private:
    std::vector<uint8_t> nextChunk();

    std::vector<Record> m_records;
    bool m_started = false;
    int64_t m_startMs = 0;      // wall time of the current pass's flight time 0
    int64_t m_spanEndMs = 0;    // flight time up to which records have been sent
    size_t m_next = 0;          // index of the next record to send
    std::map<uint8_t, int64_t> m_lastSentTicks; // per code, in 0.01 s, this pass
};
