#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// GPS time. A time with both flags set is preferred as a flight's reference time.
class NUVEvent_GPSTime : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::GPSTime;
    NUVEventCode code() const override { return ClassCode; }

    uint32_t timeOfWeek = 0; // ms
    uint16_t week = 0;
    bool timeValid = false;
    bool flagBit6 = false;
    uint32_t seconds = 0;

    static std::unique_ptr<NUVEvent_GPSTime> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_GPSTime)
