#pragma once

#include "NUVEvent.h"

#include <cstdint>

// Auxiliary input D; found only in flight files.
class NUVEvent_AuxDInput : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::AuxDInput;
    NUVEventCode code() const override { return ClassCode; }

    uint16_t value = 0;
};
