#ifndef FLIGHTFILEBYTES_H
#define FLIGHTFILEBYTES_H

#include <cstdint>
#include <cstring>
#include <string>

// Builds the bytes of a flight file by hand: little-endian values and the archive framing
// (class information on first use, object ids), as a 32-bit writer lays them out.
class FlightFileBytes
{
public:
    FlightFileBytes &header()
    {
        bytes += std::string("\x16\0\0\0serialization::archive\x0f\0\x04\x04\x04\x08\x01\0\0\0", 36);
        return *this;
    }
    FlightFileBytes &u8(uint8_t v) { return raw(&v, 1); }
    FlightFileBytes &u16(uint16_t v) { return little(v, 2); }
    FlightFileBytes &u32(uint32_t v) { return little(v, 4); }
    FlightFileBytes &f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return little(bits, 4);
    }
    FlightFileBytes &f64(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        return little(bits, 8);
    }
    FlightFileBytes &text(const std::string &s)
    {
        u32(static_cast<uint32_t>(s.size()));
        bytes += s;
        return *this;
    }
    FlightFileBytes &raw(const void *data, std::size_t size)
    {
        bytes.append(static_cast<const char *>(data), size);
        return *this;
    }
    // Class information written the first time a class is met: tracking flag, version.
    FlightFileBytes &classInfo(bool tracked, uint32_t version) { return u8(tracked).u32(version); }
    // The head of every event (version 1): vref, an unused byte, time.
    FlightFileBytes &head(float time, float vref = 3.3f) { return f32(vref).u8(0).f32(time); }

    std::string bytes;

private:
    FlightFileBytes &little(uint64_t v, int width)
    {
        for (int i = 0; i < width; ++i)
            bytes += static_cast<char>(v >> (8 * i));
        return *this;
    }
};

#endif // FLIGHTFILEBYTES_H
