#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Barometric pressure.
class NUVEvent_Pressure : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::Pressure;
    NUVEventCode code() const override { return ClassCode; }

    float pressure = 0.0f; // Pa

    static std::unique_ptr<NUVEvent_Pressure> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_Pressure)
