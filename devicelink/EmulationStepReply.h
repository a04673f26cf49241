#pragma once

#include <array>
#include <cstdint>
#include <vector>

// What the device computed for one emulation step.
struct EmulationStepReply
{
    uint8_t flightState = 0; // a FlightPhase::Device
    float altitude = 0;     // m
    float velocity = 0;     // m/s
    float acceleration = 0; // m/s^2
    std::array<uint8_t, 4> lineOn{}; // A..D, non-zero when on
    float w = 1, x = 0, y = 0, z = 0; // orientation quaternion

    // The reply's data bytes, little-endian, and back (from its NUVQORAProtocol::EmulationReplySize bytes).
    std::vector<uint8_t> toBytes() const;
    static EmulationStepReply fromBytes(const uint8_t *bytes);
};
