#pragma once

#include "NUVEvent.h"

// Advances the running time while flight memory is decoded; never kept in a flight.
class NUVEvent_DeltaTime : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::DeltaTime;
    NUVEventCode code() const override { return ClassCode; }

    float milliseconds = 0.0f;
};
