#pragma once

#include <array>
#include <cstdint>
#include <vector>

// One row of sensor values fed to the device during a launch emulation, in device units.
struct EmulationStepRequest
{
    uint32_t pressure = 0;    // Pa
    uint32_t gpsAltitude = 0; // mm, two's complement
    uint8_t gpsValid = 0;     // 0xFF valid, else 0
    std::array<int16_t, 3> acceleration{}; // x, y, z in 1/256 g
    std::array<int16_t, 3> gyro{};         // x, y, z in 0.07 deg/s

    // The request's data bytes, little-endian, and back (from its 21 bytes).
    std::vector<uint8_t> toBytes() const;
    static EmulationStepRequest fromBytes(const uint8_t *bytes);
};
