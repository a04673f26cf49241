#include "HidrawBackend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int ReportSize = 65;  // report id byte and 64 data bytes
constexpr int PayloadSize = 64; // what the kernel hands over for an unnumbered report
// hidraw queues at most 64 reports; the bound keeps a device that streams faster than we
// drain from holding the caller here forever.
constexpr int MaxDroppedReports = 1024;
constexpr std::streamsize MaxAttributeSize = 4096;

std::optional<std::string> readAttribute(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(MaxAttributeSize, '\0');
    in.read(text.data(), MaxAttributeSize);
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

// The value of KEY=value in a uevent file, or nothing.
std::optional<std::string> ueventValue(const std::string &uevent, const std::string &key)
{
    size_t lineStart = 0;
    while (lineStart < uevent.size()) {
        size_t lineEnd = uevent.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = uevent.size();
        const std::string line = uevent.substr(lineStart, lineEnd - lineStart);
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=')
            return line.substr(key.size() + 1);
        lineStart = lineEnd + 1;
    }
    return std::nullopt;
}

// A hexadecimal number that fits 16 bits, surrounded by nothing but white space.
std::optional<uint16_t> parseHex16(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\n");
    const size_t last = text.find_last_not_of(" \t\n");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string digits = text.substr(first, last - first + 1);
    if (digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, 16);
    if (value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

// HID_ID is "bus:vendor:product", each field hexadecimal.
bool parseHidId(const std::string &hidId, HidInterfaceInfo &info)
{
    const size_t firstColon = hidId.find(':');
    const size_t secondColon = firstColon == std::string::npos ? firstColon : hidId.find(':', firstColon + 1);
    if (secondColon == std::string::npos)
        return false;
    const auto vendor = parseHex16(hidId.substr(firstColon + 1, secondColon - firstColon - 1));
    const auto product = parseHex16(hidId.substr(secondColon + 1));
    if (!vendor || !product)
        return false;
    info.vendorId = *vendor;
    info.productId = *product;
    return true;
}

// The USB device above a HID device carries the release number; other buses have none.
uint16_t usbReleaseNumber(const fs::path &hidDevice, const fs::path &sysfsRoot)
{
    const std::string root = sysfsRoot.string();
    for (fs::path dir = hidDevice.parent_path(); dir.string().size() > root.size() && dir.string().compare(0, root.size(), root) == 0;
         dir = dir.parent_path()) {
        if (const auto text = readAttribute(dir / "bcdDevice"))
            return parseHex16(*text).value_or(0);
    }
    return 0;
}

std::optional<HidInterfaceInfo> describeInterface(const fs::path &classEntry, const fs::path &sysfsRoot)
{
    std::error_code error;
    const fs::path interfacePath = fs::canonical(classEntry, error);
    if (error)
        return std::nullopt;
    const fs::path hidDevice = fs::canonical(interfacePath / "device", error);
    if (error)
        return std::nullopt;
    const auto uevent = readAttribute(hidDevice / "uevent");
    const auto hidId = uevent ? ueventValue(*uevent, "HID_ID") : std::nullopt;
    HidInterfaceInfo info;
    if (!hidId || !parseHidId(*hidId, info))
        return std::nullopt;
    info.path = interfacePath.string();
    info.versionNumber = usbReleaseNumber(hidDevice, sysfsRoot);
    return info;
}

class Deadline
{
public:
    explicit Deadline(uint32_t timeoutMs)
        : m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs))
    {
    }

    int remainingMs() const
    {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now()).count();
        return static_cast<int>(std::clamp<decltype(left)>(left, 0, INT_MAX));
    }

private:
    std::chrono::steady_clock::time_point m_end;
};

// Waits until the descriptor is ready for the wanted events; false on time-out or when the
// device reports only an error or hang-up.
bool waitUntilReady(int fd, short events, const Deadline &deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, deadline.remainingMs());
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && (entry.revents & events);
    }
}

} // namespace

HidrawBackend::HidrawBackend(std::string sysfsRoot, std::string devRoot)
    : m_sysfsRoot(std::move(sysfsRoot))
    , m_devRoot(std::move(devRoot))
{
}

HidrawBackend::~HidrawBackend()
{
    for (int handle : m_handles)
        ::close(handle);
}

std::vector<HidInterfaceInfo> HidrawBackend::interfaces()
{
    std::error_code error;
    const fs::path root = fs::weakly_canonical(m_sysfsRoot, error);
    std::vector<HidInterfaceInfo> found;
    for (fs::directory_iterator it(root / "class" / "hidraw", error), end; !error && it != end; it.increment(error)) {
        if (auto info = describeInterface(it->path(), root))
            found.push_back(std::move(*info));
    }
    std::sort(found.begin(), found.end(), [](const HidInterfaceInfo &a, const HidInterfaceInfo &b) { return a.path < b.path; });
    return found;
}

int HidrawBackend::open(const std::string &path)
{
    if (path.empty())
        return -1;
    const auto uevent = readAttribute(fs::path(path) / "uevent");
    const auto nodeName = uevent ? ueventValue(*uevent, "DEVNAME") : std::nullopt;
    // The name comes from a file; it must stay a plain entry of the device root.
    if (!nodeName || nodeName->empty() || nodeName->find('/') != std::string::npos || (*nodeName)[0] == '.')
        return -1;
    const int handle = openDeviceNode(m_devRoot + "/" + *nodeName);
    if (handle < 0)
        return -1;
    // Time-outs come from poll(); a transfer itself must never block.
    const int flags = ::fcntl(handle, F_GETFL);
    if (flags < 0 || ::fcntl(handle, F_SETFL, flags | O_NONBLOCK) < 0) {
        ::close(handle);
        return -1;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles.insert(handle);
    return handle;
}

void HidrawBackend::close(int handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_handles.erase(handle))
        ::close(handle);
}

bool HidrawBackend::write(int handle, const uint8_t report[65], uint32_t timeoutMs)
{
    if (!isOpenHandle(handle))
        return false;
    // The kernel takes the report id as the first byte and, for an unnumbered report (id 0),
    // sends only the 64 bytes after it.
    const Deadline deadline(timeoutMs);
    for (;;) {
        const ssize_t written = ::write(handle, report, ReportSize);
        if (written >= 0)
            return written == ReportSize;
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || !waitUntilReady(handle, POLLOUT, deadline))
            return false;
    }
}

bool HidrawBackend::read(int handle, uint8_t report[65], uint32_t timeoutMs)
{
    if (!isOpenHandle(handle))
        return false;
    // An unnumbered report arrives as its 64 bytes without an id; a shorter one is zero-padded.
    std::memset(report, 0, ReportSize);
    const Deadline deadline(timeoutMs);
    for (;;) {
        const ssize_t received = ::read(handle, report + 1, PayloadSize);
        if (received >= 0)
            return received > 0; // 0: the device end is gone
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || !waitUntilReady(handle, POLLIN, deadline))
            return false;
    }
}

void HidrawBackend::dropQueuedInput(int handle)
{
    if (!isOpenHandle(handle))
        return;
    uint8_t scratch[PayloadSize];
    for (int dropped = 0; dropped < MaxDroppedReports;) {
        const ssize_t received = ::read(handle, scratch, sizeof scratch);
        if (received > 0)
            ++dropped;
        else if (received < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}

int HidrawBackend::openDeviceNode(const std::string &nodePath)
{
    return ::open(nodePath.c_str(), O_RDWR | O_CLOEXEC);
}

bool HidrawBackend::isOpenHandle(int handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_handles.count(handle) != 0;
}
