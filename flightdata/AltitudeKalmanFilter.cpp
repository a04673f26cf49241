#include "AltitudeKalmanFilter.h"

#include "NUVEvent_GPSLLSol.h"
#include "NUVQORAFlight.h"
#include "TimeStep.h"

#include <algorithm>
#include <cmath>

namespace {

const float stepSeconds = 0.1f;

// Steady-state gains for the state (h, v, a) against the residuals (altitude, acceleration),
// one set per combination of (altitude measured, accelerometer trusted).
struct Gains
{
    float g11, g12, g21, g22, g31, g32;
};

const Gains measuredTrusted = {0.056591481f, 0.017936103f, 0.00881641824f, 0.0773672238f,
                               7.97160974e-05f, 0.390385687f};
const Gains measuredUntrusted = {0.180548996f, 2.72353009e-05f, 0.10458f, 3.41576997e-05f,
                                 0.0302614998f, 2.07588e-05f};
const Gains unmeasuredTrusted = {3.99285994e-07f, 0.0350995995f, 5.04461006e-09f, 0.103165001f,
                                 1.40398001e-13f, 0.390388012f};
const Gains unmeasuredUntrusted = {2.04928003e-08f, 0.0350998007f, 6.81196988e-10f, 0.103165001f,
                                   1.40399004e-13f, 0.390388012f};

float clamp01(float x)
{
    return std::min(std::max(x, 0.0f), 1.0f);
}

} // namespace

AltitudeKalmanFilter::AltitudeKalmanFilter(const SampleTable &pressureAltitude, const SampleTable &accelZ,
                                           const SampleTable &gpsAltitude,
                                           const std::vector<std::unique_ptr<NUVEvent>> &events, float altitudeOffset)
    : m_pressureAltitude(pressureAltitude)
    , m_accelZ(accelZ)
    , m_gpsAltitude(gpsAltitude)
    , m_events(events)
    , m_offset(altitudeOffset)
{
}

void AltitudeKalmanFilter::run(float firstTime, float endTime, SampleTable &velocity, SampleTable &altitude)
{
    m_h = NUVQORAFlight::sampleAt(m_pressureAltitude, firstTime).value + m_offset;
    const float end = endTime + 5.0f;
    for (float t = firstTime - 5.0f; t < end;) {
        step(t);
        altitude.push_back({t, m_h, 0.0f});
        velocity.push_back({t, m_v, 0.0f});
        ++m_stepCount;
        if (!advanceTime(t, stepSeconds))
            break;
    }
}

bool AltitudeKalmanFilter::gpsPresentAt(float t, float gpsAltitude)
{
    for (; m_gpsSearch < m_events.size(); ++m_gpsSearch) {
        const NUVEvent *event = m_events[m_gpsSearch].get();
        if (event->time > t + 1.0f)
            return false;
        if (event->time < t - 1.0f)
            continue;
        const auto *fix = event->as<NUVEvent_GPSLLSol>();
        if (fix && fix->fixValid)
            return std::fabs(gpsAltitude) <= 200.0f;
    }
    return false;
}

bool AltitudeKalmanFilter::accelerometerTrusted(float measured) const
{
    switch (m_phase) {
    case Pad:
        return measured >= -1.5f;
    case Boost:
    case Burnout:
        return true;
    case Coast: return std::fabs(m_v) > 15.0f;
    case Apogee:
    case Descent:
        break;
    }
    return false;
}

void AltitudeKalmanFilter::step(float t)
{
    const float g = NUVQORAFlight::sampleAt(m_accelZ, t).value;
    const float measured = static_cast<float>((g - m_restReading) * 9.81);
    const float barometric = NUVQORAFlight::sampleAt(m_pressureAltitude, t).value + m_offset;
    const float gps = NUVQORAFlight::sampleAt(m_gpsAltitude, t).value;

    // The accelerometer's rest reading drifts; follow it while the rocket stands still.
    if (m_phase == Pad && std::fabs(g) < 1.5f && std::fabs(m_v) < 5.0f)
        m_restReading = static_cast<float>(0.01 * g + 0.99 * m_restReading);
    if (m_restReading > 1.15)
        m_restReading = static_cast<float>(1.15);
    if (m_restReading < 0.85)
        m_restReading = static_cast<float>(0.85);

    const bool gpsPresent = gpsPresentAt(t, gps);
    if (gpsPresent && barometric < 10000.0f && std::fabs(m_v) < 50.0f && std::fabs(m_a) < 15.0f) {
        const float k = 1.0f
            - std::min(std::fabs(gps - barometric) * 0.01f, 1.0f)
                * (1.0f - clamp01(1.0f - (50.0f - std::fabs(m_v)) * 0.5f * 0.02f));
        m_gpsCorrection = (1.0f - k) * (gps - barometric) + k * m_gpsCorrection;
    }

    const float barometricWeight = clamp01((15000.0f - (barometric + m_gpsCorrection)) * 6.666667e-5f);
    float gpsWeight = 0.0f;
    if (gpsPresent && std::fabs(measured) <= 40.0f && std::fabs(m_v) < 100.0f)
        gpsWeight = (100.0f - std::fabs(m_v)) * 0.01f;

    const bool altitudeMeasured = gpsWeight + barometricWeight >= 0.1f;
    float z = m_h;
    if (altitudeMeasured) {
        const float r = barometricWeight / (gpsWeight + barometricWeight);
        z = (1.0f - r) * gps + r * (barometric + m_gpsCorrection);
    }

    const bool trusted = accelerometerTrusted(measured);
    float y = measured;
    if (!trusted)
        y = m_phase == Pad ? 0.0f : -9.81f - m_v * 0.033333335f;

    const Gains &k = altitudeMeasured ? (trusted ? measuredTrusted : measuredUntrusted)
                                      : (trusted ? unmeasuredTrusted : unmeasuredUntrusted);
    const float predicted = m_h + 0.1f * m_v + 0.005f * m_a;
    const float e1 = z - predicted;
    const float e2 = y - m_a;
    const float newH = predicted + k.g11 * e1 + k.g12 * e2;
    const float newV = m_v + 0.1f * m_a + k.g21 * e1 + k.g22 * e2;
    const float newA = m_a + k.g31 * e1 + k.g32 * e2;
    m_h = newH;
    m_v = newV;
    m_a = newA;
    advancePhase();
}

void AltitudeKalmanFilter::advancePhase()
{
    switch (m_phase) {
    case Pad:
        if (m_stepCount > 100) {
            if (m_v >= 30.0f) {
                if (++m_launchCount > 5)
                    m_phase = Boost;
            } else {
                m_launchCount = 0;
            }
        }
        break;
    case Boost:
        if (m_a < 0.0f)
            m_phase = Burnout;
        break;
    case Burnout: m_phase = Coast; break;
    case Coast:
        if (m_v <= 0.0f)
            m_phase = Apogee;
        break;
    case Apogee: m_phase = Descent; break;
    case Descent:
        break;
    }
}
