#pragma once

#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <cstdint>
#include <memory>

// Temperature of the flight computer.
class NUVEvent_Temperature : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::Temperature;
    NUVEventCode code() const override { return ClassCode; }

    float temperature = 0.0f; // degrees Celsius

    static std::unique_ptr<NUVEvent_Temperature> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_Temperature)
