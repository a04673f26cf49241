#include "NUVEvent_LineA.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_LineA> NUVEvent_LineA::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeLineEvent<NUVEvent_LineA>(payload, milliseconds);
}
