#include "NUVEvent_GPSTime.h"

std::unique_ptr<NUVEvent_GPSTime> NUVEvent_GPSTime::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<NUVEvent_GPSTime>();
    event->setTimeFromMilliseconds(milliseconds);
    event->timeOfWeek = payload.u32();
    event->week = payload.u16();
    const uint8_t flags = payload.u8();
    event->timeValid = (flags & 0x80) != 0;
    event->flagBit6 = (flags & 0x40) != 0;
    event->seconds = flags & 0x3F;
    return event;
}
