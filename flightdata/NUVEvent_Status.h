#pragma once

#include "FlightPhase.h"
#include "NUVEvent.h"
#include "PayloadReader.h"

#include <QMetaType>

#include <array>
#include <cstdint>
#include <memory>

// The flight computer's status word: flight phase and the state of the four output lines.
// Each array is indexed by line A, B, C, D.
class NUVEvent_Status : public NUVEvent
{
public:
    static constexpr NUVEventCode ClassCode = NUVEventCode::Status;
    NUVEventCode code() const override { return ClassCode; }

    using LineFlags = std::array<bool, 4>;

    int32_t state = FlightPhase::Pad; // a FlightPhase::State
    LineFlags lineOn{};
    LineFlags lineContinuity{};
    LineFlags lineLowBits{}; // kept as read, not interpreted

    NUVEvent_Status() = default;
    NUVEvent_Status(uint32_t milliseconds, int32_t state, const LineFlags &lineOn,
                    const LineFlags &lineContinuity, const LineFlags &lineLowBits);

    static std::unique_ptr<NUVEvent_Status> fromBytes(PayloadReader payload, uint32_t milliseconds);
};

Q_DECLARE_METATYPE(NUVEvent_Status)
