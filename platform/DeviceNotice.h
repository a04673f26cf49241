#pragma once

#include <string>

// What a device arrival or removal report carries: the kind of device (5 for a device
// interface) and the interface's path.
struct DeviceNotice
{
    int deviceType = 0;
    std::string name;
};
