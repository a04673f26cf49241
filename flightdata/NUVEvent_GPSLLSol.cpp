#include "NUVEvent_GPSLLSol.h"

std::unique_ptr<NUVEvent_GPSLLSol> NUVEvent_GPSLLSol::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    // The factors are the single-precision values of 1e-7 and 0.001, applied in double.
    auto event = std::make_unique<NUVEvent_GPSLLSol>();
    event->setTimeFromMilliseconds(milliseconds);
    event->latitude = payload.s32() * static_cast<double>(1e-7f);
    event->longitude = payload.s32() * static_cast<double>(1e-7f);
    event->altitude = static_cast<float>(payload.s32() * static_cast<double>(0.001f));
    const uint8_t flags = payload.u8();
    event->fixValid = (flags & 0x20) != 0;
    event->satellites = flags & 0x1F;
    return event;
}
