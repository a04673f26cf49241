#pragma once

#include "HidBackend.h"
#include "SimulatedDevice.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// HID access to in-process device models. Time is virtual: a read with nothing queued fails
// at once, and every transfer is recorded with the time-out it asked for, so tests check the
// waits without sitting through them. Thread-safe; plug and unplug notices are delivered
// outside the lock, in order.
class SimulatedHidBackend : public HidBackend
{
public:
    struct Transfer
    {
        enum Kind { Write, Read };
        Kind kind;
        uint32_t timeoutMs;
        bool succeeded;
        SimulatedDevice::Report report; // as written, or as read (zero when the read failed)
    };
    using NoticeListener = std::function<void(bool arrived, const std::string &path)>;

    // Holds the backend (and so every device behind it) for a compound step; notices that
    // the step causes go out when the outermost lock is released.
    class Lock
    {
    public:
        explicit Lock(SimulatedHidBackend &backend);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        SimulatedHidBackend &m_backend;
    };

    // Notices go to every DeviceNotifier of the process until another listener is set.
    SimulatedHidBackend();

    // Presents an interface of the device; returns its path, new for every plug-in.
    std::string plug(SimulatedDevice &device, uint16_t vendorId, uint16_t productId, uint16_t version);
    void unplug(const std::string &path);
    void setNoticeListener(NoticeListener listener);

    std::vector<Transfer> transfers() const;
    void clearTransfers();
    // Benchmarks switch recording off to measure the transport alone.
    void setRecording(bool on);
    int openHandleCount() const;

    // Makes the process-wide simulator selectable with NUV_HID_BACKEND=simulator: a flight
    // computer in its bootloader with the sample flight in its memory and live readings of the
    // rocket on the pad, and a ground station in its bootloader hearing that flight, flown again
    // and again in real time.
    static void registerWithPlatform();

    std::vector<HidInterfaceInfo> interfaces() override;
    int open(const std::string &path) override;
    void close(int handle) override;
    bool write(int handle, const uint8_t report[65], uint32_t timeoutMs) override;
    bool read(int handle, uint8_t report[65], uint32_t timeoutMs) override;
    void dropQueuedInput(int handle) override;

private:
    struct Plugged
    {
        HidInterfaceInfo info;
        SimulatedDevice *device;
    };
    struct Notice
    {
        bool arrived;
        std::string path;
    };

    SimulatedDevice *deviceFor(int handle) const;
    void record(Transfer::Kind kind, uint32_t timeoutMs, bool succeeded, const uint8_t *report);

    mutable std::recursive_mutex m_mutex;
    int m_lockDepth = 0;
    std::vector<Notice> m_pendingNotices;
    NoticeListener m_listener;
    std::vector<Plugged> m_plugged;
    std::map<int, std::string> m_handles; // handle -> path it was opened on
    int m_nextHandle = 1;
    int m_plugCount = 0;
    bool m_recording = true;
    std::vector<Transfer> m_transfers;
};
