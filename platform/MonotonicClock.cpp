#include "MonotonicClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void threadSleep(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::atomic<MonotonicClock::Source> currentSource{&steadyMilliseconds};
std::atomic<MonotonicClock::Sleeper> currentSleeper{&threadSleep};

} // namespace

int64_t MonotonicClock::milliseconds()
{
    return currentSource.load(std::memory_order_relaxed)();
}

void MonotonicClock::sleep(uint32_t ms)
{
    currentSleeper.load(std::memory_order_relaxed)(ms);
}

void MonotonicClock::setSource(Source source)
{
    currentSource.store(source ? source : &steadyMilliseconds, std::memory_order_relaxed);
}

void MonotonicClock::setSleeper(Sleeper sleeper)
{
    currentSleeper.store(sleeper ? sleeper : &threadSleep, std::memory_order_relaxed);
}
