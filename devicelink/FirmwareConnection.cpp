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
    ConsoleSink::out() << "attempting connection" << std::endl;
    if (firmware.isOpen())
        return outcome;
    ConsoleSink::out() << "not connected" << std::endl;

    uint16_t version = 0;
    bool bootloaderOpen = bootloader.isOpen();
    if (!bootloaderOpen) {
        switch (NUVQORADevice::connectBootloader(bootloader, m_identity, version)) {
        case 0:
            console("Connected to " + m_productName + " bootloader.");
            bootloaderOpen = true;
            break;
        case -3:
            console(m_productName + " connected, but with incorrect bootloader version. Please check your "
                                    "firmware/software versions.");
            return outcome;
        case -2:
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
        case 0:
            console("Awaiting firmware initialization...");
            wrongVersionReported = false;
            break;
        case -7:
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
    case 0:
        wrongVersionReported = false;
        break;
    case 3:
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
    case 6:
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
