// Building the flight's sample tables from its events, and reading them.

#include "NUVQORAFlight.h"

#include "AltitudeKalmanFilter.h"
#include "ConsoleSink.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_Pressure.h"
#include "PressureAltitude.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace {

// The last out-of-band axial acceleration of the sign test. It deliberately outlives each
// build (and each flight), as the sign test always has.
float previousOutOfBandAcceleration = 0.0f;

struct Point3
{
    float time, value, aux;
};

Point3 operator-(const Point3 &p, const Point3 &q)
{
    return {p.time - q.time, p.value - q.value, p.aux - q.aux};
}

Point3 operator*(const Point3 &p, float f)
{
    return {p.time * f, p.value * f, p.aux * f};
}

Point3 pointOf(const Sample &s)
{
    return {s.time, s.value, s.aux};
}

float hermite(float s, float p0, float p1, float m0, float m1)
{
    const float s2 = s * s;
    const float s3 = s2 * s;
    const float h00 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    const float h01 = (3.0f - 2.0f * s) * s2;
    const float h10 = s3 - 2.0f * s2 + s;
    const float h11 = s3 - s2;
    return h00 * p0 + h01 * p1 + h10 * m0 + h11 * m1;
}

} // namespace

std::array<SampleTable *, 10> NUVQORAFlight::sampleTables()
{
    return {&pressureAltitude, &gpsAltitude, &accelZ, &velocity, &kalmanAltitude,
            &accelX,           &accelY,      &gyroX,  &gyroY,    &gyroZ};
}

Sample NUVQORAFlight::sampleAt(const SampleTable &table, float t)
{
    const std::size_t n = table.size();
    if (n < 4)
        return {};
    std::size_t lo = 0;
    std::size_t hi = n;
    std::size_t mid = n / 2;
    while (lo < hi - 1) {
        if (t >= table[mid].time)
            lo = mid;
        else
            hi = mid;
        mid = (lo + hi) / 2;
    }
    const std::size_t i = mid < n - 1 ? mid : n - 2;
    const std::size_t j = i + 1;
    if (table[i].time > t)
        return {t, table[i].value, table[i].aux};
    if (t > table[j].time)
        return {t, table[j].value, table[j].aux};
    // Two last samples at one time leave no segment to follow.
    if (table[j].time == table[i].time)
        return table[j];

    const Point3 p0 = pointOf(table[i]);
    const Point3 p1 = pointOf(table[j]);
    Point3 m0;
    Point3 m1;
    if (i == 0) {
        m0 = {p1.time - p0.time, 0.0f, 0.0f};
        m1 = (pointOf(table[2]) - p0) * 0.5f;
    } else if (i == n - 2) {
        m0 = (p1 - pointOf(table[i - 1])) * 0.5f;
        m1 = {p1.time - p0.time, 0.0f, 0.0f};
    } else {
        m0 = (p1 - pointOf(table[i - 1])) * 0.1f;
        m1 = (pointOf(table[i + 2]) - p0) * 0.1f;
    }

    // The curve's time is not linear in its parameter: find the parameter by halving.
    float s = (t - p0.time) / (p1.time - p0.time);
    float lower = 0.0f;
    float upper = 1.0f;
    for (int k = 0; k < 16; ++k) {
        if (t >= hermite(s, p0.time, p1.time, m0.time, m1.time))
            lower = s;
        else
            upper = s;
        s = (lower + upper) * 0.5f;
    }
    return {hermite(s, p0.time, p1.time, m0.time, m1.time), hermite(s, p0.value, p1.value, m0.value, m1.value),
            hermite(s, p0.aux, p1.aux, m0.aux, m1.aux)};
}

void NUVQORAFlight::chooseProcessedSpan()
{
    // The longest span is 0.1 s per event, which a recording at ten events a second fills;
    // device recordings are denser. Ten minutes at least, for short and sparse flights.
    std::vector<double> times;
    times.reserve(events.size());
    for (const std::unique_ptr<NUVEvent> &event : events)
        if (std::isfinite(event->time))
            times.push_back(event->time);
    if (!std::is_sorted(times.begin(), times.end()))
        std::sort(times.begin(), times.end());
    const double length = std::max(600.0, 0.1 * double(times.size()));

    // The earliest of the spans of that length that hold the most events.
    std::size_t bestFirst = 0;
    std::size_t bestCount = 0;
    for (std::size_t first = 0, end = 0; first < times.size(); ++first) {
        while (end < times.size() && times[end] - times[first] <= length)
            ++end;
        if (end - first > bestCount) {
            bestFirst = first;
            bestCount = end - first;
        }
    }
    m_earliestProcessedTime = bestCount ? float(times[bestFirst]) : 0.0f;
    m_latestProcessedTime = bestCount ? float(times[bestFirst + bestCount - 1]) : 0.0f;
    if (bestCount == times.size() && times.size() == events.size()) {
        processedFrom = -INFINITY;
        processedTo = INFINITY;
        return;
    }
    processedFrom = bestCount ? float(times[bestFirst]) : INFINITY;
    processedTo = bestCount ? float(times[bestFirst + bestCount - 1]) : -INFINITY;
    ConsoleSink::out() << "Damaged times: " << events.size() - bestCount << " of " << events.size()
              << " events lie outside " << processedFrom << " s to " << processedTo
              << " s and are left out of processing\n";
}

float NUVQORAFlight::processedEndTime()
{
    const float end = lastEventTime();
    return end >= m_earliestProcessedTime && end <= m_latestProcessedTime ? end : m_latestProcessedTime;
}

void NUVQORAFlight::buildSplines()
{
    ConsoleSink::out() << "Building splines...\n";
    endTimeStale = true;
    landingTimeStale = true;
    groundAltitudeStale = true;
    m_launchTime.reset();
    m_peakVelocityTime.reset();
    for (SampleTable *table : sampleTables())
        table->clear();
    chooseProcessedSpan();

    float cubeSum = 0.0f;
    for (const std::unique_ptr<NUVEvent> &event : events) {
        if (!isProcessed(*event))
            continue;
        const float t = event->time;
        switch (event->code()) {
        case NUVEventCode::Pressure:
            pressureAltitude.push_back({t, pressureAltitudeOf(event->as<NUVEvent_Pressure>()->pressure), 0.0f});
            break;
        case NUVEventCode::AccelZ: {
            const float a = event->as<NUVEvent_AccelZ>()->acceleration;
            if (std::fabs(a) > 1.5f) {
                // A lone spike must not decide the sign.
                if (std::fabs(previousOutOfBandAcceleration - a) < 5.0f)
                    cubeSum += a * a * a;
                previousOutOfBandAcceleration = a;
            }
            accelZ.push_back({t, a, 0.0f});
            break;
        }
        case NUVEventCode::GPSLLSol: {
            const auto *fix = event->as<NUVEvent_GPSLLSol>();
            if (fix->fixValid)
                gpsAltitude.push_back({t, fix->altitude, 0.0f});
            break;
        }
        case NUVEventCode::AccelXY: {
            const auto *lateral = event->as<NUVEvent_AccelXY>();
            accelX.push_back({t, lateral->x, 0.0f});
            accelY.push_back({t, lateral->y, 0.0f});
            break;
        }
        case NUVEventCode::GyroXYZ: {
            const auto *gyro = event->as<NUVEvent_GyroXYZ>();
            gyroX.push_back({t, gyro->x, 0.0f});
            gyroY.push_back({t, gyro->y, 0.0f});
            gyroZ.push_back({t, gyro->z, 0.0f});
            break;
        }
        default:
            break; // no sample table of its own
        }
    }

    if (cubeSum < 0.0f) {
        ConsoleSink::out() << "Accel data negative, inverting...\n";
        accelInverted = true;
        for (Sample &sample : accelZ)
            sample.value = -sample.value;
        for (const std::unique_ptr<NUVEvent> &event : events)
            if (auto *axial = event->as<NUVEvent_AccelZ>())
                axial->acceleration = -axial->acceleration;
    }

    // Launch while the velocity table is still empty: the first second above 1.5 g.
    const float launch = launchTime();
    float offset = sampleAt(gpsAltitude, launch - 2.0f).value - sampleAt(pressureAltitude, launch - 2.0f).value;
    if (offset > 300.0f)
        offset = 0.0f;

    AltitudeKalmanFilter(pressureAltitude, accelZ, gpsAltitude, events, offset)
        .run(firstEventTime(), processedEndTime(), velocity, kalmanAltitude);
    // Found again on the velocity the filter has just given.
    m_launchTime.reset();
    m_peakVelocityTime.reset();

    ConsoleSink::out() << "After splinning:\n";
    ConsoleSink::out() << "Start flight time: " << firstEventTime() << '\n';
    ConsoleSink::out() << "Peak vel time: " << peakVelocityTime() << '\n';
    ConsoleSink::out() << "Apogee: " << apogeeTime() << '\n';
    ConsoleSink::out() << "Launch flight time: " << launchTime() << '\n';
    ConsoleSink::out() << "End flight time: " << lastEventTime() << '\n';
    const float landing = landingTime(); // prints lines of its own
    ConsoleSink::out() << "Landing time: " << landing << '\n';
    ConsoleSink::out() << "alt splined: " << pressureAltitude.size() << " points\n";
    ConsoleSink::out() << "g splined: " << accelZ.size() << " points\n";
    ConsoleSink::out() << "v splined: " << velocity.size() << " points" << std::endl;
}
