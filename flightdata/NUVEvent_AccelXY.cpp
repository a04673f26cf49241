#include "NUVEvent_AccelXY.h"

std::unique_ptr<NUVEvent_AccelXY> NUVEvent_AccelXY::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<NUVEvent_AccelXY>();
    event->setTimeFromMilliseconds(milliseconds);
    event->x = static_cast<float>(payload.s16()) / 256.0f;
    event->y = static_cast<float>(payload.s16()) / 256.0f;
    return event;
}
