#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// State of output line B; only the voltage is interpreted, the flags are kept as read.
class NUVEvent_LineB : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::LineB;
    NUVEventCode code() const override { return ClassCode; }

    bool flagBit15 = false;
    bool flagBit14 = false;
    float voltage = 0.0f; // V

    static std::unique_ptr<NUVEvent_LineB> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_LineB)
