#include "FlightFigures.h"

#include "ConsoleSink.h"
#include "NUVEvent.h"
#include "NUVEvent_GPSTime.h"
#include "NUVQORAFlight.h"

#include <QDateTime>

#include <algorithm>
#include <ostream>

namespace {

constexpr float feetPerMetre = 3.28084f;
constexpr float kilometresPerHourPerMetrePerSecond = 3.6f;
constexpr qint64 secondsPerWeek = 604800;

QString seconds(float time)
{
    return QString::number(time, 'f', 2) + QStringLiteral(" s");
}

QString duration(float from, float to)
{
    return seconds(std::max(0.0f, to - from));
}

// "value unit @ time s", the time after launch.
QString peak(const QString &value, const char *unit, float time, float launch)
{
    return value + QLatin1String(unit) + QStringLiteral(" @ ") + seconds(time - launch);
}

QString gpsDate(const NUVEvent_GPSTime *gpsTime)
{
    if (!gpsTime)
        return QStringLiteral("n/a");
    const QDateTime gpsEpoch(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC);
    const qint64 offset = gpsTime->week * secondsPerWeek + gpsTime->timeOfWeek / 1000 + gpsTime->seconds;
    return gpsEpoch.addSecs(offset).toLocalTime().toString(Qt::TextDate);
}

QString coordinate(double degrees, bool found)
{
    return found ? QString::number(degrees, 'g', 6) : QStringLiteral("n/a");
}

} // namespace

FlightFigures::FlightFigures(NUVQORAFlight &flight, bool metric)
{
    date = gpsDate(flight.firstGPSTime());
    bool found = false;
    const double lat = flight.firstFixLatitude(&found);
    latitude = coordinate(lat, found);
    const double lon = flight.firstFixLongitude(&found);
    longitude = coordinate(lon, found);

    const float launch = flight.launchTime();
    const float peakVelocity = flight.peakVelocityTime();
    const float apogee = flight.apogeeTime();
    boostTime = duration(launch, peakVelocity);
    coastTime = duration(peakVelocity, apogee);
    totalFlightTime = duration(launch, flight.landingTime());

    const float ground = NUVQORAFlight::sampleAt(flight.kalmanAltitude, flight.firstEventTime()).value;
    const float top = NUVQORAFlight::sampleAt(flight.kalmanAltitude, apogee).value;
    ConsoleSink::out() << "Max AGL:" << top << " - " << ground << std::endl;
    const float altitudeFactor = metric ? 1.0f : feetPerMetre;
    maxAltitude = peak(QString::number((top - ground) * altitudeFactor, 'f', 0), metric ? " m" : " ft", apogee, launch);

    const float velocity = NUVQORAFlight::sampleAt(flight.velocity, peakVelocity).value;
    const float velocityFactor = metric ? kilometresPerHourPerMetrePerSecond : feetPerMetre;
    maxVelocity = peak(QString::number(velocity * velocityFactor, 'f', 0), metric ? " km/h" : " ft/s", peakVelocity,
                       launch);

    const auto [accelerationTime, acceleration] = flight.peakAcceleration();
    maxVerticalAcceleration = peak(QString::number(acceleration, 'f', 1), " g", accelerationTime, launch);
    const auto roll = [launch](std::pair<float, float> peakRate) {
        return peak(QString::number(peakRate.second, 'f', 0), " dps", peakRate.first, launch);
    };
    maxXRoll = roll(flight.peakGyroX());
    maxYRoll = roll(flight.peakGyroY());
    maxZRoll = roll(flight.peakGyroZ());
    const auto [lateralTime, lateral] = flight.peakLateralAcceleration();
    maxLateralAcceleration = peak(QString::number(lateral, 'g', 6), " g", lateralTime, launch);
}

QString FlightFigures::firmwareVersion(uint16_t word)
{
    const int major = word >> 8;
    const int minor = word & 0xFF;
    return QString::number(major, 16) + QLatin1Char('.') + (minor < 16 ? QStringLiteral("0") : QString())
        + QString::number(minor, 16);
}
