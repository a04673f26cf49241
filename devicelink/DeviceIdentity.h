#pragma once

#include <cstdint>

// Product ids and expected versions of one device's bootloader and application firmware
// (versions compared under the mask 0xFFF0).
struct DeviceIdentity
{
    int bootloaderProductId;
    int bootloaderVersion;
    int firmwareProductId;
    int firmwareVersion;
};
