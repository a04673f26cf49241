#pragma once

#include "NUVEvent.h"
#include "Sample.h"

#include <memory>
#include <vector>

// Estimates altitude and vertical velocity every 0.1 s from the axial acceleration, the
// barometric altitude and, near the ground, the GPS altitude. Constant gains; the flight phase
// it tracks decides which sensors it trusts.
class AltitudeKalmanFilter
{
public:
    AltitudeKalmanFilter(const SampleTable &pressureAltitude, const SampleTable &accelZ,
                         const SampleTable &gpsAltitude, const std::vector<std::unique_ptr<NUVEvent>> &events,
                         float altitudeOffset);

    // Steps from 5 s before firstTime while the time is below endTime + 5, appending one
    // sample per step to both tables.
    void run(float firstTime, float endTime, SampleTable &velocity, SampleTable &altitude);

private:
    enum Phase { Pad, Boost, Burnout, Coast, Apogee, Descent };

    void step(float t);
    bool gpsPresentAt(float t, float gpsAltitude);
    bool accelerometerTrusted(float measured) const;
    void advancePhase();

    const SampleTable &m_pressureAltitude;
    const SampleTable &m_accelZ;
    const SampleTable &m_gpsAltitude;
    const std::vector<std::unique_ptr<NUVEvent>> &m_events;
    const float m_offset;

    float m_h = 0.0f;             // altitude, m
    float m_v = 0.0f;             // vertical velocity, m/s
    float m_a = 0.0f;             // vertical acceleration without gravity, m/s^2
    float m_restReading = 1.0f;   // accelerometer reading at rest, g
    float m_gpsCorrection = 0.0f; // GPS minus barometric altitude
    Phase m_phase = Pad;
    int m_stepCount = 0;
    int m_launchCount = 0;
    std::size_t m_gpsSearch = 0; // position in events of the GPS presence search
};
