#include "FirmwareConnection.h"

#include "ConsoleSink.h"
#include "HIDDevice.h"
#include "NUVQORADevice.h"

#include <ostream>

namespace {

const QString usbError =
    QStringLiteral("There was a generic USB connection error. Please try reconnecting your device.");

} // namespace

FirmwareConnection::FirmwareConnection(const QString &productName, const DeviceIdentity &identity,
                                       uint32_t flushSendTimeoutMs)
    : m_productName(productName)
    , m_identity(identity)
    , m_flushSendTimeoutMs(flushSendTimeoutMs)
{
}

FirmwareConnection::Outcome FirmwareConnection::attempt(HIDDevice &firmware, HIDDevice &bootloader,
                                                        bool autoStartFirmware, bool &wrongVersionReported,
                                                        const Console &console) const
{
    Outcome outcome;
    // The trace lines of an attempt, "WAITING" among them, are printed by design.
    ConsoleSink::out() << "attempting connection" << std::endl;
    if (firmware.isOpen())
        return outcome;
    ConsoleSink::out() << "not connected" << std::endl;

    uint16_t version = 0;
    bool bootloaderOpen = bootloader.isOpen();
    if (!bootloaderOpen) {
        switch (NUVQORADevice::connectBootloader(bootloader, m_identity, version)) {
        case NUVQORADevice::BootloaderReady:
            console("Connected to " + m_productName + " bootloader.");
            bootloaderOpen = true;
            break;
        case NUVQORADevice::OtherBootloaderVersion:
            console(m_productName + " connected, but with incorrect bootloader version. Please check your "
                                    "firmware/software versions.");
            return outcome;
        case NUVQORADevice::BootloaderUnopenable:
            console(usbError);
            return outcome;
        default:
            break;
        }
    }

    ConsoleSink::out() << "auto: " << int(autoStartFirmware) << std::endl;
    if (bootloaderOpen) {
        if (!autoStartFirmware)
            return outcome;
        switch (NUVQORADevice::startFirmware(bootloader)) {
        case NUVQORADevice::BootloaderReady:
            console("Awaiting firmware initialization...");
            wrongVersionReported = false;
            break;
        case NUVQORADevice::BootloaderLost:
            console("Bootloader connection failed.");
            wrongVersionReported = false;
            break;
        default:
            break;
        }
        return outcome;
    }

    outcome.firmwareStageReached = true;
    if (!autoStartFirmware)
        return outcome;
    switch (NUVQORADevice::connectFirmware(firmware, m_identity, version)) {
    case NUVQORADevice::Ok:
        wrongVersionReported = false;
        break;
    case NUVQORADevice::IncorrectVersion:
        if (!wrongVersionReported) {
            wrongVersionReported = true;
            firmware.flush(m_flushSendTimeoutMs);
            console(m_productName + " connected, but with incorrect firmware version.");
            console("This software is intended for devices with firmware version: "
                    + NUVQORADevice::expectedVersionText(m_identity.firmwareVersion));
            console("The connected device is version: " + NUVQORADevice::versionText(version));
            outcome.firmwareInitialized = true;
        }
        break;
    case NUVQORADevice::GenericError:
        console(usbError);
        wrongVersionReported = false;
        break;
    default:
        break;
    }
    if (firmware.isOpen()) {
        ConsoleSink::out() << "WAITING" << std::endl;
        firmware.flush(m_flushSendTimeoutMs);
        console("Firmware initialized.\n" + m_productName + " (firmware version: "
                + NUVQORADevice::versionText(firmware.attributes().versionNumber) + ") is now connected.");
        outcome.firmwareInitialized = true;
        wrongVersionReported = false;
    }
    return outcome;
}
