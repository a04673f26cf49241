#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the big-endian fields of one device event payload from the front. A field needs all
// of its bytes: when fewer remain it reads as 0 and consumes nothing, so a short payload
// decodes with its missing fields zero instead of reading past its end.
class PayloadReader
{
public:
    PayloadReader(const uint8_t *data, size_t size);

    size_t remaining() const { return m_size; }

    uint8_t u8() { return static_cast<uint8_t>(takeBigEndian(1)); }
    uint16_t u16() { return static_cast<uint16_t>(takeBigEndian(2)); }
    uint32_t u24() { return takeBigEndian(3); }
    uint32_t u32() { return takeBigEndian(4); }
    int16_t s16() { return static_cast<int16_t>(u16()); }
    int32_t s32() { return static_cast<int32_t>(u32()); }

    // Up to count bytes, as many as remain.
    std::string bytes(size_t count);

private:
    uint32_t takeBigEndian(size_t width)
    {
        if (m_size < width)
            return 0;
        uint32_t value = 0;
        for (size_t i = 0; i < width; ++i)
            value = (value << 8) | m_data[i];
        m_data += width;
        m_size -= width;
        return value;
    }

    const uint8_t *m_data;
    size_t m_size;
};
