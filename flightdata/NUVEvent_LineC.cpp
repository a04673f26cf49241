#include "NUVEvent_LineC.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_LineC> NUVEvent_LineC::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeLineEvent<NUVEvent_LineC>(payload, milliseconds);
}
