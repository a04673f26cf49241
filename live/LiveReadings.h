#pragma once

#include "LiveTrace.h"

#include <QCoreApplication>
#include <QMap>
#include <QString>

#include <array>
#include <initializer_list>
#include <utility>

class GraphSeries;
class NUVEvent_AccelXY;
class NUVEvent_AccelZ;
class NUVEvent_ComputerBattery;
class NUVEvent_EjectionBattery;
class NUVEvent_GPSLLSol;
class NUVEvent_GPSTime;
class NUVEvent_GyroXYZ;
class NUVEvent_LineA;
class NUVEvent_LineB;
class NUVEvent_LineC;
class NUVEvent_LineD;
class NUVEvent_MagXYZ;
class NUVEvent_Pressure;
class NUVEvent_RSSI;
class NUVEvent_Status;
class NUVEvent_Temperature;
class QGraph;

// What the live windows of both programs make of each typed reading: points of their graphs'
// series and the texts of their labels, in either unit system. What sets the two programs
// apart is given as options; what only one of them does with a reading (recording it, the
// flight phase, the ground track, the map) stays in its window.
class LiveReadings
{
    Q_DECLARE_TR_FUNCTIONS(LiveReadings)

public:
    // The series readings are plotted on. A window attaches those its graphs show; a reading
    // of a series not attached is not plotted. Each sensor's X, Y and Z follow one another.
    enum Series {
        Pressure,
        Altitude,
        AccelerationX,
        AccelerationY,
        AccelerationZ,
        GyroX,
        GyroY,
        GyroZ,
        MagX,
        MagY,
        MagZ,
        ComputerBattery,
        EjectionBattery,
        LineA,
        LineB,
        LineC,
        LineD,
        Temperature,
        Rssi,
        SeriesCount,
        Unplotted = SeriesCount // a series of a window's own
    };

    // The labels readings write: those of the main window's overview, then those of the
    // window's GPS page. The four output line labels get a style sheet, not a text.
    enum Label {
        AccelerationLabel,
        PressureLabel,
        MSLAltitudeLabel,
        ComputerBatteryLabel,
        EjectionBatteryLabel,
        TemperatureLabel,
        LineAStyle,
        LineBStyle,
        LineCStyle,
        LineDStyle,
        GPSTimeLabel,
        LatitudeLabel,
        LongitudeLabel,
        GPSAltitudeLabel,
        GPSFixLabel,
        SatellitesLabel,
        LabelCount
    };
    using Texts = QMap<Label, QString>;

    struct Options
    {
        bool metric = true;
        // Every trace is bounded (LiveTrace): the device streams for as long as it is
        // connected. Otherwise only the signal strength's is, and the others keep a whole flight.
        bool restartEveryTrace = true;
        // Otherwise a graph out of sight is not repainted; it is drawn anew when shown.
        bool repaintHiddenGraphs = false;
        // The metric pressure label's unit, as each program has always spelt it.
        QString kilopascals = QStringLiteral("kPa");
        // The device window has always multiplied the pressure by 0.001 and by 0.009869233 one
        // after the other in single precision. pressureAltitudeOf's one factor rounds otherwise
        // for about one pressure in five, which changes the whole metres or feet its labels
        // show for one pressure in a few thousand.
        bool pressureFactorInTwoSteps = false;

        // NUV QORA's device window and NUV TAVO's live window.
        static Options deviceWindow(bool metric);
        static Options liveWindow(bool metric);
    };

    LiveReadings() = default;
    explicit LiveReadings(const Options &options);

    // Plots `series` on `plotted`, drawn in `graph`, whose view is repainted after each
    // reading that adds to it.
    void attach(Series series, GraphSeries *plotted, QGraph *graph);
    // Empties every trace; the next reading of each starts it at time 0.
    void clear();

    // Each adds the reading's points and returns the texts it gives the labels. A trace that
    // has just emptied itself leaves its labels as they are.
    Texts add(const NUVEvent_AccelZ &e);
    Texts add(const NUVEvent_AccelXY &e);
    Texts add(const NUVEvent_GyroXYZ &e);
    Texts add(const NUVEvent_MagXYZ &e);
    // The altitude plotted is the height above the reference's, or above sea level without
    // one; the altitude label is always above sea level.
    Texts add(const NUVEvent_Pressure &e, const NUVEvent_Pressure *reference = nullptr);
    Texts add(const NUVEvent_ComputerBattery &e);
    Texts add(const NUVEvent_EjectionBattery &e);
    Texts add(const NUVEvent_LineA &e);
    Texts add(const NUVEvent_LineB &e);
    Texts add(const NUVEvent_LineC &e);
    Texts add(const NUVEvent_LineD &e);
    Texts add(const NUVEvent_Temperature &e);
    Texts add(const NUVEvent_RSSI &e);
    Texts add(const NUVEvent_Status &e) const;
    Texts add(const NUVEvent_GPSTime &e) const;
    // coordinateFormat: the application setting "GPSCoordinateFormat" (CoordinateFormat).
    Texts add(const NUVEvent_GPSLLSol &e, int coordinateFormat) const;

    // 1980-01-06 UTC plus the event's week and seconds, in local time.
    static QString gpsTimeText(const NUVEvent_GPSTime &time);

private:
    void plot(float time, std::initializer_list<std::pair<Series, double>> values);
    bool restarted(Series series) const;
    float altitudeAt(float pascals) const;
    // The metric or the imperial value with its unit.
    QString inUnits(float metric, float imperial, int decimals, const QString &metricUnit,
                    const QString &imperialUnit) const;

    Options m_options;
    std::array<LiveTrace, SeriesCount> m_traces;
    std::array<QGraph *, SeriesCount> m_graphs{};
};
