#pragma once

#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <vector>

using Transfer = SimulatedHidBackend::Transfer;

// The simulated flight computer (unplugged at first) behind a backend of its own, which is the
// process's HID backend while the fixture lives.
struct SimulatorFixture
{
    SimulatedHidBackend backend;
    SimulatedFlightComputer computer{backend};

    SimulatorFixture() { HidBackend::setCurrent(&backend); }
    ~SimulatorFixture() { HidBackend::setCurrent(nullptr); }
    SimulatorFixture(const SimulatorFixture &) = delete;
    SimulatorFixture &operator=(const SimulatorFixture &) = delete;

    // Codes of the written requests, in order.
    std::vector<int> requestCodes() const
    {
        std::vector<int> codes;
        for (const Transfer &t : backend.transfers()) {
            if (t.kind == Transfer::Write)
                codes.push_back(t.report[1]);
        }
        return codes;
    }
};

// A whole report as the host writes it: report id 0, the code, its data, zero padding.
inline SimulatedDevice::Report reportOf(uint8_t code, const std::vector<uint8_t> &data = {})
{
    SimulatedDevice::Report report{};
    report[1] = code;
    std::copy(data.begin(), data.end(), report.begin() + 2);
    return report;
}

inline CommandFault silence()
{
    CommandFault fault;
    fault.noReply = true;
    return fault;
}

inline CommandFault replyWithCode(int code)
{
    CommandFault fault;
    fault.replyCode = code;
    return fault;
}

inline CommandFault rejection()
{
    CommandFault fault;
    fault.rejectRequest = true;
    return fault;
}
