#include "NUVEvent_RSSI.h"

std::unique_ptr<NUVEvent_RSSI> NUVEvent_RSSI::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<NUVEvent_RSSI>();
    event->setTimeFromMilliseconds(milliseconds);
    event->rssi = static_cast<float>(payload.s16());
    return event;
}
