#pragma once

#include <cstdint>

// The code byte in front of every device event record (live replies, flight memory, radio),
// and the kind of every event class (NUVEvent::code). Adding a kind: a value here, a row in
// the record table of NUVEvent.cpp, and the class; the compiler then names every switch that
// must decide what to do with it.
enum class NUVEventCode : uint8_t {
    EndOfFlight = 0,        // in flight memory: the flight's records end here
    Text = 1,
    AccelZ = 2,
    Pressure = 3,
    ComputerBattery = 4,
    EjectionBattery = 5,
    Temperature = 6,
    LineA = 7,
    LineB = 8,
    LineC = 9,
    LineD = 10,
    AccelXY = 11,
    GyroXYZ = 12,
    MagXYZ = 13,
    GPSLLSol = 14,
    RSSI = 15,
    Status = 16,
    Ident = 17,
    GPSTime = 18,
    FlightMarker = 19,      // in flight memory: a flight starts here
    Unclassified = 20,      // a 4-byte record that no event class represents
    Orientation = 21,
    // Kinds kept only in flight files: no device sends these codes, and nothing decodes them.
    AuxDInput = 0x7E,
    AuxEInput = 0x7F,
    DeltaTime = 0x80,       // bit 7 set: a time delta of the low 7 bits in ms
    EndOfMemory = 0xFF,     // erased flight memory
};

constexpr uint8_t toByte(NUVEventCode code)
{
    return static_cast<uint8_t>(code);
}
