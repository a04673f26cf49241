#pragma once

#include <cstdint>

// The millisecond tick count that stamps live events and paces device work: a monotonic
// clock truncated to 32 bits, so it wraps like any 32-bit tick counter.
class TickClock
{
public:
    using Source = uint32_t (*)();

    static uint32_t milliseconds();
    static void sleep(uint32_t ms);

    // Tests substitute their own clock; nullptr restores the system clock.
    static void setSource(Source source);
};
