#pragma once

#include "MonotonicClock.h"

#include <atomic>
#include <cstdint>

// The monotonic clock and its sleep under the test's control while it lives: the clock reads
// what the test moved it to, and a sleep moves it on instead of waiting (sleeps are counted).
// One at a time; the system clock and the real sleep come back afterwards.
class FakeMonotonicClock
{
public:
    explicit FakeMonotonicClock(int64_t milliseconds = 1000000)
    {
        s_now.store(milliseconds);
        s_sleeps.store(0);
        MonotonicClock::setSource(&read);
        MonotonicClock::setSleeper(&sleep);
    }
    ~FakeMonotonicClock()
    {
        MonotonicClock::setSource(nullptr);
        MonotonicClock::setSleeper(nullptr);
    }
    FakeMonotonicClock(const FakeMonotonicClock &) = delete;
    FakeMonotonicClock &operator=(const FakeMonotonicClock &) = delete;

    void advance(int64_t milliseconds) { s_now += milliseconds; }
    int sleeps() const { return s_sleeps.load(); }

private:
    static int64_t read() { return s_now.load(); }
    static void sleep(uint32_t milliseconds)
    {
        s_now += milliseconds;
        ++s_sleeps;
    }

    static inline std::atomic<int64_t> s_now{0};
    static inline std::atomic<int> s_sleeps{0};
};
