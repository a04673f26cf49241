#pragma once

#include <cstdint>
#include <vector>

// The flight memory of a flight computer that has flown once: a small rocket boosting for
// 1.5 s, coasting to about 800 m and descending under its parachute, recorded every 10 ms.
class SampleFlightMemory
{
public:
    static std::vector<uint8_t> build();
};
