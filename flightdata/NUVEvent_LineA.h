#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// State of output line A; only the voltage is interpreted, the flags are kept as read.
class NUVEvent_LineA : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::LineA;
    NUVEventCode code() const override { return ClassCode; }

    bool flagBit15 = false;
    bool flagBit14 = false;
    float voltage = 0.0f; // V

    static std::unique_ptr<NUVEvent_LineA> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_LineA)
