#pragma once

#include <cstdint>
#include <map>
#include <vector>

// A model rocket's flight worked out from a physical model, as the flight computer records
// it: on the pad with a GPS fix, a 1.8 s motor burn that weathercocks the rocket into a west
// wind, a coast to about 640 m above the pad, line A fired at apogee to deploy the parachute,
// line B fired at 150 m on the way down (as the factory settings the recording carries set
// them), a descent drifting east with the wind, and the rocket lying on the ground. Every
// record type the flight computer writes is present, at the rates it writes them; sensor
// noise is pseudo-random but the same on every run.
class SampleFlight
{
public:
    // One device record (code byte, big-endian payload) and its time from the recording's start.
    struct TimedRecord
    {
        uint32_t milliseconds;
        std::vector<uint8_t> record;
    };

    // The recording in time order, 10 ms apart at the finest.
    static std::vector<TimedRecord> records();

    // What the flight computer reads standing on the pad: one record per code it answers.
    // Each call adds fresh sensor noise, so repeated live reads move like a real device's.
    class PadReadings
    {
    public:
        std::vector<uint8_t> next(uint8_t code);

    private:
        uint32_t m_noiseState = 12345;
        uint32_t m_reads = 0;
    };

    static constexpr double PadLatitude = 47.2604; // degrees
    static constexpr double PadLongitude = 8.8671;
    static constexpr float PadAltitude = 452.0f;   // m above mean sea level
};
