// Key moments and peaks of a flight, and the operations that change its time axis.

#include "NUVQORAFlight.h"

#include "ConsoleSink.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GPSTime.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_Pressure.h"
#include "PressureAltitude.h"
#include "TimeStep.h"

#include <cmath>
#include <functional>
#include <ostream>

namespace {

// Spread and trend of 20 pressure-altitude samples 0.2 s apart: the test for standing still.
struct PadWindow
{
    float sd;
    float slope;
};

// The sample time is a running float advanced by the step, as every time of the flight is.
PadWindow padWindow(const SampleTable &pressureAltitude, float start, float step)
{
    float sx = 0.0f, sy = 0.0f, sxx = 0.0f, syy = 0.0f, sxy = 0.0f;
    float x = start;
    for (int k = 0; k < 20; ++k, x += step) {
        const float y = NUVQORAFlight::sampleAt(pressureAltitude, x).value;
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
    }
    const float mx = sx * 0.05f;
    const float my = sy * 0.05f;
    return {std::sqrt((syy - 20.0f * my * my) * 0.05f), (sxy - 20.0f * mx * my) / (sxx - 20.0f * mx * mx)};
}

// The (time, value) of the table that beats every other one met stepping from `from` up to
// `to`, against the value at `initial` to begin with; `beats` compares a new value with the best.
template<class Beats>
std::pair<float, float> extremeOf(const SampleTable &table, float initial, float from, float to, float step,
                                  Beats beats)
{
    float best = initial;
    float bestValue = NUVQORAFlight::sampleAt(table, best).value;
    for (float t = from; t < to;) {
        const float value = NUVQORAFlight::sampleAt(table, t).value;
        if (beats(value, bestValue)) {
            best = t;
            bestValue = value;
        }
        if (!advanceTime(t, step))
            break;
    }
    return {best, bestValue};
}

} // namespace

float NUVQORAFlight::firstEventTime() const
{
    for (const std::unique_ptr<NUVEvent> &event : events)
        if (isProcessed(*event))
            return event->time;
    return 0.0f;
}

float NUVQORAFlight::lastListedEventTime() const
{
    for (auto event = events.rbegin(); event != events.rend(); ++event)
        if (isProcessed(**event))
            return (*event)->time;
    return 0.0f;
}

float NUVQORAFlight::peakVelocityTime() const
{
    if (!m_peakVelocityTime)
        m_peakVelocityTime = findPeakVelocityTime();
    return *m_peakVelocityTime;
}

float NUVQORAFlight::findPeakVelocityTime() const
{
    const float first = firstEventTime();
    return extremeOf(velocity, first, first, lastListedEventTime(), 0.1f, std::greater<float>()).first;
}

float NUVQORAFlight::burnoutTime() const
{
    const float peak = peakVelocityTime();
    return extremeOf(accelZ, peak, peak, peak + 2.0f, 0.1f, std::less<float>()).first;
}

float NUVQORAFlight::launchTime() const
{
    if (!m_launchTime)
        m_launchTime = findLaunchTime();
    return *m_launchTime;
}

float NUVQORAFlight::findLaunchTime() const
{
    const float first = firstEventTime();
    float a = peakVelocityTime();
    // Back from the peak velocity to a stretch where the rocket still stood on the pad.
    for (;;) {
        if (a < first)
            return first;
        const PadWindow window = padWindow(pressureAltitude, a, -0.2f);
        if (window.sd < 5.0f && window.slope < 0.5f)
            break;
        if (!advanceTime(a, -0.5f))
            break;
    }
    // Then forward to the first full second above 1.5 g.
    const float last = lastListedEventTime();
    int count = 0;
    for (float t = a - 5.0f; t <= last;) {
        if (sampleAt(accelZ, t).value > 1.5f) {
            if (++count == 100)
                return t - 1.0f;
        } else {
            count = 0;
        }
        if (!advanceTime(t, 0.01f))
            break;
    }
    return a;
}

float NUVQORAFlight::apogeeTime() const
{
    float best = firstEventTime();
    bool found = false;
    float highest = 0.0f;
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const auto *pressure = event->as<NUVEvent_Pressure>();
        if (pressure && isProcessed(*pressure)) {
            const float altitude = pressureAltitudeOf(pressure->pressure);
            if (!found || altitude > highest) {
                found = true;
                highest = altitude;
                best = pressure->time;
            }
        }
    }
    return best;
}

bool NUVQORAFlight::detectLaunch() const
{
    // Holds above a threshold for a number of consecutive 0.1 s steps.
    const auto holds = [this](const SampleTable &table, float threshold, int steps) {
        const float last = lastListedEventTime();
        int count = 0;
        for (float t = firstEventTime(); t < last;) {
            if (sampleAt(table, t).value > threshold) {
                if (++count == steps)
                    return true;
            } else {
                count = 0;
            }
            if (!advanceTime(t, 0.1f))
                break;
        }
        return false;
    };
    const bool fast = holds(velocity, 50.0f, 20);
    const bool accelerated = holds(accelZ, 3.0f, 5);
    return fast && accelerated;
}

float NUVQORAFlight::landingTime()
{
    if (!landingTimeStale)
        return cachedLandingTime;
    const float apogee = apogeeTime();
    ConsoleSink::out() << "apogee: " << apogee << '\n';
    ConsoleSink::out() << "endtime: " << lastEventTime() << '\n';
    float landing = lastListedEventTime();
    const float end = processedEndTime();
    int count = 0;
    for (float t = apogee; end > t;) {
        const PadWindow window = padWindow(pressureAltitude, t, 0.2f);
        if (window.sd < 5.0f && std::fabs(window.slope) < 1.0f) {
            if (++count > 10) {
                landing = t;
                break;
            }
        } else {
            count = 0;
        }
        if (!advanceTime(t, 0.1f))
            break;
    }
    cachedLandingTime = landing;
    landingTimeStale = false;
    return landing;
}

float NUVQORAFlight::groundAltitude()
{
    if (!groundAltitudeStale)
        return cachedGroundAltitude;
    float altitude = 0.0f;
    if (!pressureAltitude.empty())
        altitude = sampleAt(pressureAltitude, detectLaunch() ? launchTime() - 5.0f : firstEventTime()).value;
    cachedGroundAltitude = altitude;
    groundAltitudeStale = false;
    return altitude;
}

std::pair<float, float> NUVQORAFlight::peakAcceleration() const
{
    return extremeOf(accelZ, firstEventTime(), launchTime(), peakVelocityTime(), 0.01f, std::greater<float>());
}

template<class Event, class Magnitude>
std::pair<float, float> NUVQORAFlight::peakDuringAscent(float start, Magnitude magnitude) const
{
    const float end = apogeeTime() - 1.0f;
    const Event *best = nullptr;
    float bestMagnitude = 0.0f;
    for (const std::unique_ptr<NUVEvent> &event : events) {
        if (event->time < start)
            continue;
        const auto *candidate = event->as<Event>();
        if (!candidate)
            continue;
        if (candidate->time > end)
            break;
        const float m = std::fabs(magnitude(*candidate));
        if (!best || m > bestMagnitude) {
            best = candidate;
            bestMagnitude = m;
        }
    }
    if (!best)
        return {0.0f, 0.0f};
    return {best->time, magnitude(*best)};
}

std::pair<float, float> NUVQORAFlight::peakGyroX() const
{
    return peakDuringAscent<NUVEvent_GyroXYZ>(launchTime(), [](const NUVEvent_GyroXYZ &e) { return e.x; });
}

std::pair<float, float> NUVQORAFlight::peakGyroY() const
{
    return peakDuringAscent<NUVEvent_GyroXYZ>(launchTime(), [](const NUVEvent_GyroXYZ &e) { return e.y; });
}

std::pair<float, float> NUVQORAFlight::peakGyroZ() const
{
    const float launch = launchTime();
    ConsoleSink::out() << "time of launch: " << launch << '\n';
    return peakDuringAscent<NUVEvent_GyroXYZ>(launch, [](const NUVEvent_GyroXYZ &e) { return e.z; });
}

std::pair<float, float> NUVQORAFlight::peakLateralAcceleration() const
{
    return peakDuringAscent<NUVEvent_AccelXY>(
        launchTime(), [](const NUVEvent_AccelXY &e) { return std::sqrt(e.x * e.x + e.y * e.y); });
}

const NUVEvent_GPSLLSol *NUVQORAFlight::firstFix() const
{
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const auto *fix = event->as<NUVEvent_GPSLLSol>();
        if (fix && fix->fixValid)
            return fix;
    }
    return nullptr;
}

double NUVQORAFlight::firstFixLatitude(bool *found) const
{
    const NUVEvent_GPSLLSol *fix = firstFix();
    if (found)
        *found = fix != nullptr;
    return fix ? fix->latitude : 0.0;
}

double NUVQORAFlight::firstFixLongitude(bool *found) const
{
    const NUVEvent_GPSLLSol *fix = firstFix();
    if (found)
        *found = fix != nullptr;
    return fix ? fix->longitude : 0.0;
}

const NUVEvent_GPSTime *NUVQORAFlight::firstGPSTime() const
{
    const NUVEvent_GPSTime *firstValid = nullptr;
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const auto *gpsTime = event->as<NUVEvent_GPSTime>();
        if (!gpsTime || !gpsTime->timeValid)
            continue;
        if (gpsTime->flagBit6)
            return gpsTime;
        if (!firstValid)
            firstValid = gpsTime;
    }
    return firstValid;
}

void NUVQORAFlight::trim(float start, float end)
{
    if (!(start < end))
        return;
    ConsoleSink::out() << "start: " << start << '\n';
    ConsoleSink::out() << "end: " << end << '\n';
    std::size_t firstKept = 0;
    std::size_t firstDropped = events.size();
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i]->time < start) {
            firstKept = i;
        } else if (events[i]->time > end) {
            firstDropped = i;
            break;
        }
    }
    // The event just before the window stays, so that the curves reach its start.
    events.erase(events.begin() + static_cast<std::ptrdiff_t>(firstDropped), events.end());
    events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(firstKept));
    endTimeStale = true;
    buildSplines();
}

void NUVQORAFlight::autoTrim()
{
    const float launch = launchTime();
    for (const std::unique_ptr<NUVEvent> &event : events)
        event->time -= launch;
    buildSplines();
    const float landing = landingTime();
    ConsoleSink::out() << "TIME OF LANDING" << landing << '\n';
    trim(-100.0f, landing + 10.0f);
    endTimeStale = true;
    landingTimeStale = true;
    groundAltitudeStale = true;
}

void NUVQORAFlight::shiftTime(float offset)
{
    for (const std::unique_ptr<NUVEvent> &event : events)
        event->time -= offset;
    buildSplines();
}
