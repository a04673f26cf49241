#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One present HID interface.
struct HidInterfaceInfo
{
    std::string path; // unique per plug-in; what HIDDevice stores and notices carry
    uint16_t vendorId = 0, productId = 0, versionNumber = 0;
};

// Raw report I/O with HID interfaces. HIDDevice keeps the transport's own logic and hands
// only this to a backend, so a simulated device exercises the real transport code.
class HidBackend
{
public:
    virtual ~HidBackend() = default;

    virtual std::vector<HidInterfaceInfo> interfaces() = 0; // every present HID interface, any vendor
    virtual int open(const std::string &path) = 0;          // a handle >= 0, or -1
    virtual void close(int handle) = 0;
    virtual bool write(int handle, const uint8_t report[65], uint32_t timeoutMs) = 0; // report[0] is the report id 0
    virtual bool read(int handle, uint8_t report[65], uint32_t timeoutMs) = 0;        // fills report[0] = 0 and 64 bytes
    virtual void dropQueuedInput(int handle) = 0;

    // The process's backend, chosen once by NUV_HID_BACKEND among the registered ones
    // ("hidraw" when unset).
    static HidBackend &current();
    // Tests install their own; nullptr restores the chosen one.
    static void setCurrent(HidBackend *backend);

    // Makes a backend selectable by name; the instance must outlive its use.
    using Factory = HidBackend &(*)();
    static void registerBackend(const std::string &name, Factory factory);
};
