#include "LiveReadings.h"

#include "CoordinateFormat.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_EjectionBattery.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GPSTime.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_LineA.h"
#include "NUVEvent_LineB.h"
#include "NUVEvent_LineC.h"
#include "NUVEvent_LineD.h"
#include "NUVEvent_MagXYZ.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_RSSI.h"
#include "NUVEvent_Status.h"
#include "NUVEvent_Temperature.h"
#include "PressureAltitude.h"
#include "QGraph.h"
#include "QGraphView.h"

#include <QDateTime>

#include <cmath>

namespace {

constexpr float FeetPerMetre = 3.28084f;
constexpr float InHgPerPascal = 0.000295333727f;

QString lineStyle(bool on, bool continuity)
{
    if (on)
        return QStringLiteral("background-color:red;");
    return continuity ? QStringLiteral("background-color:green;") : QString();
}

} // namespace

LiveReadings::Options LiveReadings::Options::deviceWindow(bool metric)
{
    Options options;
    options.metric = metric;
    options.pressureFactorInTwoSteps = true;
    return options;
}

LiveReadings::Options LiveReadings::Options::liveWindow(bool metric)
{
    Options options;
    options.metric = metric;
    options.restartEveryTrace = false;
    options.repaintHiddenGraphs = true;
    options.kilopascals = QStringLiteral("kPA");
    return options;
}

LiveReadings::LiveReadings(const Options &options)
    : m_options(options)
{
}

void LiveReadings::attach(Series series, GraphSeries *plotted, QGraph *graph)
{
    m_traces[series].attach(plotted, m_options.restartEveryTrace || series == Rssi);
    m_graphs[series] = graph;
}

void LiveReadings::clear()
{
    for (LiveTrace &trace : m_traces)
        if (trace.isAttached())
            trace.clear();
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_AccelZ &e)
{
    plot(e.time, {{AccelerationZ, e.acceleration}});
    return {{AccelerationLabel, QString::number(e.acceleration, 'f', 2) + QStringLiteral(" g")}};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_AccelXY &e)
{
    plot(e.time, {{AccelerationX, e.x}, {AccelerationY, e.y}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_GyroXYZ &e)
{
    plot(e.time, {{GyroX, e.x}, {GyroY, e.y}, {GyroZ, e.z}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_MagXYZ &e)
{
    plot(e.time, {{MagX, e.x}, {MagY, e.y}, {MagZ, e.z}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_Pressure &e, const NUVEvent_Pressure *reference)
{
    const float pressure = e.pressure;
    const float altitude = altitudeAt(pressure);
    const float height = reference ? altitude - altitudeAt(reference->pressure) : altitude;
    plot(e.time,
         {{Pressure, m_options.metric ? pressure : pressure * InHgPerPascal},
          {Altitude, m_options.metric ? height : height * FeetPerMetre}});
    if (restarted(Altitude))
        return {};
    return {
        {PressureLabel,
         inUnits(pressure * 0.001f, pressure * InHgPerPascal, 2, " " + m_options.kilopascals, QStringLiteral(" inHg"))},
        {MSLAltitudeLabel, inUnits(altitude, altitude * FeetPerMetre, 0, QStringLiteral(" m"), QStringLiteral(" ft"))}};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_ComputerBattery &e)
{
    plot(e.time, {{ComputerBattery, e.voltage}});
    return {{ComputerBatteryLabel, QString::number(e.voltage, 'f', 2) + QStringLiteral(" v")}};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_EjectionBattery &e)
{
    plot(e.time, {{EjectionBattery, e.voltage}});
    return {{EjectionBatteryLabel, QString::number(e.voltage, 'f', 2) + QStringLiteral(" v")}};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_LineA &e)
{
    plot(e.time, {{LineA, e.voltage}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_LineB &e)
{
    plot(e.time, {{LineB, e.voltage}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_LineC &e)
{
    plot(e.time, {{LineC, e.voltage}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_LineD &e)
{
    plot(e.time, {{LineD, e.voltage}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_Temperature &e)
{
    const float fahrenheit = e.temperature * 1.8f + 32;
    plot(e.time, {{Temperature, m_options.metric ? e.temperature : fahrenheit}});
    if (restarted(Temperature))
        return {};
    return {{TemperatureLabel,
             inUnits(e.temperature, fahrenheit, 1, QStringLiteral("\u00B0 C"), QStringLiteral("\u00B0 F"))}};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_RSSI &e)
{
    plot(e.time, {{Rssi, e.rssi}});
    return {};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_Status &e) const
{
    Texts styles;
    for (int line = 0; line < 4; ++line)
        styles.insert(Label(LineAStyle + line), lineStyle(e.lineOn[line], e.lineContinuity[line]));
    return styles;
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_GPSTime &e) const
{
    return {{GPSTimeLabel, e.timeValid ? gpsTimeText(e) : QString::number(e.timeOfWeek) + QStringLiteral(" ms")}};
}

LiveReadings::Texts LiveReadings::add(const NUVEvent_GPSLLSol &e, int coordinateFormat) const
{
    return {{LatitudeLabel, CoordinateFormat::text(e.latitude, coordinateFormat)},
            {LongitudeLabel, CoordinateFormat::text(e.longitude, coordinateFormat)},
            {GPSAltitudeLabel,
             inUnits(e.altitude, e.altitude * FeetPerMetre, 1, QStringLiteral(" m"), QStringLiteral(" ft"))},
            {GPSFixLabel, e.fixValid ? tr("3D solution") : tr("None")},
            {SatellitesLabel, QString::number(e.satellites)}};
}

QString LiveReadings::gpsTimeText(const NUVEvent_GPSTime &time)
{
    const uint32_t seconds = uint32_t(time.week) * 604800u + time.seconds + time.timeOfWeek / 1000u;
    const QDateTime gpsEpoch(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC);
    return gpsEpoch.addSecs(seconds).toLocalTime().toString(Qt::TextDate);
}

// A view's update() only schedules its repaint, which then shows every series of the reading.
void LiveReadings::plot(float time, std::initializer_list<std::pair<Series, double>> values)
{
    QGraph *updated = nullptr;
    for (const auto &[series, value] : values) {
        if (!m_traces[series].isAttached())
            continue;
        m_traces[series].add(time, value);
        QGraph *graph = m_graphs[series];
        if (graph && graph != updated && (m_options.repaintHiddenGraphs || graph->isVisible()))
            graph->view()->update();
        updated = graph;
    }
}

bool LiveReadings::restarted(Series series) const
{
    return m_traces[series].isAttached() && m_traces[series].isEmpty();
}

float LiveReadings::altitudeAt(float pascals) const
{
    if (m_options.pressureFactorInTwoSteps)
        return (1.0f - std::pow(pascals * 0.001f * 0.009869233f, 0.190263f)) * 44330.32f;
    return pressureAltitudeOf(pascals);
}

QString LiveReadings::inUnits(float metric, float imperial, int decimals, const QString &metricUnit,
                              const QString &imperialUnit) const
{
    return m_options.metric ? QString::number(metric, 'f', decimals) + metricUnit
                            : QString::number(imperial, 'f', decimals) + imperialUnit;
}
