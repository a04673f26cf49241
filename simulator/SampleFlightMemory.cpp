#include "SampleFlightMemory.h"

#include "NUVEventCode.h"
#include "NUVQORASettings.h"
#include "SampleFlight.h"

std::vector<uint8_t> SampleFlightMemory::build()
{
    std::vector<uint8_t> memory{toByte(NUVEventCode::FlightMarker)};
    const NUVQORASettings settings;
    memory.insert(memory.end(), settings.image.begin(), settings.image.end());

    uint32_t written = 0; // time of the records written so far
    for (const SampleFlight::TimedRecord &timed : SampleFlight::records()) {
        for (uint32_t gap = timed.milliseconds - written; gap > 0;) {
            const uint32_t delta = gap < 126 ? gap : 126; // 0xFF would end the memory
            memory.push_back(static_cast<uint8_t>(toByte(NUVEventCode::DeltaTime) | delta));
            gap -= delta;
        }
        written = timed.milliseconds;
        memory.insert(memory.end(), timed.record.begin(), timed.record.end());
    }
    memory.push_back(toByte(NUVEventCode::EndOfFlight));
    memory.insert(memory.end(), 64, toByte(NUVEventCode::EndOfMemory));
    return memory;
}
