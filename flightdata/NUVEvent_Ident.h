#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>
#include <string>

// The identity bytes of the flight computer.
class NUVEvent_Ident : public NUVEvent
{
public:
    std::string ident; // raw bytes, NUL bytes included

    static std::unique_ptr<NUVEvent_Ident> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_Ident)
