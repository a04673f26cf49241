#pragma once

#include "HIDPacket.h"

#include <cstdint>
#include <string>
#include <vector>

class HidBackend;
struct DeviceNotice;

// One USB HID interface of a device of the system: its path and identity, and while open
// its backend handle. Transfers go one 65-byte report at a time, each with a time-out.
// Not thread-safe: the owner serialises every use.
class HIDDevice
{
public:
    static constexpr uint16_t VendorId = 0x03DB;
    // The flush request and the device's answer to it; the answer's code is never sent.
    static constexpr uint8_t FlushCode = 255;
    static constexpr uint8_t FlushAnswerCode = 1;

    // What a device operation returns. The numbers are the link's own: callers compare them,
    // and NUVQORADevice::resultText names them.
    enum Result : int {
        Ok = 0,
        NoDevice = 1,             // the record is not open; nothing was sent
        IncorrectBootVersion = 2, // named only
        IncorrectVersion = 3,
        ChecksumError = 4,        // named only
        ProtocolError = 5,        // a reply with the wrong code, or none in time
        GenericError = 6,         // a transfer failed, or the device refused
    };

    struct Attributes
    {
        uint32_t size = 12;
        uint16_t vendorId = 0;
        uint16_t productId = 0;
        uint16_t versionNumber = 0;
    };

    HIDDevice() = default;
    // A copy takes the path and attributes but never the open handle, so no handle is
    // ever closed twice.
    HIDDevice(const HIDDevice &other);
    HIDDevice &operator=(const HIDDevice &other);
    ~HIDDevice();

    // Present interfaces of our vendor with this product id whose version matches under the mask
    // (a mask of 0 accepts every version); every record returned is closed.
    static std::vector<HIDDevice> enumerate(int productId, int version, int mask);

    bool open();
    bool isOpen() const;
    void close();

    bool write(const HIDPacket &packet, uint32_t timeoutMs);
    bool read(HIDPacket &packet, uint32_t timeoutMs);
    // The ground station's transfers: a fixed 500 ms wait each.
    bool write(const HIDPacket &packet);
    bool read(HIDPacket &packet);

    // Drops stale input, sends code 255 and reads until the device answers code 1:
    // Ok, NoDevice or GenericError.
    int flush(uint32_t sendTimeoutMs = 5000);

    bool matches(const DeviceNotice &notice) const;
    std::string pathString() const;

    const Attributes &attributes() const { return m_attributes; }

private:
    bool writeReport(const HIDPacket &packet, uint32_t timeoutMs, const char *refusalText);

    std::string m_path;
    Attributes m_attributes;
    HidBackend *m_backend = nullptr; // the backend that issued m_handle
    int m_handle = -1;
};
