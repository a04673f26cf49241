#pragma once

#include "DeviceIdentity.h"
#include "HIDDevice.h"

#include <QString>

#include <cstdint>

// The ground station's command layer. The inherited record is the application firmware;
// `bootloader` is the bootloader. Besides connecting it offers the radio's registers: read or
// write one byte, select a channel, leave the firmware, and tune the receive frequency. Every
// transfer waits 500 ms. Results: 0 done, 1 the firmware is not open (nothing sent), 5 a reply
// other than success, 6 the request could not be sent or no reply came. No lock of its own:
// the owner serialises all calls.
class NUVTAVODevice : public HIDDevice
{
public:
    static constexpr DeviceIdentity Identity{5, 0x200, 6, 0x202};
    static constexpr int32_t InitialFrequency = 432000000;

    NUVTAVODevice();
    ~NUVTAVODevice();

    // As the flight computer's: 0 connected, -3 other version present, -2 cannot open, -1 none.
    int connectBootloader(uint16_t &version);
    // 0 started, -7 bootloader cannot be opened, -4 request not sent.
    int startFirmware();
    // 0 connected, 1 none present, 3 wrong version (version out), 6 cannot open.
    int connectFirmware(uint16_t &version);
    QString expectedVersionText() const;

    int exitFirmware();
    // A reply other than success leaves `value` as it was.
    int readRegister(uint16_t reg, uint8_t &value);
    int writeRegister(uint16_t reg, uint8_t value);
    // Tunes the radio to the channel; on success the tuned frequency becomes the nominal one.
    int setRFChannel(uint8_t channel);
    // Write or read the frequency word. A failed register transfer is not reported: the radio
    // worker reads the frequency back and corrects it by its own tracking.
    int setFrequency(int32_t hertz);
    int getFrequency(int32_t &hertz);
    // The radio's frequency-error tracking value (20-bit two's complement); a failed read gives 0 bits.
    int32_t readTrackingValue();

    int32_t nominalFrequency() const { return m_nominalFrequency; }

    HIDDevice bootloader;

private:
    // Sends a request and reads its reply; a reply that never came is flushed out, so that it
    // cannot pass for the answer to the next request.
    int exchange(const HIDPacket &request, HIDPacket &reply);

    int32_t m_nominalFrequency = InitialFrequency;
};
