#include "NUVQORAFlight.h"

#include "ConsoleSink.h"
#include "FlightFile.h"
#include "FlightMemoryParser.h"
#include "NUVEvent_RSSI.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <ostream>

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
        if (*it && (*it)->code() != NUVEventCode::RSSI && isProcessed(**it)) {
            cachedEndTime = (*it)->time;
            break;
        }
    }
    return cachedEndTime;
}

std::vector<std::shared_ptr<NUVQORAFlight>> NUVQORAFlight::parseMemory(const std::vector<uint8_t> &image)
{
    return FlightMemoryParser(image.data(), image.size(), ConsoleSink::out()).parse();
}

bool NUVQORAFlight::save(const std::wstring &path) const
{
    return FlightFile::write(*this, path);
}

bool NUVQORAFlight::load(const std::wstring &path)
{
    if (!FlightFile::read(*this, path))
        return false;
    // A time that is not finite has no place on the time axis (and would break the sort).
    events.erase(std::remove_if(events.begin(), events.end(),
                                [](const std::unique_ptr<NUVEvent> &event) { return !std::isfinite(event->time); }),
                 events.end());
    std::stable_sort(events.begin(), events.end(),
                     [](const std::unique_ptr<NUVEvent> &a, const std::unique_ptr<NUVEvent> &b) {
                         return a->time < b->time;
                     });
    buildSplines();
    return true;
}
