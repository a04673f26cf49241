#include "NUVEvent_Temperature.h"

std::unique_ptr<NUVEvent_Temperature> NUVEvent_Temperature::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<NUVEvent_Temperature>();
    event->setTimeFromMilliseconds(milliseconds);
    event->temperature = static_cast<float>(payload.s16()) * 0.01f;
    return event;
}
