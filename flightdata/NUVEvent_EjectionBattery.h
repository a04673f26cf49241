#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Voltage of the battery that fires the output lines.
class NUVEvent_EjectionBattery : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::EjectionBattery;
    NUVEventCode code() const override { return ClassCode; }

    float voltage = 0.0f; // V

    static std::unique_ptr<NUVEvent_EjectionBattery> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_EjectionBattery)
