#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Received signal strength.
class NUVEvent_RSSI : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::RSSI;
    NUVEventCode code() const override { return ClassCode; }

    float rssi = 0.0f;

    static std::unique_ptr<NUVEvent_RSSI> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_RSSI)
