#include "NUVQORAFlight.h"

#include "FlightMemoryParser.h"
#include "NUVEvent_RSSI.h"

#include <QCoreApplication>

#include <cmath>
#include <iostream>

namespace {

void registerFlightMetaType()
{
    qRegisterMetaType<std::shared_ptr<NUVQORAFlight>>("std::shared_ptr<NUVQORAFlight>");
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerFlightMetaType)

NUVQORAFlight::NUVQORAFlight() = default;

NUVQORAFlight::~NUVQORAFlight() = default;

bool NUVQORAFlight::appendEvent(std::unique_ptr<NUVEvent> event)
{
    if (!event || !std::isfinite(event->time))
        return false;
    events.push_back(std::move(event));
    return true;
}

float NUVQORAFlight::lastEventTime()
{
    if (!endTimeStale)
        return cachedEndTime;
    if (events.empty())
        return 0.0f;
    endTimeStale = false;
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        if (*it && !dynamic_cast<const NUVEvent_RSSI *>(it->get())) {
            cachedEndTime = (*it)->time;
            break;
        }
    }
    return cachedEndTime;
}

std::vector<std::shared_ptr<NUVQORAFlight>> NUVQORAFlight::parseMemory(const std::vector<uint8_t> &image)
{
    return FlightMemoryParser(image.data(), image.size(), std::cout).parse();
}
