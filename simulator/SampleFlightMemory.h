#pragma once

#include <cstdint>
#include <vector>

// The flight memory of a flight computer that has flown once: the sample flight's recording
// (SampleFlight) behind a flight marker and the settings block, then erased memory.
class SampleFlightMemory
{
public:
    static std::vector<uint8_t> build();
};
