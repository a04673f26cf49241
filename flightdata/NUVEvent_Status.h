#pragma once

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

    // Flight phase: 0 pad, 1 boost, 2 coast, 3 apogee or descent, 4 ground.
    int32_t state = 0;
    LineFlags lineOn{};
    LineFlags lineContinuity{};
    LineFlags lineLowBits{}; // kept as read, not interpreted

    NUVEvent_Status() = default;
    NUVEvent_Status(uint32_t milliseconds, int32_t state, const LineFlags &lineOn,
                    const LineFlags &lineContinuity, const LineFlags &lineLowBits);

    static std::unique_ptr<NUVEvent_Status> fromBytes(PayloadReader payload, uint32_t milliseconds);

    // Maps the device's phase numbers (0 pad, 1 boost, 2 boost end, 3 coast, 4 apogee,
    // 5 descent, 6 ground) onto state; unknown phases read as pad.
    static int32_t foldPhase(unsigned devicePhase);
};

Q_DECLARE_METATYPE(NUVEvent_Status)
