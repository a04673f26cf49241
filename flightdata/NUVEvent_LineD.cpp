#include "NUVEvent_LineD.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_LineD> NUVEvent_LineD::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeLineEvent<NUVEvent_LineD>(payload, milliseconds);
}
