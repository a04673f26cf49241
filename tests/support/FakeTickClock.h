#pragma once

#include "TickClock.h"

#include <atomic>
#include <cstdint>

// The tick clock under the test's control while it lives: it reads what the test set last.
// One at a time; the system clock comes back afterwards.
class FakeTickClock
{
public:
    explicit FakeTickClock(uint32_t ticks = 0)
    {
        set(ticks);
        TickClock::setSource(&read);
    }
    ~FakeTickClock() { TickClock::setSource(nullptr); }
    FakeTickClock(const FakeTickClock &) = delete;
    FakeTickClock &operator=(const FakeTickClock &) = delete;

    void set(uint32_t ticks) { s_ticks.store(ticks, std::memory_order_relaxed); }

private:
    static uint32_t read() { return s_ticks.load(std::memory_order_relaxed); }

    static inline std::atomic<uint32_t> s_ticks{0};
};
