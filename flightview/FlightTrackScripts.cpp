#include "FlightTrackScripts.h"

#include "MapPage.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVQORAFlight.h"

#include <cmath>

namespace {

// A fix closer than this to the last kept point, in degrees of latitude and longitude, adds
// nothing to the ground track.
constexpr double groundTrackSpacing = 0.001;

QString kmlTrack(const NUVQORAFlight &flight, bool filteredAltitude)
{
    QString kml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                 "<kml xmlns=\"http://earth.google.com/kml/2.1\">"
                                 "<Document><name>NUV QORA Flight</name><visibility>1</visibility>"
                                 "<Folder><name>Track</name>"
                                 "<Placemark><name>Aeronautic</name>"
                                 "<Style><LineStyle><color>C80000FF</color><width>4</width></LineStyle></Style>"
                                 "<LineString><altitudeMode>absolute</altitudeMode><coordinates>");
    for (const auto &event : flight.events) {
        const auto *fix = event->as<NUVEvent_GPSLLSol>();
        if (!fix || !fix->fixValid)
            continue;
        const float altitude = filteredAltitude ? NUVQORAFlight::sampleAt(flight.kalmanAltitude, fix->time).value
                                                : fix->altitude;
        kml += QString::number(fix->longitude, 'f', 12) + QLatin1Char(',') + QString::number(fix->latitude, 'f', 12)
            + QLatin1Char(',') + QString::number(altitude, 'g', 6) + QLatin1Char(' ');
    }
    kml += QStringLiteral("</coordinates></LineString></Placemark></Folder></Document></kml>");
    return kml;
}

QString groundTrack(const NUVQORAFlight &flight)
{
    QString points = QStringLiteral("[");
    float lastLatitude = 0.0f;
    float lastLongitude = 0.0f;
    for (const auto &event : flight.events) {
        const auto *fix = event->as<NUVEvent_GPSLLSol>();
        if (!fix || !fix->fixValid)
            continue;
        if (std::fabs(fix->latitude - lastLatitude) > groundTrackSpacing
            || std::fabs(fix->longitude - lastLongitude) > groundTrackSpacing) {
            points += QString::number(fix->longitude, 'f', 12) + QLatin1Char(',')
                + QString::number(fix->latitude, 'f', 12) + QLatin1Char(',');
            lastLatitude = static_cast<float>(fix->latitude);
            lastLongitude = static_cast<float>(fix->longitude);
        }
    }
    return points + QLatin1Char(']');
}

const NUVEvent_GPSLLSol *lastFix(const NUVQORAFlight &flight)
{
    for (auto event = flight.events.rbegin(); event != flight.events.rend(); ++event) {
        const auto *fix = (*event)->as<NUVEvent_GPSLLSol>();
        if (fix && fix->fixValid)
            return fix;
    }
    return nullptr;
}

} // namespace

QStringList FlightTrackScripts::build(const NUVQORAFlight &flight, bool filteredAltitude)
{
    QStringList scripts{MapPage::plotKMLScript(kmlTrack(flight, filteredAltitude)),
                        MapPage::plotGroudTrackScript(groundTrack(flight))};
    if (const NUVEvent_GPSLLSol *fix = lastFix(flight))
        scripts << MapPage::setPlacemarkScript(fix->latitude, fix->longitude, 10);
    return scripts;
}
