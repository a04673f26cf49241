#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Magnetic field.
class NUVEvent_MagXYZ : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::MagXYZ;
    NUVEventCode code() const override { return ClassCode; }

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    static std::unique_ptr<NUVEvent_MagXYZ> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_MagXYZ)
