#pragma once

#include <cstdint>

// What the ground station and its host agree on: request codes, the reply code, the radio
// registers by role, and the conversion between hertz and the radio's frequency words. The
// host's command layer and the simulated ground station both speak from this one list.
namespace NUVTAVOProtocol {

inline constexpr uint8_t StartFirmwareCode = 3; // to the bootloader
inline constexpr uint8_t SetChannelCode = 5;
inline constexpr uint8_t ReadRegisterCode = 6;
inline constexpr uint8_t WriteRegisterCode = 7;
inline constexpr uint8_t ExitFirmwareCode = 8;
inline constexpr uint8_t OkCode = 2;

// The receive frequency word, most significant byte first.
inline constexpr uint16_t FrequencyRegisters[4] = {52, 53, 54, 55};
inline constexpr uint16_t SignalStrengthRegister = 64;
inline constexpr uint16_t SignalReferenceRegister = 556;
inline constexpr uint16_t FifoCommandRegister = 40;
inline constexpr uint8_t FifoClearCommand = 3;
inline constexpr uint16_t FifoDataRegister = 41;
inline constexpr uint16_t FifoCountHighRegister = 42;
inline constexpr uint16_t FifoCountLowRegister = 43;
// The frequency-error tracking value, 20-bit two's complement, most significant byte first.
inline constexpr uint16_t TrackingRegisters[3] = {77, 78, 79};

inline constexpr int64_t CrystalHz = 16369000;

inline uint32_t frequencyWord(int64_t hertz)
{
    return static_cast<uint32_t>((hertz * (int64_t(1) << 24) + CrystalHz / 2) / CrystalHz);
}

inline int32_t frequencyOfWord(uint32_t word)
{
    return static_cast<int32_t>((int64_t(word) * CrystalHz + (int64_t(1) << 23)) >> 24);
}

// A tracking value in hertz.
inline int32_t trackingHertz(int32_t value)
{
    return static_cast<int32_t>((int64_t(value) * CrystalHz) >> 24);
}

// The tracking value held in its three registers' bytes.
inline int32_t trackingValue(uint8_t high, uint8_t middle, uint8_t low)
{
    const int32_t raw = (int32_t(high & 0x0F) << 16) | (int32_t(middle) << 8) | low;
    return raw & 0x80000 ? raw - 0x100000 : raw;
}

} // namespace NUVTAVOProtocol
