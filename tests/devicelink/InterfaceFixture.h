#pragma once

#include "CapturedOutput.h"
#include "NUVQORAInterface.h"
#include "RecordingPanel.h"
#include "SimulatorFixture.h"

// An interface object on the simulated flight computer, reporting to a recording panel; what
// it prints is kept aside.
struct InterfaceFixture : SimulatorFixture
{
    CapturedOutput output;
    RecordingPanel panel;
    NUVQORAInterface link{&panel};

    // Plugs the firmware, connects to it and forgets what that took.
    void connectFirmware()
    {
        computer.plugFirmware();
        link.attemptConnection();
        panel.takeCalls();
        backend.clearTransfers();
    }

    // Event codes of the live reads requested, in order.
    std::vector<int> liveReadCodes() const
    {
        std::vector<int> codes;
        for (const Transfer &t : backend.transfers()) {
            if (t.kind == Transfer::Write && t.report[1] == 3)
                codes.push_back(t.report[2]);
        }
        return codes;
    }
};
