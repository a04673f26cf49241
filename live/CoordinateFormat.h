#pragma once

#include <QString>

// Latitudes and longitudes as the live windows of both programs show them. The style is the
// application setting "GPSCoordinateFormat"; no hemisphere letter is added, the sign stands
// before the degrees.
class CoordinateFormat
{
public:
    enum Style { DecimalDegrees = 0, DegreesDecimalMinutes = 1, DegreesMinutesSeconds = 2 };

    // An empty text for a style that is none of the three.
    static QString text(double degrees, int style);
};
