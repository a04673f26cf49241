#pragma once

#include "PayloadReader.h"

#include <cstdint>
#include <memory>

// Builders shared by event classes whose payloads have the same layout.

// Output line A..D: a u16 holding two flags and a 14-bit voltage of full scale 3.3 V.
template<class LineEvent>
std::unique_ptr<LineEvent> decodeLineEvent(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<LineEvent>();
    event->setTimeFromMilliseconds(milliseconds);
    const uint16_t word = payload.u16();
    event->flagBit15 = (word & 0x8000) != 0;
    event->flagBit14 = (word & 0x4000) != 0;
    event->voltage = static_cast<float>(word & 0x3FFF) * (3.3f / 16384.0f);
    return event;
}

// Battery voltage: a u16 of full scale 13.3 V.
template<class BatteryEvent>
std::unique_ptr<BatteryEvent> decodeBatteryEvent(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<BatteryEvent>();
    event->setTimeFromMilliseconds(milliseconds);
    event->voltage = static_cast<float>(payload.u16()) * (13.3f / 65536.0f);
    return event;
}

// Three-axis sensor: three s16 in the order x, y, z, each times the sensor's scale.
template<class AxesEvent>
std::unique_ptr<AxesEvent> decodeAxesEvent(PayloadReader payload, uint32_t milliseconds, float scale)
{
    auto event = std::make_unique<AxesEvent>();
    event->setTimeFromMilliseconds(milliseconds);
    event->x = static_cast<float>(payload.s16()) * scale;
    event->y = static_cast<float>(payload.s16()) * scale;
    event->z = static_cast<float>(payload.s16()) * scale;
    return event;
}
