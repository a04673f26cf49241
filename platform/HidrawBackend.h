#pragma once

#include "HidBackend.h"

#include <mutex>
#include <set>
#include <string>

// HID access through the Linux hidraw driver: interfaces come from sysfs, reports travel
// through /dev/hidrawN. The two roots are configurable so that a fake tree can stand in.
class HidrawBackend : public HidBackend
{
public:
    explicit HidrawBackend(std::string sysfsRoot = "/sys", std::string devRoot = "/dev");
    ~HidrawBackend() override;

    // Every interface under <sysfs>/class/hidraw, sorted by path. The path is the interface's
    // canonical sysfs directory, which names the plug-in and so changes on re-enumeration.
    std::vector<HidInterfaceInfo> interfaces() override;
    // Opens the node that the interface at that sysfs path names, if it is still present.
    int open(const std::string &path) override;
    void close(int handle) override;
    bool write(int handle, const uint8_t report[65], uint32_t timeoutMs) override;
    bool read(int handle, uint8_t report[65], uint32_t timeoutMs) override;
    void dropQueuedInput(int handle) override;

protected:
    // Opens a device node for reading and writing; tests hand out socket pairs instead.
    virtual int openDeviceNode(const std::string &nodePath);

private:
    bool isOpenHandle(int handle);

    const std::string m_sysfsRoot;
    const std::string m_devRoot;
    std::mutex m_mutex;
    std::set<int> m_handles;
};
