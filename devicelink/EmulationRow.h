#pragma once

#include "EmulationStepRequest.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

// One line of an emulation-data file: its time and the raw sensor values that the flight
// computer is fed for that 10 ms step. Values beyond a field's integer range saturate.
struct EmulationRow
{
    float time = 0; // s, echoed into the results
    EmulationStepRequest step;

    // Nothing when the line holds fewer than ten comma-separated fields. Fields that are not
    // numbers read as 0; numbers are read in the C locale whatever the user's locale.
    static std::optional<EmulationRow> parse(const QByteArray &line);

    // Pressure in Pa at an altitude above mean sea level (standard atmosphere, capped at 30 km).
    static uint32_t pressureAt(float altitude);
};
