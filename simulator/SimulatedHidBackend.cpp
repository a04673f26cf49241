#include "SimulatedHidBackend.h"

#include "DeviceNotifier.h"
#include "SampleFlight.h"
#include "SampleFlightMemory.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedGroundStation.h"
#include "TelemetryTransmitter.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t DemoTransmitterOffsetHz = 460;

} // namespace

SimulatedHidBackend::Lock::Lock(SimulatedHidBackend &backend)
    : m_backend(backend)
{
    m_backend.m_mutex.lock();
    ++m_backend.m_lockDepth;
}

SimulatedHidBackend::Lock::~Lock()
{
    std::vector<Notice> notices;
    NoticeListener listener;
    if (--m_backend.m_lockDepth == 0) {
        notices.swap(m_backend.m_pendingNotices);
        listener = m_backend.m_listener;
    }
    m_backend.m_mutex.unlock();
    if (listener) {
        for (const Notice &notice : notices)
            listener(notice.arrived, notice.path);
    }
}

SimulatedHidBackend::SimulatedHidBackend()
    : m_listener([](bool arrived, const std::string &path) {
        if (arrived)
            DeviceNotifier::reportArrival(path);
        else
            DeviceNotifier::reportRemoval(path);
    })
{
}

std::string SimulatedHidBackend::plug(SimulatedDevice &device, uint16_t vendorId, uint16_t productId, uint16_t version)
{
    Lock lock(*this);
    HidInterfaceInfo info;
    info.path = "/sim/hid/" + std::to_string(++m_plugCount) + "/" + std::to_string(productId);
    info.vendorId = vendorId;
    info.productId = productId;
    info.versionNumber = version;
    m_plugged.push_back({info, &device});
    m_pendingNotices.push_back({true, info.path});
    return info.path;
}

void SimulatedHidBackend::unplug(const std::string &path)
{
    Lock lock(*this);
    const auto found = std::find_if(m_plugged.begin(), m_plugged.end(),
                                    [&](const Plugged &p) { return p.info.path == path; });
    if (found == m_plugged.end())
        return;
    m_plugged.erase(found);
    m_pendingNotices.push_back({false, path});
}

void SimulatedHidBackend::setNoticeListener(NoticeListener listener)
{
    Lock lock(*this);
    m_listener = std::move(listener);
}

std::vector<SimulatedHidBackend::Transfer> SimulatedHidBackend::transfers() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_transfers;
}

void SimulatedHidBackend::clearTransfers()
{
    Lock lock(*this);
    m_transfers.clear();
}

void SimulatedHidBackend::setRecording(bool on)
{
    Lock lock(*this);
    m_recording = on;
}

int SimulatedHidBackend::openHandleCount() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return static_cast<int>(m_handles.size());
}

std::vector<HidInterfaceInfo> SimulatedHidBackend::interfaces()
{
    Lock lock(*this);
    std::vector<HidInterfaceInfo> result;
    for (const Plugged &p : m_plugged)
        result.push_back(p.info);
    return result;
}

int SimulatedHidBackend::open(const std::string &path)
{
    Lock lock(*this);
    const auto found = std::find_if(m_plugged.begin(), m_plugged.end(),
                                    [&](const Plugged &p) { return p.info.path == path; });
    if (found == m_plugged.end() || !found->device->acceptsOpen())
        return -1;
    const int handle = m_nextHandle++;
    m_handles[handle] = path;
    return handle;
}

void SimulatedHidBackend::close(int handle)
{
    Lock lock(*this);
    m_handles.erase(handle);
}

SimulatedDevice *SimulatedHidBackend::deviceFor(int handle) const
{
    const auto opened = m_handles.find(handle);
    if (opened == m_handles.end())
        return nullptr;
    for (const Plugged &p : m_plugged) {
        if (p.info.path == opened->second)
            return p.device;
    }
    return nullptr; // unplugged since it was opened
}

void SimulatedHidBackend::record(Transfer::Kind kind, uint32_t timeoutMs, bool succeeded, const uint8_t *report)
{
    if (!m_recording)
        return;
    Transfer transfer{kind, timeoutMs, succeeded, {}};
    if (report)
        std::memcpy(transfer.report.data(), report, transfer.report.size());
    m_transfers.push_back(transfer);
}

bool SimulatedHidBackend::write(int handle, const uint8_t report[65], uint32_t timeoutMs)
{
    Lock lock(*this);
    SimulatedDevice *device = deviceFor(handle);
    SimulatedDevice::Report copy;
    std::memcpy(copy.data(), report, copy.size());
    const bool taken = device && device->receive(copy);
    record(Transfer::Write, timeoutMs, taken, report);
    return taken;
}

bool SimulatedHidBackend::read(int handle, uint8_t report[65], uint32_t timeoutMs)
{
    Lock lock(*this);
    SimulatedDevice *device = deviceFor(handle);
    SimulatedDevice::Report received{};
    const bool ok = device && device->nextReport(received);
    received[0] = 0;
    record(Transfer::Read, timeoutMs, ok, ok ? received.data() : nullptr);
    if (ok)
        std::memcpy(report, received.data(), received.size());
    return ok;
}

void SimulatedHidBackend::dropQueuedInput(int handle)
{
    Lock lock(*this);
    if (SimulatedDevice *device = deviceFor(handle))
        device->dropQueuedInput();
}

void SimulatedHidBackend::registerWithPlatform()
{
    HidBackend::registerBackend("simulator", []() -> HidBackend & {
        static SimulatedHidBackend backend;
        static SimulatedFlightComputer flightComputer(backend);
        static SimulatedGroundStation groundStation(backend);
        static TelemetryTransmitter transmitter(SampleFlight::records());
        static const bool plugged = [] {
            flightComputer.setMemoryImage(SampleFlightMemory::build());
            flightComputer.setLiveSource([pad = SampleFlight::PadReadings()](uint8_t code) mutable {
                return pad.next(code);
            });
            flightComputer.plugBootloader();
            // The flight computer on the pad is heard a little off the channel.
            groundStation.setTransmitterOffset(DemoTransmitterOffsetHz);
            groundStation.setTransmitter(&transmitter);
            groundStation.plugBootloader();
            return true;
        }();
        (void)plugged;
        return backend;
    });
}
