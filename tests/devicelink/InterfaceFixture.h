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
    NUVQORAInterface link;

    InterfaceFixture() { panel.listenTo(&link); }

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
        for (const std::vector<uint8_t> &data : requestData(3))
            codes.push_back(data[0]);
        return codes;
    }
};
