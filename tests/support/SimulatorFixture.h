#pragma once

#include "NUVQORASettings.h"
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

    // The data bytes of the written requests with this code, in order.
    std::vector<std::vector<uint8_t>> requestData(uint8_t code) const
    {
        std::vector<std::vector<uint8_t>> data;
        for (const Transfer &t : backend.transfers()) {
            if (t.kind == Transfer::Write && t.report[1] == code)
                data.emplace_back(t.report.begin() + 2, t.report.end());
        }
        return data;
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

// A fault with one setting changed.
template<typename T>
CommandFault faultOf(T CommandFault::*setting, T value)
{
    CommandFault fault;
    fault.*setting = value;
    return fault;
}

inline CommandFault rejection()
{
    CommandFault fault;
    fault.rejectRequest = true;
    return fault;
}

// A flight memory of `count` flights of 110 bytes each, then erased memory. Each flight holds
// its marker, the default settings block, and AccelZ, 1 ms, Pressure, 1 ms, AccelZ; the memory
// parser keeps every record but the last, so each flight parses into two events.
inline std::vector<uint8_t> memoryOfFlights(int count)
{
    std::vector<uint8_t> memory;
    const NUVQORASettings::Image settings = NUVQORASettings().image;
    for (int i = 0; i < count; ++i) {
        memory.push_back(0x13);
        memory.insert(memory.end(), settings.begin(), settings.end());
        memory.insert(memory.end(), {0x02, 0x00, 0x80, 0x81, 0x03, 0x01, 0x86, 0xA0, 0x81, 0x02, 0x00, 0xC0});
    }
    memory.push_back(0xFF);
    return memory;
}
