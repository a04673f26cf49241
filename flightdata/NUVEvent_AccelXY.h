#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Lateral acceleration.
class NUVEvent_AccelXY : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::AccelXY;
    NUVEventCode code() const override { return ClassCode; }

    float x = 0.0f; // g
    float y = 0.0f; // g

    static std::unique_ptr<NUVEvent_AccelXY> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_AccelXY)
