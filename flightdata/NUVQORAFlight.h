#pragma once

#include "NUVEvent.h"
#include "NUVQORASettings.h"
#include "Sample.h"

#include <QMetaType>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class NUVEvent_GPSLLSol;
class NUVEvent_GPSTime;

// One recorded flight: its events, the settings it was recorded with, a note, and the sample
// tables that processing derives from the events. Flights are held through std::shared_ptr;
// a flight owns its events, so it cannot be copied.
class NUVQORAFlight
{
public:
    NUVQORAFlight();
    NUVQORAFlight(const NUVQORAFlight &) = delete;
    NUVQORAFlight &operator=(const NUVQORAFlight &) = delete;
    ~NUVQORAFlight();

    // In recording order after a download, in ascending time after a load.
    std::vector<std::unique_ptr<NUVEvent>> events;
    uint16_t storedWord = 0x0100; // kept in every flight file, read by nothing else
    NUVQORASettings settings;
    bool accelInverted = false;   // processing found the axial acceleration upside down

    SampleTable pressureAltitude;
    SampleTable gpsAltitude;
    SampleTable accelZ;
    SampleTable velocity;
    SampleTable kalmanAltitude;
    SampleTable accelX;
    SampleTable accelY;
    SampleTable gyroX;
    SampleTable gyroY;
    SampleTable gyroZ;

    // Each cached value is recomputed while its flag is set; the computing query clears it.
    float cachedEndTime = 0.0f;
    float cachedLandingTime = 0.0f;
    float cachedGroundAltitude = 0.0f;
    bool endTimeStale = true;
    bool landingTimeStale = true;
    bool groundAltitudeStale = true;

    // The flight's note text (UTF-8).
    std::string name() const { return m_name; }
    void setName(const std::string &name) { m_name = name; }

    // Takes the event over. An event without a finite time is refused (and deleted): it
    // could not be placed on the flight's time axis.
    bool appendEvent(std::unique_ptr<NUVEvent> event);

    // Time of the last event that is not a signal-strength reading; cached.
    float lastEventTime();
    // Time of the first processed event in list order (a damaged time is passed over); 0 without one.
    float firstEventTime() const;
    // Where processing, and the graphs of its results, end: lastEventTime, or the latest
    // processed time when that lies outside the processed events (signal strengths alone give
    // no end of their own, and the cached end may then lie anywhere).
    float processedEndTime();

    // Splits a downloaded flight-memory image into its flights, in the order of their markers.
    static std::vector<std::shared_ptr<NUVQORAFlight>> parseMemory(const std::vector<uint8_t> &image);

    // Processing. Rebuilds every sample table from the events (assumed in time order), may
    // correct an upside-down axial acceleration, and marks the cached values stale.
    // Processing steps through the flight's time, so its cost follows the span of the times:
    // it covers the stretch of time that holds the most events, at most 0.1 s per event
    // (and at least ten minutes) long. Events outside it (damaged times) stay in the flight
    // but are left out of the tables and figures, with a console line.
    void buildSplines();
    // The table's value at a time on a cubic curve through its samples; zeros with fewer
    // than four samples.
    static Sample sampleAt(const SampleTable &table, float time);
    std::array<SampleTable *, 10> sampleTables();

    // Key moments and figures (times in s, altitudes in m). The launch and peak-velocity times
    // are kept from their first query until the next processing.
    float launchTime() const;
    float peakVelocityTime() const;
    float apogeeTime() const;
    float burnoutTime() const;
    bool detectLaunch() const;
    float landingTime();    // cached
    float groundAltitude(); // cached: pressure altitude of the pad
    std::pair<float, float> peakAcceleration() const; // (time, g)
    std::pair<float, float> peakGyroX() const;        // (time, degrees per second with sign)
    std::pair<float, float> peakGyroY() const;
    std::pair<float, float> peakGyroZ() const;
    std::pair<float, float> peakLateralAcceleration() const; // (time, g)
    double firstFixLatitude(bool *found = nullptr) const;
    double firstFixLongitude(bool *found = nullptr) const;
    // Preferably one whose time is flagged valid twice; null when none is valid.
    const NUVEvent_GPSTime *firstGPSTime() const;

    // Time axis. Each rebuilds the tables.
    void trim(float start, float end); // keeps [start, end] and the one event just before start
    void autoTrim();                   // launch at 0, from -100 s to 10 s after landing
    void shiftTime(float offset);      // subtracts offset from every time

    // Flight files. save never leaves a half-written file in place of the previous one; load
    // expects a new flight and keeps the readable part of a damaged file.
    bool save(const std::wstring &path) const;
    bool load(const std::wstring &path);

    // Exports; false when the file cannot be written in full, and a previous file stays as it was.
    bool exportKML(const std::wstring &path) const;
    bool exportCSV(const std::wstring &path);
    bool exportEmulationData(const std::wstring &path) const;
    bool exportThrustData(const std::wstring &path, float totalMass, float propellantMass) const;

private:
    void chooseProcessedSpan();
    float findLaunchTime() const;
    float findPeakVelocityTime() const;
    bool isProcessed(const NUVEvent &event) const
    {
        return event.time >= processedFrom && event.time <= processedTo;
    }
    // The last processed event in list order; 0 without one.
    float lastListedEventTime() const;
    const NUVEvent_GPSLLSol *firstFix() const;
    template<class Event, class Magnitude>
    std::pair<float, float> peakDuringAscent(float start, Magnitude magnitude) const;

    std::string m_name;
    // The figures of every window and export ask for these many times over.
    mutable std::optional<float> m_launchTime;
    mutable std::optional<float> m_peakVelocityTime;
    // The span of time that the last processing covered; everything until then.
    float processedFrom = -INFINITY;
    float processedTo = INFINITY;
    // The earliest and latest times among the events that the last processing covered.
    float m_earliestProcessedTime = -INFINITY;
    float m_latestProcessedTime = INFINITY;
};

Q_DECLARE_METATYPE(std::shared_ptr<NUVQORAFlight>)
