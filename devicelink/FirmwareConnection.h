#pragma once

#include "DeviceIdentity.h"

#include <QString>

#include <cstdint>
#include <functional>

class HIDDevice;

// The connection attempt that both programs run when USB devices change: a bootloader that is
// found is told to start the firmware; otherwise the firmware is opened and flushed. Every
// outcome is told on the owner's console in the words of the named product. The owner holds
// its device lock around the call and emits its own signals from the outcome.
class FirmwareConnection
{
public:
    using Console = std::function<void(const QString &)>;

    struct Outcome
    {
        bool firmwareStageReached = false; // no bootloader was in the way: the owner checks for a disconnection
        bool firmwareInitialized = false;  // the firmware was newly opened, or a wrong version reported
    };

    FirmwareConnection(const QString &productName, const DeviceIdentity &identity, uint32_t flushSendTimeoutMs);

    // `wrongVersionReported` keeps a wrong firmware version from being reported on every attempt.
    Outcome attempt(HIDDevice &firmware, HIDDevice &bootloader, bool autoStartFirmware,
                    bool &wrongVersionReported, const Console &console) const;

private:
    QString m_productName;
    DeviceIdentity m_identity;
    uint32_t m_flushSendTimeoutMs;
};
