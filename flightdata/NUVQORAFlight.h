#pragma once

#include "NUVEvent.h"
#include "NUVQORASettings.h"
#include "Sample.h"

#include <QMetaType>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

    // Splits a downloaded flight-memory image into its flights, in the order of their markers.
    static std::vector<std::shared_ptr<NUVQORAFlight>> parseMemory(const std::vector<uint8_t> &image);

private:
    std::string m_name;
};

Q_DECLARE_METATYPE(std::shared_ptr<NUVQORAFlight>)
