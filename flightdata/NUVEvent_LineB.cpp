#include "NUVEvent_LineB.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_LineB> NUVEvent_LineB::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeLineEvent<NUVEvent_LineB>(payload, milliseconds);
}
