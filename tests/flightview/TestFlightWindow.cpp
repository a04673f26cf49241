#include "FlightFileBytes.h"
#include "FlightTestSupport.h"
#include "FlightWindowFixture.h"
#include "PressureAltitude.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"
#include "SyntheticFlight.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <cmath>
#include <functional>
#include <fstream>

using Events = std::function<void(NUVQORAFlight &)>;
Q_DECLARE_METATYPE(Events)

namespace {

bool near(const QVector<QPointF> &actual, const QVector<QPointF> &expected, double tolerance)
{
    if (actual.size() != expected.size())
        return false;
    for (int i = 0; i < actual.size(); ++i) {
        if (std::fabs(actual[i].x() - expected[i].x()) > tolerance
            || std::fabs(actual[i].y() - expected[i].y()) > tolerance)
            return false;
    }
    return true;
}

QString describe(const QVector<QPointF> &points)
{
    QStringList text;
    for (const QPointF &p : points)
        text << QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
    return text.join(QLatin1Char(' '));
}

void pressures(NUVQORAFlight &flight, std::initializer_list<float> altitudes, float from = 1.0f)
{
    float t = from;
    for (const float altitude : altitudes)
        addEvent<NUVEvent_Pressure>(flight, t++)->pressure = standardPressureAt(altitude);
}

std::shared_ptr<NUVQORAFlight> flightOf(const Events &events)
{
    auto flight = std::make_shared<NUVQORAFlight>();
    events(*flight);
    return flight;
}

std::shared_ptr<NUVQORAFlight> synthetic(SyntheticFlight::Profile profile = {})
{
    SyntheticFlight generated(profile);
    return std::shared_ptr<NUVQORAFlight>(generated.flight.release());
}

// The synthetic flight with status records at its launch (boost) and its apogee.
std::shared_ptr<NUVQORAFlight> syntheticWithStatus()
{
    SyntheticFlight generated({});
    NUVQORAFlight &flight = *generated.flight;
    addEvent<NUVEvent_Status>(flight, float(generated.burnout - 2.0))->state = FlightPhase::Boost;
    addEvent<NUVEvent_Status>(flight, float(generated.apogee))->state = FlightPhase::ApogeeOrDescent;
    std::stable_sort(flight.events.begin(), flight.events.end(),
                     [](const auto &a, const auto &b) { return a->time < b->time; });
    return std::shared_ptr<NUVQORAFlight>(generated.flight.release());
}

} // namespace

class TestFlightWindow : public QObject
{
    Q_OBJECT

private slots:
    void seriesFollowTheEvents_data();
    void seriesFollowTheEvents();
    void markersAtTheFirstStatusThatReportsThem_data();
    void markersAtTheFirstStatusThatReportsThem();
    void filteredMarkersKeepThePressureGround_data();
    void filteredMarkersKeepThePressureGround();
    void dataMenuChoosesTheAltitude();
    void unitsFollowTheNumberSystem();
    void unitsFollowASystemChangedWhileOpen();
    void minimumRangesStayInView_data();
    void minimumRangesStayInView();
    void sampledSeriesCoverTheProcessedFlight_data();
    void sampledSeriesCoverTheProcessedFlight();
    void sensorsThatSentNothingLoseTheirGraphs_data();
    void sensorsThatSentNothingLoseTheirGraphs();
    void figuresOfAFlight_data();
    void figuresOfAFlight();
    void figuresOfMissingData_data();
    void figuresOfMissingData();
    void flightSpecificRowsNeedALaunchAndDeviceRowsValidSettings();
    void settingsAreShownReadOnly();
    void notesAreKeptAndEditsMarkTheWindow();
    void timeMarkersAreSharedByTheWindowsGraphs();
    void flightFilesOfEveryVersionOpen_data();
    void flightFilesOfEveryVersionOpen();

private:
    FlightWindowFixture m_fixture;
    ScriptedDialogs m_dialogs;
};

void TestFlightWindow::seriesFollowTheEvents_data()
{
    QTest::addColumn<Events>("events");
    QTest::addColumn<int>("numberSystem");
    QTest::addColumn<QString>("graph");
    QTest::addColumn<int>("series");
    QTest::addColumn<QVector<QPointF>>("expected");

    const auto row = [](const char *name, Events events, int system, const char *graph, int series,
                        QVector<QPointF> expected) {
        QTest::newRow(name) << events << system << QString(graph) << series << expected;
    };
    const auto orientation = [](float x, float y, float z, float w) {
        return [=](NUVQORAFlight &f) {
            auto *q = addEvent<NUVEvent_Orientation>(f, 1);
            q->x = x, q->y = y, q->z = z, q->w = w;
        };
    };
    row("axial acceleration", [](NUVQORAFlight &f) {
        addEvent<NUVEvent_AccelZ>(f, 1)->acceleration = 1.5f;
        addEvent<NUVEvent_AccelZ>(f, 2)->acceleration = -0.5f;
    }, 0, "liveAccelerationGraph", 0, {{1, 1.5}, {2, -0.5}});
    const Events lateral = [](NUVQORAFlight &f) {
        auto *a = addEvent<NUVEvent_AccelXY>(f, 1);
        a->x = 0.25f, a->y = -0.5f;
    };
    row("lateral X", lateral, 0, "latteralAccelerationGraph", 0, {{1, 0.25}});
    row("lateral Y", lateral, 0, "latteralAccelerationGraph", 1, {{1, -0.5}});
    row("gyro Z", [](NUVQORAFlight &f) {
        auto *g = addEvent<NUVEvent_GyroXYZ>(f, 1);
        g->x = 1, g->y = 2, g->z = -300;
    }, 0, "liveGyroGraph", 2, {{1, -300}});
    row("magnetometer Y", [](NUVQORAFlight &f) {
        auto *m = addEvent<NUVEvent_MagXYZ>(f, 1);
        m->x = 1, m->y = 0.5f, m->z = 3;
    }, 0, "liveMagGraph", 1, {{1, 0.5}});
    row("tilt upright", orientation(0, 0, 1, 0), 0, "liveTiltGraph", 0, {{1, 0}});
    row("tilt level", orientation(0.70710677f, 0, 0, 0.70710677f), 0, "liveTiltGraph", 0, {{1, 90}});
    row("tilt upside down", orientation(1, 0, 0, 0), 0, "liveTiltGraph", 0, {{1, 180}});
    // Rounding may take the cosine past 1; the angle is then 0, not a gap in the graph.
    row("tilt past rounding", orientation(0, 0, 1, 0.001f), 0, "liveTiltGraph", 0, {{1, 0}});
    const Events warm = [](NUVQORAFlight &f) { addEvent<NUVEvent_Temperature>(f, 1)->temperature = 20; };
    row("temperature metric", warm, 0, "liveTemperatureGraph", 0, {{1, 20}});
    row("temperature imperial", warm, 1, "liveTemperatureGraph", 0, {{1, 68}});
    row("computer battery", [](NUVQORAFlight &f) { addEvent<NUVEvent_ComputerBattery>(f, 1)->voltage = 7.4f; },
        0, "liveBatteryGraph", 0, {{1, 7.4}});
    row("ejection battery", [](NUVQORAFlight &f) { addEvent<NUVEvent_EjectionBattery>(f, 1)->voltage = 9; },
        0, "liveBatteryGraph", 1, {{1, 9}});
    row("line C", [](NUVQORAFlight &f) { addEvent<NUVEvent_LineC>(f, 1)->voltage = 3.25f; },
        0, "liveInputGraph", 2, {{1, 3.25}});
    row("RSSI", [](NUVQORAFlight &f) { addEvent<NUVEvent_RSSI>(f, 1)->rssi = -97; }, 0, "RSSIGraph", 0, {{1, -97}});
    // Without a launch the first reading is the ground.
    const Events climb = [](NUVQORAFlight &f) { pressures(f, {100, 110, 150}); };
    row("altitude metric", climb, 0, "livePressureGraph", 0, {{1, 0}, {2, 10}, {3, 50}});
    row("altitude imperial", climb, 1, "livePressureGraph", 0, {{1, 0}, {2, 32.8084}, {3, 164.042}});
}

void TestFlightWindow::seriesFollowTheEvents()
{
    QFETCH(Events, events);
    QFETCH(QString, graph);
    QFETCH(int, series);
    QFETCH(QVector<QPointF>, expected);
    QFETCH(int, numberSystem);
    auto main = m_fixture.mainWindow(numberSystem);
    auto *window = FlightWindowFixture::show(*main, flightOf(events));
    const QVector<QPointF> &actual = FlightWindowFixture::points(window, graph.toLatin1().constData(), series);
    QVERIFY2(near(actual, expected, 0.01), qPrintable(describe(actual)));
}

void TestFlightWindow::markersAtTheFirstStatusThatReportsThem_data()
{
    QTest::addColumn<int>("numberSystem");
    QTest::addColumn<bool>("msl");
    QTest::addColumn<double>("altitude");
    QTest::newRow("above the ground") << 0 << false << 0.0;
    QTest::newRow("above sea level") << 0 << true << 100.0;
    QTest::newRow("above sea level in feet") << 1 << true << 328.084;
}

void TestFlightWindow::markersAtTheFirstStatusThatReportsThem()
{
    QFETCH(int, numberSystem);
    QFETCH(bool, msl);
    QFETCH(double, altitude);
    auto flight = flightOf([](NUVQORAFlight &f) {
        pressures(f, {100, 100, 100, 100, 100, 100}, 0);
        const auto status = [&f](float t, int state, NUVEvent_Status::LineFlags on) {
            auto *s = addEvent<NUVEvent_Status>(f, t);
            s->state = state;
            s->lineOn = on;
        };
        status(1, 0, {});
        status(2, 1, {});
        status(3, 2, {});
        status(4, 3, {true, false, false, false});
        status(5, 4, {true, true, false, false});
    });
    std::stable_sort(flight->events.begin(), flight->events.end(),
                     [](const auto &a, const auto &b) { return a->time < b->time; });
    auto main = m_fixture.mainWindow(numberSystem);
    auto *window = FlightWindowFixture::show(*main, flight);
    FlightWindowFixture::dataOption(window, "msl")->setChecked(msl);

    QStringList texts;
    QVector<QPointF> positions;
    for (const AxisAnnotation &marker : FlightWindowFixture::axis(window, "livePressureGraph")->annotations) {
        texts << marker.text;
        positions << marker.position;
    }
    QCOMPARE(texts, QStringList({"Launch detected", "Apogee detected", "Line A triggered", "Line B triggered"}));
    const QVector<QPointF> expected{{2, altitude}, {4, altitude}, {4, altitude}, {5, altitude}};
    QVERIFY2(near(positions, expected, 0.01), qPrintable(describe(positions)));
}

void TestFlightWindow::filteredMarkersKeepThePressureGround_data()
{
    QTest::addColumn<int>("numberSystem");
    QTest::addColumn<bool>("msl");
    QTest::newRow("above the pressure ground") << 0 << false;
    QTest::newRow("above sea level in feet") << 1 << true;
}

// Under "Kalman filtered" the markers stand on the filtered altitude, measured from the same
// ground as the raw altitudes.
void TestFlightWindow::filteredMarkersKeepThePressureGround()
{
    QFETCH(int, numberSystem);
    QFETCH(bool, msl);
    auto flight = syntheticWithStatus();
    auto main = m_fixture.mainWindow(numberSystem);
    auto *window = FlightWindowFixture::show(*main, flight);
    FlightWindowFixture::dataOption(window, "msl")->setChecked(msl);
    FlightWindowFixture::dataOption(window, "kalmanFiltered")->setChecked(true);

    const float ground = msl ? 0.0f : flight->groundAltitude();
    const double factor = numberSystem ? 3.28084 : 1.0;
    const QList<AxisAnnotation> markers = FlightWindowFixture::axis(window, "livePressureGraph")->annotations;
    QCOMPARE(markers.size(), 2);
    for (const AxisAnnotation &marker : markers) {
        const float filtered = NUVQORAFlight::sampleAt(flight->kalmanAltitude, float(marker.position.x())).value;
        QVERIFY2(std::fabs(marker.position.y() - (filtered - ground) * factor) < 0.01, qPrintable(marker.text));
    }
    // The apogee marker stands near the top of the filtered curve, whatever its own ground.
    const QVector<QPointF> &curve = FlightWindowFixture::points(window, "livePressureGraph", 0);
    const double top = std::max_element(curve.begin(), curve.end(), [](const QPointF &a, const QPointF &b) {
                           return a.y() < b.y();
                       })->y();
    const double filteredGround = msl ? 0.0 : NUVQORAFlight::sampleAt(flight->kalmanAltitude, -5.0f).value;
    QVERIFY(std::fabs(markers[1].position.y() - (top + (filteredGround - ground) * factor)) < 3 * factor);
}

void TestFlightWindow::dataMenuChoosesTheAltitude()
{
    auto flight = synthetic();
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight, false);
    const auto altitudes = [window] { return FlightWindowFixture::points(window, "livePressureGraph", 0); };
    const int pressureReadings = int(flight->pressureAltitude.size());

    QAction *kalman = FlightWindowFixture::dataOption(window, "kalmanFiltered");
    QAction *msl = FlightWindowFixture::dataOption(window, "msl");
    QCOMPARE(kalman->text(), "Kalman filtered");
    QCOMPARE(msl->text(), "MSL");
    QVERIFY(kalman->isCheckable() && msl->isCheckable() && !kalman->isChecked() && !msl->isChecked());
    QVERIFY(FlightWindowFixture::child<QGraph>(window, "livePressureGraph")->findChild<QMenu *>()->title() == "Data");

    QCOMPARE(altitudes().size(), pressureReadings);
    QVERIFY(std::fabs(altitudes().first().y()) < 3);
    FlightWindowFixture::dataOption(window, "msl")->setChecked(true);
    QVERIFY2(std::fabs(altitudes().first().y() - 110) < 3, qPrintable(describe(altitudes().mid(0, 3))));

    // Filtered: samples every 0.05 s from the first event, and no raw readings.
    FlightWindowFixture::dataOption(window, "kalmanFiltered")->setChecked(true);
    const QVector<QPointF> filtered = altitudes();
    QCOMPARE(filtered.first().x(), double(flight->events.front()->time));
    QVERIFY(std::fabs(filtered.size() - flight->lastEventTime() / 0.05) < 2);
    for (int i = 1; i < filtered.size(); ++i)
        QVERIFY(std::fabs(filtered[i].x() - filtered[i - 1].x() - 0.05) < 1e-3);
    QVERIFY(std::fabs(filtered.first().y() - 110) < 5);
    // Above the ground the filter itself found before the flight.
    msl->setChecked(false);
    QVERIFY(std::fabs(altitudes().first().y()) < 3);
    QVERIFY2(!window->isWindowModified(), "showing other data is no change to the flight");
}

void TestFlightWindow::unitsFollowTheNumberSystem()
{
    auto flight = synthetic();
    auto main = m_fixture.mainWindow();
    QVector<double> topSpeed;
    for (const int system : {0, 1}) {
        main->settings()->setValue(QStringLiteral("numberSystem"), system);
        auto *window = FlightWindowFixture::show(*main, flight);
        QCOMPARE(FlightWindowFixture::axis(window, "livePressureGraph")->yUnit, system ? "ft" : "m");
        QCOMPARE(FlightWindowFixture::axis(window, "verticalVelocityGraph")->yUnit, system ? "ft/s" : "m/s");
        QCOMPARE(FlightWindowFixture::axis(window, "liveTemperatureGraph")->yUnit, system ? "F" : "C");
        QCOMPARE(FlightWindowFixture::axis(window, "liveAccelerationGraph")->yUnit, "g");
        const QVector<QPointF> &velocity = FlightWindowFixture::points(window, "verticalVelocityGraph", 0);
        QCOMPARE(velocity.first().x(), 0.0);
        QVERIFY(std::fabs(velocity.last().x() + 0.05 - flight->lastEventTime()) < 0.06);
        topSpeed << std::max_element(velocity.begin(), velocity.end(), [](const QPointF &a, const QPointF &b) {
                        return a.y() < b.y();
                    })->y();
    }
    QVERIFY(std::fabs(topSpeed[1] / topSpeed[0] - 3.28084) < 1e-4);
}

// A window rebuilt after the number system changed shows the new units throughout.
void TestFlightWindow::unitsFollowASystemChangedWhileOpen()
{
    auto flight = synthetic();
    addEvent<NUVEvent_Temperature>(*flight, flight->events.back()->time)->temperature = 20;
    auto main = m_fixture.mainWindow(0);
    auto *window = FlightWindowFixture::show(*main, flight);
    const auto highest = [window] {
        const QVector<QPointF> &altitudes = FlightWindowFixture::points(window, "livePressureGraph", 0);
        return std::max_element(altitudes.begin(), altitudes.end(), [](const QPointF &a, const QPointF &b) {
                   return a.y() < b.y();
               })->y();
    };
    const double metres = highest();
    main->settings()->setValue(QStringLiteral("numberSystem"), 1);
    FlightWindowFixture::dataOption(window, "msl")->setChecked(true);
    FlightWindowFixture::dataOption(window, "msl")->setChecked(false);

    QCOMPARE(FlightWindowFixture::axis(window, "livePressureGraph")->yUnit, "ft");
    QCOMPARE(FlightWindowFixture::axis(window, "verticalVelocityGraph")->yUnit, "ft/s");
    QCOMPARE(FlightWindowFixture::axis(window, "liveTemperatureGraph")->yUnit, "F");
    QVERIFY(std::fabs(highest() - metres * 3.28084) < 0.01);
    QCOMPARE(FlightWindowFixture::points(window, "liveTemperatureGraph", 0).last().y(), 68.0);
    QVERIFY(FlightWindowFixture::text(window, "maxAltitudeAGLLabel").contains(" ft @ "));
}

void TestFlightWindow::minimumRangesStayInView_data()
{
    QTest::addColumn<int>("numberSystem");
    QTest::addColumn<QString>("graph");
    QTest::addColumn<int>("series");
    QTest::addColumn<double>("top");
    for (const int system : {0, 1}) {
        const char *units = system ? "imperial" : "metric";
        const auto row = [&](const char *name, const char *graph, int series, double metric, double imperial) {
            QTest::addRow("%s %s", name, units) << system << QString(graph) << series << (system ? imperial : metric);
        };
        row("altitude", "livePressureGraph", 0, 1000, 3280.84);
        row("velocity", "verticalVelocityGraph", 0, 50, 164.042);
        row("temperature", "liveTemperatureGraph", 0, 50, 82);
        row("vertical acceleration", "liveAccelerationGraph", 0, 1, 1);
        row("lateral Y", "latteralAccelerationGraph", 1, 1, 1);
        row("ejection battery", "liveBatteryGraph", 1, 10, 10);
        row("gyro", "liveGyroGraph", 0, 0, 0);
    }
}

// A quiet flight still shows a sensible stretch of each quantity.
void TestFlightWindow::minimumRangesStayInView()
{
    QFETCH(int, numberSystem);
    QFETCH(QString, graph);
    QFETCH(int, series);
    QFETCH(double, top);
    auto main = m_fixture.mainWindow(numberSystem);
    auto *window = FlightWindowFixture::show(*main, flightOf([](NUVQORAFlight &f) { pressures(f, {100, 100}); }));
    const DataBox &extent = FlightWindowFixture::axis(window, graph.toLatin1().constData())->series[series]->extentBox;
    QCOMPARE(extent.maxY, top);
    QCOMPARE(extent.maxX, top ? 10.0 : 0.0);
    QCOMPARE(extent.minX, 0.0);
    QCOMPARE(extent.minY, 0.0);
}

void TestFlightWindow::sampledSeriesCoverTheProcessedFlight_data()
{
    QTest::addColumn<float>("damagedTime");
    QTest::newRow("undamaged") << 0.0f;
    QTest::newRow("one time far before the flight") << -300000.0f;
    QTest::newRow("one time far after the flight") << 300000.0f;
}

// The 0.05 s series run over the flight the tables describe, whatever one damaged time says.
void TestFlightWindow::sampledSeriesCoverTheProcessedFlight()
{
    QFETCH(float, damagedTime);
    SyntheticFlight generated({});
    auto flight = std::shared_ptr<NUVQORAFlight>(generated.flight.release());
    if (damagedTime != 0) {
        auto damaged = std::make_unique<NUVEvent_AccelZ>();
        damaged->time = damagedTime;
        flight->events.insert(damagedTime < 0 ? flight->events.begin() : flight->events.end(), std::move(damaged));
    }
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight);
    FlightWindowFixture::dataOption(window, "kalmanFiltered")->setChecked(true);
    const float end = flight->lastEventTime();
    QVERIFY(end < 1000);
    for (const char *graph : {"verticalVelocityGraph", "livePressureGraph"}) {
        const QVector<QPointF> &points = FlightWindowFixture::points(window, graph, 0);
        QVERIFY2(!points.isEmpty(), graph);
        QCOMPARE(points.first().x(), 0.0);
        QVERIFY2(std::fabs(points.last().x() + 0.05 - end) < 0.06, graph);
    }
}

void TestFlightWindow::sensorsThatSentNothingLoseTheirGraphs_data()
{
    QTest::addColumn<Events>("events");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<QStringList>("hiddenFrames");

    const QStringList allFrames{"RSSIFrame", "auxFrame", "batteryFrame", "gyroFrame", "magFrame"};
    // A tab text holds its ampersand escaped.
    const QString altitude = "Altitude && Vertical Acceleration", lateral = "Lateral Acceleration && Vertical Velocity",
                  gyro = "Gyro && Magneto", tilt = "Tilt", inputs = "Inputs && Power",
                  temperature = "Temperature && RSSI";
    QTest::newRow("no events") << Events([](NUVQORAFlight &) {})
                               << QStringList{altitude, lateral, tilt, temperature, "GPS", "Notes"} << allFrames;
    QTest::newRow("gyro") << Events([](NUVQORAFlight &f) { addEvent<NUVEvent_GyroXYZ>(f, 1); })
                          << QStringList{altitude, lateral, gyro, tilt, temperature, "GPS", "Notes"}
                          << QStringList{"RSSIFrame", "auxFrame", "batteryFrame", "magFrame"};
    QTest::newRow("line D") << Events([](NUVQORAFlight &f) { addEvent<NUVEvent_LineD>(f, 1); })
                            << QStringList{altitude, lateral, tilt, inputs, temperature, "GPS", "Notes"}
                            << QStringList{"RSSIFrame", "batteryFrame", "gyroFrame", "magFrame"};
    QTest::newRow("everything") << Events([](NUVQORAFlight &f) {
        addEvent<NUVEvent_RSSI>(f, 1);
        addEvent<NUVEvent_LineA>(f, 1);
        addEvent<NUVEvent_EjectionBattery>(f, 1);
        addEvent<NUVEvent_MagXYZ>(f, 1);
        addEvent<NUVEvent_GyroXYZ>(f, 1);
        f.settings.valid = true;
    }) << QStringList{altitude, lateral, gyro, tilt, inputs, temperature, "GPS", "Settings", "Notes"}
       << QStringList();
}

void TestFlightWindow::sensorsThatSentNothingLoseTheirGraphs()
{
    QFETCH(Events, events);
    QFETCH(QStringList, hiddenFrames);
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flightOf(events));
    QTEST(FlightWindowFixture::tabTitles(window), "tabs");
    for (const char *frame : {"RSSIFrame", "auxFrame", "batteryFrame", "gyroFrame", "magFrame"})
        QCOMPARE(FlightWindowFixture::child(window, frame)->isHidden(), hiddenFrames.contains(frame));
}

void TestFlightWindow::figuresOfAFlight_data()
{
    QTest::addColumn<int>("numberSystem");
    QTest::addColumn<QStringList>("labels");
    const auto labels = [](const char *altitude, const char *velocity) {
        return QStringList{"Sun Feb 19 12:30:00 2023", "47", "8", "2.01 s", "12.05 s", "138.76 s", altitude,
                           velocity, "9.2 g @ 1.81 s", "5 dps @ 2.51 s", "5 dps @ 9.01 s", "90 dps @ 0.01 s",
                           "0.132658 g @ 11.71 s", "RF antenna down", "2.10"};
    };
    QTest::newRow("metric") << 0 << labels("995 m @ 14.06 s", "557 km/h @ 2.01 s");
    QTest::newRow("imperial") << 1 << labels("3264 ft @ 14.06 s", "508 ft/s @ 2.01 s");
}

void TestFlightWindow::figuresOfAFlight()
{
    QFETCH(int, numberSystem);
    auto main = m_fixture.mainWindow(numberSystem);
    auto flight = synthetic();
    flight->settings.valid = true;
    auto *time = addEvent<NUVEvent_GPSTime>(*flight, flight->events.back()->time);
    time->week = 2250;
    time->timeOfWeek = 45000500;
    time->timeValid = true;
    auto *window = FlightWindowFixture::show(*main, flight);
    QStringList labels;
    for (const char *label : {"dateLabel", "latLabel", "longLabel", "boostTimeLabel", "coastTimeLabel",
                              "totalFlightTimeLabel", "maxAltitudeAGLLabel", "maxVelocityLabel",
                              "maxVerticalAccelerationLabel", "maxXRollLabel", "maxYRollLabel", "maxZRollLabel",
                              "maxLatteralAccelerationLabel", "orientationLabel", "firmwareVersionLabel"})
        labels << FlightWindowFixture::text(window, label);
    QTEST(labels, "labels");
}

void TestFlightWindow::figuresOfMissingData_data()
{
    QTest::addColumn<Events>("events");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");

    const Events nothing = [](NUVQORAFlight &) {};
    QTest::newRow("no GPS time") << nothing << "dateLabel" << "n/a";
    QTest::newRow("no fix latitude") << nothing << "latLabel" << "n/a";
    QTest::newRow("no fix longitude") << nothing << "longLabel" << "n/a";
    QTest::newRow("GPS time") << Events([](NUVQORAFlight &f) {
        auto *time = addEvent<NUVEvent_GPSTime>(f, 1);
        time->week = 2000;
        time->timeOfWeek = 3723000;
        time->seconds = 4;
        time->timeValid = time->flagBit6 = true;
    }) << "dateLabel" << "Sun May 6 01:02:07 2018";
    const Events fixes = [](NUVQORAFlight &f) {
        addFix(f, 1, 9.0, 10.0, 400, false);
        addFix(f, 2, 8.5, 47.123456789, 400);
    };
    QTest::newRow("first valid fix latitude") << fixes << "latLabel" << "47.1235";
    QTest::newRow("first valid fix longitude") << fixes << "longLabel" << "8.5";
    for (const auto &[word, text] : {std::pair{0x0205, "2.05"}, {0x021a, "2.1a"}, {0x0310, "3.10"}}) {
        QTest::newRow(text) << Events([word = word](NUVQORAFlight &f) {
            f.settings.valid = true;
            f.settings.setFirmwareVersion(uint16_t(word));
        }) << "firmwareVersionLabel" << text;
    }
    QTest::newRow("upright") << nothing << "orientationLabel" << "RF antenna down";
    QTest::newRow("upside down") << Events([](NUVQORAFlight &f) { f.accelInverted = true; })
                                 << "orientationLabel" << "RF antenna up (inverted)";
}

void TestFlightWindow::figuresOfMissingData()
{
    QFETCH(Events, events);
    QFETCH(QString, label);
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flightOf(events));
    QTEST(FlightWindowFixture::text(window, label.toLatin1().constData()), "text");
}

void TestFlightWindow::flightSpecificRowsNeedALaunchAndDeviceRowsValidSettings()
{
    auto main = m_fixture.mainWindow();
    auto *grounded = FlightWindowFixture::show(*main, synthetic({10.0, 110, 30.0, false, false}));
    for (const char *name : {"line", "label_6", "boostTimeLabel", "maxZRollLabel", "orientationLabel"})
        QVERIFY2(FlightWindowFixture::child(grounded, name)->isHidden(), name);
    for (const char *name : {"dateLabel", "latLabel", "longLabel"})
        QVERIFY2(!FlightWindowFixture::child(grounded, name)->isHidden(), name);
    // Without settings from the device there is no firmware row, and later runs must not miss it.
    const QWidget *figures = FlightWindowFixture::child(grounded, "flightInfoFrame");
    for (const char *name : {"line_2", "label", "firmwareVersionLabel"})
        QVERIFY2(!figures->findChild<QWidget *>(name), name);
    FlightWindowFixture::dataOption(grounded, "msl")->setChecked(true);

    auto flown = synthetic();
    flown->settings.valid = true;
    auto *window = FlightWindowFixture::show(*main, flown);
    for (const char *name : {"line", "boostTimeLabel", "maxLatteralAccelerationLabel", "firmwareVersionLabel"})
        QVERIFY2(!FlightWindowFixture::child(window, name)->isHidden(), name);
    QVERIFY(FlightWindowFixture::text(window, "maxAltitudeAGLLabel").contains(QRegularExpression("^\\d+ m @ \\d+\\.\\d\\d s$")));
}

void TestFlightWindow::settingsAreShownReadOnly()
{
    auto flight = std::make_shared<NUVQORAFlight>();
    flight->settings.valid = true;
    flight->settings.setCallsign(QStringLiteral("KD9XYZ"));
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight);
    QVERIFY(FlightWindowFixture::tabTitles(window).contains("Settings"));
    QCOMPARE(FlightWindowFixture::child<QLineEdit>(window, "HAMCallsign")->text(), "KD9XYZ");
    for (const char *frame : {"ejectionsFrame", "flashFrame", "powerFrame", "RFFrame", "transmitterFrame",
                              "writeMultiplesFrame", "transmitPrioritiesFrame", "kalmanFilterFrame"})
        QVERIFY2(!FlightWindowFixture::child(window, frame)->isEnabled(), frame);
}

void TestFlightWindow::notesAreKeptAndEditsMarkTheWindow()
{
    auto flight = std::make_shared<NUVQORAFlight>();
    flight->setName("Windy day \xE2\x98\x81\r\nno \xE9");
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight, false);
    auto *notes = FlightWindowFixture::child<QPlainTextEdit>(window, "flightNotes");
    QCOMPARE(notes->toPlainText(), QStringLiteral("Windy day \u2601\nno \ufffd"));
    QVERIFY(!window->isWindowModified());
    QVERIFY(!main->ui.actionSave->isEnabled());
    // Notes nobody edited keep their bytes, line ends and text that is not UTF-8 included.
    FlightWindowFixture::dataOption(window, "msl")->setChecked(true);
    QCOMPARE(flight->name(), std::string("Windy day \xE2\x98\x81\r\nno \xE9"));
    QVERIFY(!window->isWindowModified());

    notes->moveCursor(QTextCursor::End);
    QTest::keyClicks(notes, ", then rain");
    QVERIFY(window->isWindowModified());
    QVERIFY(main->ui.actionSave->isEnabled());
    // Showing other data rebuilds the window from the flight; the typed notes stay.
    FlightWindowFixture::dataOption(window, "msl")->setChecked(false);
    QCOMPARE(notes->toPlainText(), QStringLiteral("Windy day \u2601\nno \ufffd, then rain"));
    QCOMPARE(flight->name(), std::string("Windy day \xE2\x98\x81\nno \xEF\xBF\xBD, then rain"));
}

void TestFlightWindow::timeMarkersAreSharedByTheWindowsGraphs()
{
    auto main = m_fixture.mainWindow();
    auto *first = FlightWindowFixture::show(*main, synthetic());
    auto *second = FlightWindowFixture::show(*main, synthetic());
    const TimelineList shared = FlightWindowFixture::child<QGraph>(first, "livePressureGraph")->view()->timelines();
    for (QGraph *graph : first->findChildren<QGraph *>())
        QCOMPARE(graph->view()->timelines(), shared);
    QVERIFY(FlightWindowFixture::child<QGraph>(second, "RSSIGraph")->view()->timelines() != shared);
}

void TestFlightWindow::flightFilesOfEveryVersionOpen_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<double>("time");
    QTest::addColumn<bool>("settingsTab");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("orientation");

    NUVQORASettings settings;
    settings.setFirmwareVersion(0x0201);
    for (int version = 0; version <= 3; ++version) {
        FlightFileBytes file;
        file.flightStart(1, version).firstAccelZ(10.0f, 1.0f).u16(0x0100).text("old");
        if (version >= 1)
            file.classInfo(false, 2).u8(1).raw(settings.image.data(), 97);
        if (version >= 2)
            file.u8(1);
        // Version 1 flights of firmware 2.00 to 2.02 ran slow.
        QTest::addRow("version %d", version)
            << version << QByteArray::fromStdString(file.bytes) << double(version == 1 ? 10.0f * 1.0297601f : 10.0f)
            << (version >= 1) << (version >= 1 ? "2.01" : "") << (version >= 2 ? "RF antenna up (inverted)" : "RF antenna down");
    }
}

void TestFlightWindow::flightFilesOfEveryVersionOpen()
{
    QFETCH(int, version);
    QFETCH(QByteArray, file);
    QFETCH(QString, firmware);
    const QString path = m_fixture.path(QStringLiteral("version %1.qora").arg(version));
    std::ofstream(path.toStdString(), std::ios::binary).write(file.constData(), file.size());
    auto main = m_fixture.mainWindow();
    main->loadFlight(path);
    NUVQORAFlightWidget *window = FlightWindowFixture::active(*main);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("version %1.qora[*]").arg(version));
    QCOMPARE(FlightWindowFixture::child<QPlainTextEdit>(window, "flightNotes")->toPlainText(), "old");
    QTEST(FlightWindowFixture::points(window, "liveAccelerationGraph", 0).first().x(), "time");
    QTEST(FlightWindowFixture::tabTitles(window).contains("Settings"), "settingsTab");
    auto *firmwareLabel = window->findChild<QLabel *>("firmwareVersionLabel");
    QCOMPARE(firmwareLabel ? firmwareLabel->text() : QString(), firmware);
    QTEST(FlightWindowFixture::text(window, "orientationLabel"), "orientation");
}

NUV_SHELL_TEST_MAIN(TestFlightWindow)
#include "TestFlightWindow.moc"
