// Parses a generated 16 MiB flight-memory image and reports throughput and memory.
//   bench_flightmemory [runs]

#include "DiscardingBuffer.h"
#include "FlightMemoryParser.h"
#include "NUVQORAFlight.h"
#include "NUVQORASettings.h"

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <random>
#include <streambuf>

namespace {

constexpr size_t ImageSize = 16u << 20;
constexpr int FlightCount = 8;

// One flight's records: every 10 ms a delta, axial acceleration and pressure; every 50 ms
// the lateral acceleration, rotation rates and status; every 200 ms a GPS solution.
void appendRecords(std::vector<uint8_t> &image, size_t end, std::mt19937 &random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    const auto payload = [&](uint8_t code, int length) {
        image.push_back(code);
        for (int i = 0; i < length; ++i)
            image.push_back(static_cast<uint8_t>(byte(random) & 0x7F));
    };
    for (unsigned tick = 0; image.size() + 64 < end; ++tick) {
        image.push_back(0x8A);
        payload(2, 2);
        payload(3, 3);
        if (tick % 5 == 0) {
            payload(11, 4);
            payload(12, 6);
            payload(16, 2);
        }
        if (tick % 20 == 0)
            payload(14, 13);
    }
    image.push_back(0x00);
}

std::vector<uint8_t> generateImage()
{
    std::mt19937 random(12345);
    std::vector<uint8_t> image;
    image.reserve(ImageSize);
    const NUVQORASettings settings;
    for (int flight = 0; flight < FlightCount; ++flight) {
        image.push_back(0x13);
        image.insert(image.end(), settings.image.begin(), settings.image.end());
        appendRecords(image, ImageSize / FlightCount * (flight + 1) - 4096, random);
    }
    image.resize(ImageSize, 0xFF);
    return image;
}

// Heap in use, small blocks and large (mapped) blocks alike.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<uint8_t> image = generateImage();
    DiscardingBuffer discard;
    std::ostream console(&discard);

    const long residentBefore = peakResidentKiB();
    const size_t heapBefore = heapInUse();
    double best = 1e9;
    size_t events = 0, eventBytes = 0, heapAfter = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto flights = FlightMemoryParser(image.data(), image.size(), console).parse();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
        if (run == 0) {
            heapAfter = heapInUse();
            for (const auto &flight : flights) {
                events += flight->events.size();
                for (const auto &event : flight->events)
                    eventBytes += malloc_usable_size(event.get()) + sizeof(event);
            }
        }
    }
    const double megabytes = image.size() / double(1 << 20);
    const size_t heapPerEvent = (heapAfter - heapBefore) / std::max<size_t>(events, 1);

    std::printf("image: %.0f MiB, %zu flights of events, %zu events\n", megabytes, size_t(FlightCount), events);
    std::printf("parse: best of %d runs %.3f s, %.1f MiB/s\n", runs, best, megabytes / best);
    std::printf("heap per stored event: %zu bytes (usable event allocation plus its pointer: %.1f bytes;"
                " the rest is the allocator's block header)\n",
                heapPerEvent, double(eventBytes) / std::max<size_t>(events, 1));
    std::printf("peak resident: %ld KiB (%ld KiB above the image and program)\n", peakResidentKiB(),
                peakResidentKiB() - residentBefore);
    return 0;
}
