#pragma once

#include <cstdint>

// A 64-bit monotonic millisecond count, for time spans that must neither wrap nor lose
// precision over a long session, and a sleep that goes with it. Tests substitute both, so
// that waits and time stamps run on a clock they advance themselves.
class MonotonicClock
{
public:
    using Source = int64_t (*)();
    using Sleeper = void (*)(uint32_t ms);

    static int64_t milliseconds();
    static void sleep(uint32_t ms);

    // nullptr restores the system clock or the real sleep.
    static void setSource(Source source);
    static void setSleeper(Sleeper sleeper);
};
