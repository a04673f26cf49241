#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// The device's own attitude quaternion: vector part x, y, z, scalar part w.
class NUVEvent_Orientation : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::Orientation;
    NUVEventCode code() const override { return ClassCode; }

    float x = 0.0f;
    float y = 0.0f;
    float z = 1.0f;
    float w = 0.0f;

    static std::unique_ptr<NUVEvent_Orientation> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_Orientation)
