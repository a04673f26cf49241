#include "NUVEvent_Status.h"

NUVEvent_Status::NUVEvent_Status(uint32_t milliseconds, int32_t state, const LineFlags &lineOn,
                                 const LineFlags &lineContinuity, const LineFlags &lineLowBits)
    : state(state)
    , lineOn(lineOn)
    , lineContinuity(lineContinuity)
    , lineLowBits(lineLowBits)
{
    setTimeFromMilliseconds(milliseconds);
}

std::unique_ptr<NUVEvent_Status> NUVEvent_Status::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    // Each byte is read on its own, so a single payload byte is the high byte of the word.
    const uint8_t high = payload.u8();
    const uint8_t low = payload.u8();
    const unsigned word = (unsigned(high) << 8) | low;

    LineFlags lineOn, lineContinuity, lineLowBits;
    for (unsigned line = 0; line < 4; ++line) {
        lineOn[line] = (word >> (8 + line)) & 1;
        lineContinuity[line] = (word >> (7 - line)) & 1;
        lineLowBits[line] = (word >> (3 - line)) & 1;
    }
    return std::make_unique<NUVEvent_Status>(milliseconds, FlightPhase::fold(word >> 12), lineOn, lineContinuity,
                                             lineLowBits);
}
