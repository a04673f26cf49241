// libFuzzer target over the decoders of untrusted bytes: the event factory and the
// flight-memory parser. Built and run by scripts/fuzz.

#include "DiscardingBuffer.h"
#include "FlightMemoryParser.h"
#include "NUVQORAFlight.h"

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <streambuf>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkFlights(const uint8_t *data, size_t size)
{
    DiscardingBuffer discard;
    std::ostream console(&discard);
    for (const auto &flight : FlightMemoryParser(data, size, console).parse()) {
        require(flight && flight->settings.valid);
        require(flight->settings.calculatedChecksum() == flight->settings.storedChecksum());
        for (const auto &event : flight->events)
            require(event && std::isfinite(event->time) && event->time >= 0.0f);
    }
}

// Random bytes rarely hold a settings block with a correct checksum; a copy with the
// checksum after every marker put right reaches the record decoding as well.
std::vector<uint8_t> withRepairedBlocks(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> image(data, data + size);
    for (size_t marker = 0; marker + NUVQORASettings::ImageSize < size; ++marker) {
        if (image[marker] != 0x13)
            continue;
        NUVQORASettings settings;
        std::copy_n(image.begin() + marker + 1, NUVQORASettings::ImageSize, settings.image.begin());
        settings.updateChecksum();
        std::copy(settings.image.begin(), settings.image.end(), image.begin() + marker + 1);
        marker += NUVQORASettings::ImageSize;
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0) {
        const std::unique_ptr<NUVEvent> event = NUVEvent::fromBytes(std::vector<uint8_t>(data, data + size));
        require(!event || std::isfinite(event->time));
    }
    checkFlights(data, size);
    const std::vector<uint8_t> repaired = withRepairedBlocks(data, size);
    checkFlights(repaired.data(), repaired.size());
    return 0;
}
