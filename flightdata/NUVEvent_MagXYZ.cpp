#include "NUVEvent_MagXYZ.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_MagXYZ> NUVEvent_MagXYZ::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeAxesEvent<NUVEvent_MagXYZ>(payload, milliseconds, 0.000001f);
}
