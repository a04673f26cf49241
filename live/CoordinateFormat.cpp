#include "CoordinateFormat.h"

#include <cmath>

QString CoordinateFormat::text(double degrees, int style)
{
    const double wholeDegrees = std::trunc(degrees);
    const double minutes = std::abs(degrees - wholeDegrees) * 60;
    const double wholeMinutes = std::trunc(minutes);
    const double seconds = (minutes - wholeMinutes) * 60;
    // The sign is written apart from the whole degrees, which are 0 between -1 and 0.
    const QString degreeText = (degrees < 0 ? QStringLiteral("-") : QString())
        + QString::number(std::abs(wholeDegrees), 'f', 0) + QStringLiteral(" \u00B0 ");

    switch (style) {
    case DecimalDegrees:
        return QString::number(degrees, 'f', 6);
    case DegreesDecimalMinutes:
        return degreeText + QString::number(minutes, 'f', 4) + QStringLiteral("'");
    case DegreesMinutesSeconds:
        return degreeText + QString::number(wholeMinutes, 'f', 0) + QStringLiteral("' ")
            + QString::number(seconds, 'f', 2) + QStringLiteral("''");
    default:
        return QString();
    }
}
