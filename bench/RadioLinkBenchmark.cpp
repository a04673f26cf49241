// Measures the radio link's host cost against the simulated ground station: CPU time of one
// 10 ms poll with every register transaction and the largest chunk of the sample flight in
// the FIFO, and how many chunks per second the chunk reader decodes. The radio delivers at
// most one chunk per poll, so both figures are set against 100 polls and chunks per second.
// Times are CPU times of this process, so a busy machine does not distort them.

#include "ConsoleSink.h"
#include "DiscardingBuffer.h"
#include "MonotonicClock.h"
#include "NUVTAVOInterface.h"
#include "RadioChunkReader.h"
#include "SampleFlight.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"
#include "TelemetryTransmitter.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <ostream>
#include <streambuf>

namespace {

constexpr int Polls = 20000;
constexpr int DecodedChunks = 200000;

int64_t fakeNow = 0;

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Every chunk the transmitter sends over one pass of the sample flight.
std::vector<std::vector<uint8_t>> flightChunks()
{
    const auto records = SampleFlight::records();
    TelemetryTransmitter transmitter(records);
    std::deque<uint8_t> air;
    transmitter.transmit(0, air, size_t(-1));
    transmitter.transmit(int64_t(records.back().milliseconds) + TelemetryTransmitter::ChunkSpanMs, air, size_t(-1));
    std::vector<std::vector<uint8_t>> chunks;
    while (!air.empty()) {
        const size_t length = (air[0] >> 5) == 7 ? 2 + air[1] : 1 + (air[0] >> 5);
        chunks.emplace_back(air.begin(), air.begin() + length);
        air.erase(air.begin(), air.begin() + length);
    }
    return chunks;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DiscardingBuffer discard;
    std::ostream discarded(&discard);
    ConsoleSink::setStream(&discarded);

    const auto chunks = flightChunks();
    size_t total = 0;
    const std::vector<uint8_t> *largest = &chunks.front();
    for (const auto &chunk : chunks) {
        total += chunk.size();
        if (chunk.size() > largest->size())
            largest = &chunk;
    }
    std::printf("sample flight: %zu chunks, %.1f bytes on average, largest %zu bytes\n", chunks.size(),
                double(total) / chunks.size(), largest->size());

    // Polls.
    SimulatedHidBackend backend;
    backend.setRecording(false);
    HidBackend::setCurrent(&backend);
    SimulatedGroundStation station(backend);
    station.plugFirmware();
    MonotonicClock::setSource([] { return fakeNow; });
    NUVTAVOInterface link;
    link.attemptConnection();
    link.readAvailableEvents();
    station.clearRequests();
    const double pollStart = cpuSeconds();
    for (int i = 0; i < Polls; ++i) {
        station.pushFifo(*largest);
        fakeNow += NUVTAVOInterface::PollIntervalMs;
        link.readAvailableEvents();
    }
    const double pollCpu = (cpuSeconds() - pollStart) / Polls;
    const double transactions = double(station.requests().size()) / Polls;
    std::printf("poll with one %zu-byte chunk: %.1f us CPU, %.1f register transactions (%.0f HID reports)\n",
                largest->size(), pollCpu * 1e6, transactions, 2 * transactions);
    std::printf("  budget 10 ms per poll: headroom %.0fx\n", 0.010 / pollCpu);

    // Chunk decoding alone.
    std::vector<uint8_t> fifo;
    for (size_t i = 0; fifo.size() < 1 << 20; i = (i + 1) % chunks.size())
        fifo.insert(fifo.end(), chunks[i].begin(), chunks[i].end());
    RadioChunkReader reader;
    reader.resetClocks(0);
    size_t position = 0;
    const RadioChunkReader::ByteSource next = [&] {
        if (position == fifo.size())
            position = 0;
        return fifo[position++];
    };
    std::vector<std::unique_ptr<NUVEvent>> events;
    size_t eventCount = 0;
    const double start = cpuSeconds();
    for (int i = 0; i < DecodedChunks; ++i) {
        reader.read(next, i * 0.01, events);
        eventCount += events.size();
        events.clear();
    }
    const double seconds = cpuSeconds() - start;
    std::printf("chunk reader: %.0f chunks/s (%.0f events/s) against at most 100 chunks/s on the air: headroom %.0fx\n",
                DecodedChunks / seconds, eventCount / seconds, DecodedChunks / seconds / 100);

    MonotonicClock::setSource(nullptr);
    HidBackend::setCurrent(nullptr);
    return 0;
}
