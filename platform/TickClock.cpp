#include "TickClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

uint32_t systemMilliseconds()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::atomic<TickClock::Source> currentSource{&systemMilliseconds};

} // namespace

uint32_t TickClock::milliseconds()
{
    return currentSource.load(std::memory_order_relaxed)();
}

void TickClock::sleep(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TickClock::setSource(Source source)
{
    currentSource.store(source ? source : &systemMilliseconds, std::memory_order_relaxed);
}
