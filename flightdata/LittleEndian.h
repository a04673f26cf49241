#pragma once

// Little-endian fields of fixed width, as the device's reports, its settings image and the
// flight file hold them, independent of the byte order of the machine.

#include <cstdint>
#include <cstring>
#include <vector>

inline uint16_t littleEndian16(const uint8_t *bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t littleEndian32(const uint8_t *bytes)
{
    return bytes[0] | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

// An IEEE single stored as its 32 bits.
inline float littleEndianFloat(const uint8_t *bytes)
{
    const uint32_t bits = littleEndian32(bytes);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void storeLittleEndian16(uint8_t *bytes, uint16_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline void storeLittleEndian32(uint8_t *bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> 8 * i);
}

inline void appendLittleEndian16(std::vector<uint8_t> &out, uint16_t value)
{
    uint8_t bytes[2];
    storeLittleEndian16(bytes, value);
    out.insert(out.end(), bytes, bytes + sizeof bytes);
}

inline void appendLittleEndian32(std::vector<uint8_t> &out, uint32_t value)
{
    uint8_t bytes[4];
    storeLittleEndian32(bytes, value);
    out.insert(out.end(), bytes, bytes + sizeof bytes);
}

inline void appendLittleEndianFloat(std::vector<uint8_t> &out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendLittleEndian32(out, bits);
}
