#pragma once

#include <array>
#include <cstdint>

// A device model behind the simulated HID backend. Reports are whole 65-byte reports with
// the report id 0 in byte 0. Calls arrive with the backend locked.
class SimulatedDevice
{
public:
    using Report = std::array<uint8_t, 65>;

    virtual ~SimulatedDevice() = default;

    virtual bool acceptsOpen() const = 0;
    // A report from the host; false when the device does not take it (the write fails).
    virtual bool receive(const Report &report) = 0;
    // The next report for the host; false when none is waiting (the read times out).
    virtual bool nextReport(Report &report) = 0;
    // The host driver drops the reports it has buffered.
    virtual void dropQueuedInput() = 0;
};
