#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Rotation rates.
class NUVEvent_GyroXYZ : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::GyroXYZ;
    NUVEventCode code() const override { return ClassCode; }

    float x = 0.0f; // degrees per second
    float y = 0.0f;
    float z = 0.0f;

    static std::unique_ptr<NUVEvent_GyroXYZ> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_GyroXYZ)
