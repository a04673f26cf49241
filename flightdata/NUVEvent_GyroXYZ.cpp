#include "NUVEvent_GyroXYZ.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_GyroXYZ> NUVEvent_GyroXYZ::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeAxesEvent<NUVEvent_GyroXYZ>(payload, milliseconds, 0.07f);
}
