#pragma once

#include "NUVQORAInterface.h"
#include "RecordingPanel.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <memory>
#include <vector>

// An interface object on the simulated flight computer, with a recording panel.
struct InterfaceFixture
{
    SimulatedHidBackend backend;
    SimulatedFlightComputer device{backend};
    RecordingPanel panel;
    std::unique_ptr<NUVQORAInterface> link;

    InterfaceFixture()
    {
        HidBackend::setCurrent(&backend);
        link = std::make_unique<NUVQORAInterface>(&panel);
    }

    ~InterfaceFixture()
    {
        link.reset();
        HidBackend::setCurrent(nullptr);
    }

    // Plugs the firmware, connects to it and forgets what that took.
    void connectFirmware()
    {
        device.plugFirmware();
        link->attemptConnection();
        panel.takeCalls();
        backend.clearTransfers();
    }

    // Codes of the written requests, in order.
    std::vector<int> requestCodes() const
    {
        std::vector<int> codes;
        for (const SimulatedHidBackend::Transfer &t : backend.transfers()) {
            if (t.kind == SimulatedHidBackend::Transfer::Write)
                codes.push_back(t.report[1]);
        }
        return codes;
    }

    // Event codes of the live reads requested, in order.
    std::vector<int> liveReadCodes() const
    {
        std::vector<int> codes;
        for (const SimulatedHidBackend::Transfer &t : backend.transfers()) {
            if (t.kind == SimulatedHidBackend::Transfer::Write && t.report[1] == 3)
                codes.push_back(t.report[2]);
        }
        return codes;
    }
};
