#pragma once

#include "NUVEvent.h"

#include <cstdint>

// Auxiliary input E; found only in flight files.
class NUVEvent_AuxEInput : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::AuxEInput;
    NUVEventCode code() const override { return ClassCode; }

    uint16_t value = 0;
};
