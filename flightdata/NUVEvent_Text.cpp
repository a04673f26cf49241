#include "NUVEvent_Text.h"

std::unique_ptr<NUVEvent_Text> NUVEvent_Text::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    // A count byte and at least one text byte; a count beyond the bytes present takes those present.
    if (payload.remaining() < 2)
        return nullptr;
    auto event = std::make_unique<NUVEvent_Text>();
    event->setTimeFromMilliseconds(milliseconds);
    const uint8_t count = payload.u8();
    event->text = payload.bytes(count);
    return event;
}
