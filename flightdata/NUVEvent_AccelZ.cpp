#include "NUVEvent_AccelZ.h"

std::unique_ptr<NUVEvent_AccelZ> NUVEvent_AccelZ::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<NUVEvent_AccelZ>();
    event->setTimeFromMilliseconds(milliseconds);
    event->acceleration = static_cast<float>(payload.s16()) / 256.0f;
    return event;
}
