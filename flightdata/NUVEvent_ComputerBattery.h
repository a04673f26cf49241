#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Voltage of the flight computer's own battery.
class NUVEvent_ComputerBattery : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::ComputerBattery;
    NUVEventCode code() const override { return ClassCode; }

    float voltage = 0.0f; // V

    static std::unique_ptr<NUVEvent_ComputerBattery> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_ComputerBattery)
