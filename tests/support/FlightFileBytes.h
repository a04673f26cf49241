#pragma once

#include "NUVQORASettings.h"

#include <cstdint>
#include <cstring>
#include <string>

// Class ids in a flight file: the flight is 0, the event classes follow in registration order.
enum ClassId : uint16_t {
    TextId = 1, AccelZId, AccelXYId, PressureId, ComputerBatteryId, EjectionBatteryId, TemperatureId,
    AuxDId, AuxEId, GPSLLSolId, RSSIId, IdentId, StatusId, GPSTimeId, GyroId, MagId, LineAId, LineBId,
    LineCId, LineDId, OrientationId
};

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
    // Header, flight and list class information, the event count and the list's item version.
    FlightFileBytes &flightStart(uint32_t count, uint32_t flightVersion = 3)
    {
        return header().classInfo(false, flightVersion).classInfo(false, 0).u32(count).u32(0);
    }
    // The first event of a file as an axial acceleration, with its and its head's class information.
    FlightFileBytes &firstAccelZ(float time, float acceleration)
    {
        return u16(AccelZId).classInfo(true, 3).u32(0).classInfo(true, 1).u32(1).head(time).f32(acceleration);
    }
    // The members of a flight after the event list, as a default flight stores them.
    FlightFileBytes &defaultTail()
    {
        return u16(0x0100).text("").classInfo(false, 2).u8(0).raw(NUVQORASettings().image.data(), 97).u8(0);
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
