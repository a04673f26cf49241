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
    float voltage = 0.0f; // V

    static std::unique_ptr<NUVEvent_EjectionBattery> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_EjectionBattery)
