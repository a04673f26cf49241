// What the live windows of both programs make of each reading: the points plotted and what
// their labels show, for each kind of reading, in both unit systems, with each program's options.
#include "FlightTestSupport.h"
#include "GraphSeries.h"
#include "LiveLabels.h"
#include "LiveReadings.h"

#include <QLabel>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

using R = LiveReadings;
// Hands readings over, showing each reading's texts on the labels as the windows do.
using Readings = std::function<void(R &, const LiveLabels &)>;
Q_DECLARE_METATYPE(Readings)

namespace {

constexpr bool Metric = true, Imperial = false;
constexpr bool DeviceWindow = true, LiveWindow = false;

// The labels readings are shown on, named as the forms of both programs name them.
class Forms : public QWidget
{
public:
#define NUV_LABEL(name) QLabel *name = label(#name)
    NUV_LABEL(liveAccelerationLabel);
    NUV_LABEL(livePressureLabel);
    NUV_LABEL(liveMSLAltitudeLabel);
    NUV_LABEL(liveCompBatVoltageLabel);
    NUV_LABEL(liveEjectBatVoltageLabel);
    NUV_LABEL(liveTemperatureLabel);
    NUV_LABEL(liveLineALabel);
    NUV_LABEL(liveLineBLabel);
    NUV_LABEL(liveLineCLabel);
    NUV_LABEL(liveLineDLabel);
    NUV_LABEL(liveGPSTimeLabel);
    NUV_LABEL(liveLatLabel);
    NUV_LABEL(liveLongLabel);
    NUV_LABEL(liveGPSMSLLabel);
    NUV_LABEL(liveGPSFixLabel);
    NUV_LABEL(satUsedLabel);
#undef NUV_LABEL

    // "name: text" of each label with a text, "name: style" of each with a style sheet.
    QStringList shown() const
    {
        QStringList shown;
        for (const QLabel *label : findChildren<QLabel *>())
            if (!label->text().isEmpty() || !label->styleSheet().isEmpty())
                shown << label->objectName() + ": " + label->text() + label->styleSheet();
        return shown;
    }

private:
    QLabel *label(const char *name)
    {
        auto *label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        return label;
    }
};

// An event with one field set.
template<class Event, class Field, class Value>
Event with(Field Event::*field, Value value)
{
    Event e;
    e.*field = value;
    return e;
}

template<class... Events>
Readings delivered(Events... events)
{
    return [=](R &readings, const LiveLabels &labels) { (labels.show(readings.add(events)), ...); };
}

NUVEvent_Pressure pressureOf(float pascals)
{
    return with(&NUVEvent_Pressure::pressure, pascals);
}

// `count` pressures a second apart from time 0, the last of them `last`.
Readings pressures(int count, float pascals, float last)
{
    return [=](R &readings, const LiveLabels &labels) {
        for (int i = 0; i < count; ++i) {
            NUVEvent_Pressure e = pressureOf(i + 1 < count ? pascals : last);
            e.time = i;
            labels.show(readings.add(e));
        }
    };
}

Readings fix(double latitude, double longitude, bool valid, int coordinateFormat)
{
    NUVEvent_GPSLLSol e;
    e.latitude = latitude;
    e.longitude = longitude;
    e.altitude = 100;
    e.satellites = 7;
    e.fixValid = valid;
    return [=](R &readings, const LiveLabels &labels) { labels.show(readings.add(e, coordinateFormat)); };
}

QStringList fixShown(const QString &latitude, const QString &longitude, const QString &altitude, const QString &fix)
{
    QStringList shown;
    if (!latitude.isEmpty())
        shown << "liveLatLabel: " + latitude << "liveLongLabel: " + longitude;
    return shown << "liveGPSMSLLabel: " + altitude << "liveGPSFixLabel: " + fix << "satUsedLabel: 7";
}

NUVEvent_Status lines(NUVEvent_Status::LineFlags on, NUVEvent_Status::LineFlags continuity)
{
    NUVEvent_Status e;
    e.lineOn = on;
    e.lineContinuity = continuity;
    return e;
}

NUVEvent_GPSTime gpsTime(bool valid)
{
    NUVEvent_GPSTime e;
    e.week = 1;
    e.seconds = 3;
    e.timeOfWeek = 2500;
    e.timeValid = valid;
    return e;
}

} // namespace

class TestLiveReadings : public QObject
{
    Q_OBJECT

private slots:
    void readings_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<bool>("deviceWindow"); // else the live window's options
        QTest::addColumn<Readings>("readings");
        QTest::addColumn<int>("series");        // the series looked at afterwards
        QTest::addColumn<int>("points");        // how many it holds
        QTest::addColumn<QPointF>("last");      // its last point
        QTest::addColumn<QStringList>("shown"); // by the labels

        QTest::newRow("vertical acceleration")
            << Metric << DeviceWindow << delivered(with(&NUVEvent_AccelZ::acceleration, 1.234f))
            << int(R::AccelerationZ) << 1 << QPointF(0, 1.234) << QStringList{"liveAccelerationLabel: 1.23 g"};
        QTest::newRow("computer battery")
            << Imperial << LiveWindow << delivered(with(&NUVEvent_ComputerBattery::voltage, 8.128f))
            << int(R::ComputerBattery) << 1 << QPointF(0, 8.128) << QStringList{"liveCompBatVoltageLabel: 8.13 v"};
        QTest::newRow("ejection battery")
            << Metric << DeviceWindow << delivered(with(&NUVEvent_EjectionBattery::voltage, 7.996f))
            << int(R::EjectionBattery) << 1 << QPointF(0, 7.996) << QStringList{"liveEjectBatVoltageLabel: 8.00 v"};
        const auto temperature = with(&NUVEvent_Temperature::temperature, 21.5f);
        QTest::newRow("temperature, metric")
            << Metric << DeviceWindow << delivered(temperature) << int(R::Temperature) << 1 << QPointF(0, 21.5)
            << QStringList{"liveTemperatureLabel: 21.5\u00B0 C"};
        QTest::newRow("temperature, imperial")
            << Imperial << LiveWindow << delivered(temperature) << int(R::Temperature) << 1 << QPointF(0, 70.7)
            << QStringList{"liveTemperatureLabel: 70.7\u00B0 F"};

        QTest::newRow("pressure, imperial, device window")
            << Imperial << DeviceWindow << delivered(pressureOf(100000)) << int(R::Pressure) << 1 << QPointF(0, 29.5334)
            << QStringList{"livePressureLabel: 29.53 inHg", "liveMSLAltitudeLabel: 364 ft"};
        QTest::newRow("pressure, imperial, live window")
            << Imperial << LiveWindow << delivered(pressureOf(89874.6f)) << int(R::Altitude) << 1 << QPointF(0, 3280.8)
            << QStringList{"livePressureLabel: 26.54 inHg", "liveMSLAltitudeLabel: 3281 ft"};
        // Each program keeps its own single-precision rounding: they differ by a metre here.
        QTest::newRow("pressure, metric, device window")
            << Metric << DeviceWindow << delivered(pressureOf(95066.5f)) << int(R::Altitude) << 1 << QPointF(0, 534.5)
            << QStringList{"livePressureLabel: 95.07 kPa", "liveMSLAltitudeLabel: 534 m"};
        QTest::newRow("pressure, metric, live window")
            << Metric << LiveWindow << delivered(pressureOf(95066.5f)) << int(R::Altitude) << 1 << QPointF(0, 534.5)
            << QStringList{"livePressureLabel: 95.07 kPA", "liveMSLAltitudeLabel: 535 m"};
        // Past 1000 points a bounded trace empties itself, and its labels keep what they show.
        QTest::newRow("device traces restart")
            << Metric << DeviceWindow << pressures(1001, 100000, 90000) << int(R::Altitude) << 0 << QPointF()
            << QStringList{"livePressureLabel: 100.00 kPa", "liveMSLAltitudeLabel: 111 m"};
        QTest::newRow("device traces start again at time 0")
            << Metric << DeviceWindow << pressures(1002, 100000, 90000) << int(R::Pressure) << 1 << QPointF(0, 90000)
            << QStringList{"livePressureLabel: 90.00 kPa", "liveMSLAltitudeLabel: 988 m"};
        QTest::newRow("live traces keep a whole flight")
            << Metric << LiveWindow << pressures(1001, 100000, 90000) << int(R::Pressure) << 1001
            << QPointF(1000, 90000) << QStringList{"livePressureLabel: 90.00 kPA", "liveMSLAltitudeLabel: 988 m"};
        // On: red, else continuity: green, else no colour, which clears an earlier one.
        const NUVEvent_Status allOn = lines({true, true, true, true}, {});
        QTest::newRow("output lines, device window")
            << Metric << DeviceWindow << delivered(allOn, lines({true, true, false, false}, {true, false, true, true}))
            << int(R::Pressure) << 0 << QPointF()
            << QStringList{"liveLineALabel: background-color:red;", "liveLineBLabel: background-color:red;",
                           "liveLineCLabel: background-color:green;", "liveLineDLabel: background-color:green;"};
        QTest::newRow("output lines, live window")
            << Metric << LiveWindow << delivered(allOn, lines({false, true, false, false}, {false, true, true, false}))
            << int(R::Pressure) << 0 << QPointF()
            << QStringList{"liveLineBLabel: background-color:red;", "liveLineCLabel: background-color:green;"};

        // Week 1, 3 added seconds, 2.5 s into the week: 1980-01-13 00:00:05 UTC.
        QTest::newRow("GPS time") << Metric << DeviceWindow << delivered(gpsTime(true)) << int(R::Pressure) << 0
                                  << QPointF() << QStringList{"liveGPSTimeLabel: Sun Jan 13 00:00:05 1980"};
        QTest::newRow("GPS time not valid") << Imperial << LiveWindow << delivered(gpsTime(false)) << int(R::Pressure)
                                            << 0 << QPointF() << QStringList{"liveGPSTimeLabel: 2500 ms"};

        QTest::newRow("fix, decimal degrees")
            << Metric << DeviceWindow << fix(-33.8697, 151.2093, true, 0) << int(R::Pressure) << 0 << QPointF()
            << fixShown("-33.869700", "151.209300", "100.0 m", "3D solution");
        QTest::newRow("no fix, decimal minutes")
            << Imperial << LiveWindow << fix(-33.8697, 151.2093, false, 1) << int(R::Pressure) << 0 << QPointF()
            << fixShown("-33 \u00B0 52.1820'", "151 \u00B0 12.5580'", "328.1 ft", "None");
        // Between -1 and 0 the whole degrees are 0: the sign is written apart.
        QTest::newRow("fix, minutes and seconds")
            << Metric << LiveWindow << fix(-33.8697, -0.25, true, 2) << int(R::Pressure) << 0 << QPointF()
            << fixShown("-33 \u00B0 52' 10.92''", "-0 \u00B0 15' 0.00''", "100.0 m", "3D solution");
        QTest::newRow("fix, unknown coordinate format")
            << Metric << DeviceWindow << fix(10, 20, true, 3) << int(R::Pressure) << 0 << QPointF()
            << fixShown("", "", "100.0 m", "3D solution");
    }

    void readings()
    {
        QFETCH(bool, metric);
        QFETCH(bool, deviceWindow);
        QFETCH(Readings, readings);
        QFETCH(int, series);
        QFETCH(int, points);
        QFETCH(QPointF, last);
        LiveReadings live(deviceWindow ? R::Options::deviceWindow(metric) : R::Options::liveWindow(metric));
        std::vector<std::unique_ptr<GraphSeries>> plotted;
        for (int s = 0; s < R::SeriesCount; ++s) {
            plotted.push_back(std::make_unique<GraphSeries>(QPen(), QPen(), QBrush(), 2));
            live.attach(R::Series(s), plotted.back().get(), nullptr);
        }
        Forms forms;

        readings(live, LiveLabels(forms, forms));
        QTEST(forms.shown(), "shown");
        const QVector<QPointF> &drawn = plotted[size_t(series)]->points;
        QCOMPARE(drawn.size(), points);
        if (points > 0) {
            QCOMPARE(drawn.last().x(), last.x());
            QVERIFY2(qAbs(drawn.last().y() - last.y()) <= 1e-4 * qAbs(last.y()),
                     qPrintable(QString::number(drawn.last().y(), 'g', 10)));
        }
    }
};

QTEST_MAIN(TestLiveReadings)
#include "TestLiveReadings.moc"
