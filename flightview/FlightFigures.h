#pragma once

#include <QString>

#include <cstdint>

class NUVQORAFlight;

// The key figures of a flight as the flight window's notes tab shows them, in metric or
// imperial units. Times of events are given after launch.
class FlightFigures
{
public:
    FlightFigures(NUVQORAFlight &flight, bool metric);

    QString date;      // of the first GPS time, local; "n/a" without one
    QString latitude;  // of the first valid fix; "n/a" without one
    QString longitude;
    QString boostTime;
    QString coastTime;
    QString totalFlightTime;
    QString maxAltitude;
    QString maxVelocity;
    QString maxVerticalAcceleration;
    QString maxXRoll;
    QString maxYRoll;
    QString maxZRoll;
    QString maxLateralAcceleration;

    // A settings block's firmware word as major.minor in hexadecimal, minor in two digits.
    static QString firmwareVersion(uint16_t word);
};
