#include "HIDDevice.h"

#include "ConsoleSink.h"
#include "DeviceNotice.h"
#include "HidBackend.h"
#include "TickClock.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <ostream>

namespace {

constexpr int ReportSize = 65;
constexpr uint32_t GroundStationTimeoutMs = 500;
constexpr uint32_t FlushReadTimeoutMs = 500;
// A device that keeps streaming never answers the flush; give up after this much.
constexpr int FlushMaxReports = 4096;
constexpr uint32_t FlushMaxMs = 10000;
constexpr int DeviceInterfaceType = 5;

bool equalIgnoringCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace

HIDDevice::HIDDevice(const HIDDevice &other)
    : m_path(other.m_path)
    , m_attributes(other.m_attributes)
{
}

HIDDevice &HIDDevice::operator=(const HIDDevice &other)
{
    if (this != &other) {
        close();
        m_path = other.m_path;
        m_attributes = other.m_attributes;
    }
    return *this;
}

HIDDevice::~HIDDevice()
{
    close();
}

std::vector<HIDDevice> HIDDevice::enumerate(int productId, int version, int mask)
{
    std::vector<HIDDevice> found;
    for (const HidInterfaceInfo &info : HidBackend::current().interfaces()) {
        if (info.vendorId != VendorId || info.productId != productId
            || (info.versionNumber & mask) != (version & mask))
            continue;
        HIDDevice device;
        device.m_path = info.path;
        device.m_attributes.vendorId = info.vendorId;
        device.m_attributes.productId = info.productId;
        device.m_attributes.versionNumber = info.versionNumber;
        found.push_back(device);
    }
    return found;
}

bool HIDDevice::open()
{
    if (isOpen())
        return true;
    HidBackend &backend = HidBackend::current();
    const int handle = m_path.empty() ? -1 : backend.open(m_path);
    if (handle < 0) {
        // One backend handle stands for both directions, so both are reported.
        ConsoleSink::out() << "Cant get USB file handle. The file is locked." << std::endl;
        ConsoleSink::out() << "Invalid read handle." << std::endl;
        ConsoleSink::out() << "Invalid write handle." << std::endl;
        return false;
    }
    m_backend = &backend;
    m_handle = handle;
    return true;
}

bool HIDDevice::isOpen() const
{
    return m_handle >= 0;
}

void HIDDevice::close()
{
    if (m_handle >= 0)
        m_backend->close(m_handle);
    m_handle = -1;
    m_backend = nullptr;
}

bool HIDDevice::write(const HIDPacket &packet, uint32_t timeoutMs)
{
    return writeReport(packet, timeoutMs, "ERROR - CODE READS 1!");
}

bool HIDDevice::write(const HIDPacket &packet)
{
    return writeReport(packet, GroundStationTimeoutMs, "ERROR");
}

bool HIDDevice::writeReport(const HIDPacket &packet, uint32_t timeoutMs, const char *refusalText)
{
    if (!isOpen())
        return false;
    if (packet.code == FlushAnswerCode) {
        // Code 1 is the device's flush answer; sending it would confuse every later exchange.
        ConsoleSink::out() << refusalText << std::flush;
        return false;
    }
    std::array<uint8_t, ReportSize> report{};
    report[1] = packet.code;
    std::copy_n(packet.data.begin(), std::min<size_t>(packet.data.size(), HIDPacket::DataSize), report.begin() + 2);
    return m_backend->write(m_handle, report.data(), timeoutMs);
}

bool HIDDevice::read(HIDPacket &packet, uint32_t timeoutMs)
{
    if (!isOpen())
        return false;
    std::array<uint8_t, ReportSize> report{};
    if (!m_backend->read(m_handle, report.data(), timeoutMs)) {
        ConsoleSink::out() << "failed to rx" << std::endl;
        return false;
    }
    packet.code = report[1];
    packet.data.assign(report.begin() + 2, report.end());
    return true;
}

bool HIDDevice::read(HIDPacket &packet)
{
    return read(packet, GroundStationTimeoutMs);
}

int HIDDevice::flush(uint32_t sendTimeoutMs)
{
    if (!isOpen())
        return NoDevice;
    m_backend->dropQueuedInput(m_handle);
    if (!write(HIDPacket(FlushCode), sendTimeoutMs))
        return GenericError;
    const uint32_t start = TickClock::milliseconds();
    HIDPacket reply;
    for (int reports = 0; reports < FlushMaxReports; ++reports) {
        if (!read(reply, FlushReadTimeoutMs))
            return GenericError;
        if (reply.code == FlushAnswerCode)
            return Ok;
        if (TickClock::milliseconds() - start > FlushMaxMs)
            break;
    }
    return GenericError;
}

bool HIDDevice::matches(const DeviceNotice &notice) const
{
    if (notice.deviceType == DeviceInterfaceType) {
        // Both paths and a failed match are printed by design.
        ConsoleSink::out() << "->" << pathString() << std::endl;
        ConsoleSink::out() << "->" << notice.name << std::endl;
        if (!m_path.empty() && equalIgnoringCase(m_path, notice.name))
            return true;
    }
    ConsoleSink::out() << "Match Failed." << std::endl;
    return false;
}

std::string HIDDevice::pathString() const
{
    return m_path;
}
