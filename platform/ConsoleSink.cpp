#include "ConsoleSink.h"

#include <atomic>
#include <iostream>

namespace {

std::atomic<std::ostream *> currentStream{&std::cout};

} // namespace

std::ostream &ConsoleSink::out()
{
    return *currentStream.load(std::memory_order_acquire);
}

void ConsoleSink::setStream(std::ostream *stream)
{
    currentStream.store(stream ? stream : &std::cout, std::memory_order_release);
}
