#include "SampleFlightMemory.h"

#include "NUVQORASettings.h"
#include "PressureAltitude.h"

#include <algorithm>

namespace {

constexpr float StepSeconds = 0.01f;
constexpr float Gravity = 9.81f;
constexpr float BoostSeconds = 1.5f;
constexpr float BoostAcceleration = 80.0f; // m/s^2 above gravity
constexpr float DescentRate = 8.0f;        // m/s under the parachute
constexpr float PadSeconds = 1.0f;
constexpr float GroundSeconds = 2.0f;

// Device phase numbers as the status word carries them.
enum Phase { Pad = 0, Boost = 1, Coast = 3, Apogee = 4, Descent = 5, Ground = 6 };

void appendBigEndian(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

} // namespace

std::vector<uint8_t> SampleFlightMemory::build()
{
    std::vector<uint8_t> memory{19};
    const NUVQORASettings settings;
    memory.insert(memory.end(), settings.image.begin(), settings.image.end());

    float altitude = 0, velocity = 0, t = -PadSeconds, groundTime = 0;
    Phase phase = Pad;
    for (int step = 0; phase != Ground || groundTime < GroundSeconds; ++step, t += StepSeconds) {
        float acceleration = 0; // felt along the rocket's axis, in g
        if (t >= 0 && t < BoostSeconds) {
            phase = Boost;
            acceleration = (BoostAcceleration + Gravity) / Gravity;
            velocity += BoostAcceleration * StepSeconds;
        } else if (phase == Boost || phase == Coast) {
            phase = velocity > 0 ? Coast : Apogee;
            velocity -= Gravity * StepSeconds;
        } else if (phase == Apogee || phase == Descent) {
            phase = altitude > 0 ? Descent : Ground;
            velocity = -DescentRate;
            acceleration = 1;
        } else {
            acceleration = 1;
            if (phase == Ground)
                groundTime += StepSeconds;
        }
        altitude = std::max(0.0f, altitude + velocity * StepSeconds);
        if (phase == Ground)
            velocity = 0;

        memory.push_back(2);
        appendBigEndian(memory, static_cast<uint16_t>(static_cast<int16_t>(acceleration * 256)), 2);
        memory.push_back(3);
        appendBigEndian(memory, static_cast<uint32_t>(standardPressureAt(altitude)), 3);
        if (step % 10 == 0) {
            memory.push_back(16);
            appendBigEndian(memory, uint32_t(phase) << 12 | 0x00C0, 2); // continuity on A and B
        }
        memory.push_back(0x80 | 10); // 10 ms to the next sample
    }
    memory.push_back(0);
    memory.insert(memory.end(), 64, 0xFF); // erased memory after the recording
    return memory;
}
