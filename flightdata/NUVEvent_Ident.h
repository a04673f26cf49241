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
    static constexpr NUVEventCode ClassCode = NUVEventCode::Ident;
    NUVEventCode code() const override { return ClassCode; }

    std::string ident; // raw bytes, NUL bytes included

    static std::unique_ptr<NUVEvent_Ident> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_Ident)
