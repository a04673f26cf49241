#include "NUVTAVODevice.h"

#include "ConsoleSink.h"
#include "NUVQORADevice.h"
#include "NUVTAVOProtocol.h"

#include <ostream>

using namespace NUVTAVOProtocol;

namespace {

constexpr uint32_t TransferTimeoutMs = 500;

std::vector<uint8_t> littleEndian(uint16_t reg)
{
    return {static_cast<uint8_t>(reg), static_cast<uint8_t>(reg >> 8)};
}

} // namespace

NUVTAVODevice::NUVTAVODevice() = default;

NUVTAVODevice::~NUVTAVODevice()
{
    bootloader.close();
    close();
}

int NUVTAVODevice::connectBootloader(uint16_t &version)
{
    return NUVQORADevice::connectBootloader(bootloader, Identity, version);
}

int NUVTAVODevice::startFirmware()
{
    return NUVQORADevice::startFirmware(bootloader);
}

int NUVTAVODevice::connectFirmware(uint16_t &version)
{
    return NUVQORADevice::connectFirmware(*this, Identity, version);
}

QString NUVTAVODevice::expectedVersionText() const
{
    return NUVQORADevice::expectedVersionText(Identity.firmwareVersion);
}

int NUVTAVODevice::exitFirmware()
{
    if (!isOpen())
        return 1;
    return write(HIDPacket(ExitFirmwareCode)) ? 0 : 6;
}

int NUVTAVODevice::exchange(const HIDPacket &request, HIDPacket &reply)
{
    if (!isOpen())
        return 1;
    if (!write(request))
        return 6;
    if (!read(reply)) {
        flush(TransferTimeoutMs);
        return 6;
    }
    return reply.code == OkCode ? 0 : 5;
}

int NUVTAVODevice::readRegister(uint16_t reg, uint8_t &value)
{
    HIDPacket reply;
    const int result = exchange(HIDPacket(ReadRegisterCode, littleEndian(reg)), reply);
    if (result == 0)
        value = reply.data[0];
    return result;
}

int NUVTAVODevice::writeRegister(uint16_t reg, uint8_t value)
{
    std::vector<uint8_t> data = littleEndian(reg);
    data.push_back(value);
    HIDPacket reply;
    return exchange(HIDPacket(WriteRegisterCode, std::move(data)), reply);
}

int NUVTAVODevice::setRFChannel(uint8_t channel)
{
    ConsoleSink::out() << "channel: " << int(channel) << std::endl; // a trace line by design
    HIDPacket reply;
    const int result = exchange(HIDPacket(SetChannelCode, {channel}), reply);
    if (result == 0)
        getFrequency(m_nominalFrequency);
    return result;
}

int NUVTAVODevice::setFrequency(int32_t hertz)
{
    if (!isOpen())
        return 1;
    const uint32_t word = frequencyWord(hertz);
    for (int byte = 0; byte < 4; ++byte)
        writeRegister(FrequencyRegisters[3 - byte], static_cast<uint8_t>(word >> (8 * byte)));
    return 0;
}

int NUVTAVODevice::getFrequency(int32_t &hertz)
{
    if (!isOpen())
        return 1;
    uint32_t word = 0;
    for (int byte = 0; byte < 4; ++byte) {
        uint8_t value = 0;
        readRegister(FrequencyRegisters[3 - byte], value);
        word |= uint32_t(value) << (8 * byte);
    }
    hertz = frequencyOfWord(word);
    return 0;
}

int32_t NUVTAVODevice::readTrackingValue()
{
    uint8_t bytes[3] = {0, 0, 0};
    for (int i = 2; i >= 0; --i)
        readRegister(TrackingRegisters[i], bytes[i]);
    return trackingValue(bytes[0], bytes[1], bytes[2]);
}
