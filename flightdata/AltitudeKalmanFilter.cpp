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
                                           const std::vector<std::unique_ptr<NUVEvent>> &events,
                                           float altitudeOffset)
    : pressureAltitude(pressureAltitude)
    , accelZ(accelZ)
    , gpsAltitude(gpsAltitude)
    , events(events)
    , offset(altitudeOffset)
{
}

void AltitudeKalmanFilter::run(float firstTime, float endTime, SampleTable &velocity, SampleTable &altitude)
{
    h = NUVQORAFlight::sampleAt(pressureAltitude, firstTime).value + offset;
    const float end = endTime + 5.0f;
    for (float t = firstTime - 5.0f; t < end;) {
        step(t);
        altitude.push_back({t, h, 0.0f});
        velocity.push_back({t, v, 0.0f});
        ++stepCount;
        if (!advanceTime(t, stepSeconds))
            break;
    }
}

bool AltitudeKalmanFilter::gpsPresentAt(float t, float gpsAltitude)
{
    for (; gpsSearch < events.size(); ++gpsSearch) {
        const NUVEvent *event = events[gpsSearch].get();
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
    switch (phase) {
    case Pad:
        return measured >= -1.5f;
    case Boost:
    case Burnout:
        return true;
    case Coast:
        return std::fabs(v) > 15.0f;
    case Apogee:
    case Descent:
        break;
    }
    return false;
}

void AltitudeKalmanFilter::step(float t)
{
    const float g = NUVQORAFlight::sampleAt(accelZ, t).value;
    const float measured = static_cast<float>((g - restReading) * 9.81);
    const float barometric = NUVQORAFlight::sampleAt(pressureAltitude, t).value + offset;
    const float gps = NUVQORAFlight::sampleAt(gpsAltitude, t).value;

    // The accelerometer's rest reading drifts; follow it while the rocket stands still.
    if (phase == Pad && std::fabs(g) < 1.5f && std::fabs(v) < 5.0f)
        restReading = static_cast<float>(0.01 * g + 0.99 * restReading);
    if (restReading > 1.15)
        restReading = static_cast<float>(1.15);
    if (restReading < 0.85)
        restReading = static_cast<float>(0.85);

    const bool gpsPresent = gpsPresentAt(t, gps);
    if (gpsPresent && barometric < 10000.0f && std::fabs(v) < 50.0f && std::fabs(a) < 15.0f) {
        const float k = 1.0f - std::min(std::fabs(gps - barometric) * 0.01f, 1.0f)
                                   * (1.0f - clamp01(1.0f - (50.0f - std::fabs(v)) * 0.5f * 0.02f));
        gpsCorrection = (1.0f - k) * (gps - barometric) + k * gpsCorrection;
    }

    const float barometricWeight = clamp01((15000.0f - (barometric + gpsCorrection)) * 6.666667e-5f);
    float gpsWeight = 0.0f;
    if (gpsPresent && std::fabs(measured) <= 40.0f && std::fabs(v) < 100.0f)
        gpsWeight = (100.0f - std::fabs(v)) * 0.01f;

    const bool altitudeMeasured = gpsWeight + barometricWeight >= 0.1f;
    float z = h;
    if (altitudeMeasured) {
        const float r = barometricWeight / (gpsWeight + barometricWeight);
        z = (1.0f - r) * gps + r * (barometric + gpsCorrection);
    }

    const bool trusted = accelerometerTrusted(measured);
    float y = measured;
    if (!trusted)
        y = phase == Pad ? 0.0f : -9.81f - v * 0.033333335f;

    const Gains &k = altitudeMeasured ? (trusted ? measuredTrusted : measuredUntrusted)
                                      : (trusted ? unmeasuredTrusted : unmeasuredUntrusted);
    const float predicted = h + 0.1f * v + 0.005f * a;
    const float e1 = z - predicted;
    const float e2 = y - a;
    const float newH = predicted + k.g11 * e1 + k.g12 * e2;
    const float newV = v + 0.1f * a + k.g21 * e1 + k.g22 * e2;
    const float newA = a + k.g31 * e1 + k.g32 * e2;
    h = newH;
    v = newV;
    a = newA;
    advancePhase();
}

void AltitudeKalmanFilter::advancePhase()
{
    switch (phase) {
    case Pad:
        if (stepCount > 100) {
            if (v >= 30.0f) {
                if (++launchCount > 5)
                    phase = Boost;
            } else {
                launchCount = 0;
            }
        }
        break;
    case Boost:
        if (a < 0.0f)
            phase = Burnout;
        break;
    case Burnout:
        phase = Coast;
        break;
    case Coast:
        if (v <= 0.0f)
            phase = Apogee;
        break;
    case Apogee:
        phase = Descent;
        break;
    case Descent:
        break;
    }
}
