#include "NUVEvent_Orientation.h"

std::unique_ptr<NUVEvent_Orientation> NUVEvent_Orientation::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    constexpr float scale = 1.0f / 32768.0f;
    auto event = std::make_unique<NUVEvent_Orientation>();
    event->setTimeFromMilliseconds(milliseconds);
    event->x = static_cast<float>(payload.s16()) * scale;
    event->y = static_cast<float>(payload.s16()) * scale;
    event->z = static_cast<float>(payload.s16()) * scale;
    event->w = static_cast<float>(payload.s16()) * scale;
    return event;
}
