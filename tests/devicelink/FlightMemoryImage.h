#pragma once

#include "NUVQORASettings.h"

#include <cstdint>
#include <vector>

// A flight memory of `count` flights of 110 bytes each, then erased memory. Each flight holds
// its marker, the default settings block, and AccelZ, 1 ms, Pressure, 1 ms, AccelZ; the memory
// parser keeps every record but the last, so each flight parses into two events.
inline std::vector<uint8_t> memoryOfFlights(int count)
{
    std::vector<uint8_t> memory;
    const NUVQORASettings::Image settings = NUVQORASettings().image;
    for (int i = 0; i < count; ++i) {
        memory.push_back(0x13);
        memory.insert(memory.end(), settings.begin(), settings.end());
        memory.insert(memory.end(), {0x02, 0x00, 0x80, 0x81, 0x03, 0x01, 0x86, 0xA0, 0x81, 0x02, 0x00, 0xC0});
    }
    memory.push_back(0xFF);
    return memory;
}
