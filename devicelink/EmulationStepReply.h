#pragma once

#include <array>
#include <cstdint>

// What the device computed for one emulation step.
struct EmulationStepReply
{
    uint8_t flightState = 0;
    float altitude = 0;     // m
    float velocity = 0;     // m/s
    float acceleration = 0; // m/s^2
    std::array<uint8_t, 4> lineOn{}; // A..D, non-zero when on
    float w = 1, x = 0, y = 0, z = 0; // orientation quaternion
};
