#pragma once

#include <QStringList>

class NUVQORAFlight;

// The map page calls that draw a flight's GPS track from its valid fixes, in the order they
// are to run: the track as a KML document, the ground track as a flat array of longitude and
// latitude pairs, and a placemark on the last fix (left out when the flight has no fix).
class FlightTrackScripts
{
public:
    // With filteredAltitude the track's altitudes are the Kalman-filtered ones instead of GPS's.
    static QStringList build(const NUVQORAFlight &flight, bool filteredAltitude);
};
