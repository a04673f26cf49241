#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Axial acceleration.
class NUVEvent_AccelZ : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::AccelZ;
    NUVEventCode code() const override { return ClassCode; }

    float acceleration = 0.0f; // g

    static std::unique_ptr<NUVEvent_AccelZ> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_AccelZ)
