#include "NUVEvent_Ident.h"

std::unique_ptr<NUVEvent_Ident> NUVEvent_Ident::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    auto event = std::make_unique<NUVEvent_Ident>();
    event->setTimeFromMilliseconds(milliseconds);
    event->ident = payload.bytes(payload.remaining());
    return event;
}
