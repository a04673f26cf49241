#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// A GPS position solution. Latitude and longitude need double precision.
class NUVEvent_GPSLLSol : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::GPSLLSol;
    NUVEventCode code() const override { return ClassCode; }

    double latitude = 0.0;  // degrees
    double longitude = 0.0; // degrees
    float altitude = 0.0f;  // m above mean sea level
    uint32_t satellites = 0;
    bool fixValid = false;

    static std::unique_ptr<NUVEvent_GPSLLSol> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_GPSLLSol)
