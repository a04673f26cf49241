#include "NUVEvent_Pressure.h"

std::unique_ptr<NUVEvent_Pressure> NUVEvent_Pressure::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<NUVEvent_Pressure>();
    event->setTimeFromMilliseconds(milliseconds);
    event->pressure = static_cast<float>(payload.u24());
    return event;
}
