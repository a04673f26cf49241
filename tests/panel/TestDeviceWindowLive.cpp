// The device window's live display: graph models and units, labels, the 1000-point traces,
// coordinates, GPS, the live KML file and the calls that reach the map page.
#include "Axis.h"
#include "CoordinateFormat.h"
#include "DeviceWindowFixture.h"
#include "GraphSeries.h"
#include "LiveFileWriter.h"
#include "QGraph.h"
#include "QGraphView.h"
#include "ShellTestMain.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

const char *const liveGraphNames[] = {"liveAltitudeGraph", "livePressureGraph", "liveAccelerationGraph",
                                      "liveTemperatureGraph", "liveInputGraph", "liveMagGraph",
                                      "liveGyroGraph", "liveBatteryGraph"};

Axis *axisOf(DeviceWindowFixture &f, const char *graph)
{
    return f.child<QGraph>(graph)->first();
}

NUVEvent_Pressure pressureAt(float time, float pascals)
{
    NUVEvent_Pressure e;
    e.time = time;
    e.pressure = pascals;
    return e;
}

NUVEvent_GPSLLSol fixAt(double latitude, double longitude, bool valid)
{
    NUVEvent_GPSLLSol e;
    e.latitude = latitude;
    e.longitude = longitude;
    e.altitude = 100;
    e.satellites = 7;
    e.fixValid = valid;
    return e;
}

} // namespace

class TestDeviceWindowLive : public QObject
{
    Q_OBJECT

private slots:
    void graphModelsFollowTheNumberSystem_data()
    {
        QTest::addColumn<int>("numberSystem");
        QTest::addColumn<QString>("graph");
        QTest::addColumn<QString>("yUnit");
        QTest::addColumn<QStringList>("series");
        QTest::addColumn<double>("extentMaxY");
        QTest::addColumn<double>("extentMinY");

        const QStringList none{QString()};
        const QStringList xyz{"X", "Y", "Z"};
        QTest::newRow("pressure, metric") << 0 << "livePressureGraph" << "Pa" << none << 110000.0 << 0.0;
        QTest::newRow("pressure, imperial") << 1 << "livePressureGraph" << "inHg" << none << 32.0 << 0.0;
        QTest::newRow("altitude, metric") << 0 << "liveAltitudeGraph" << "m" << none << 1000.0 << 0.0;
        QTest::newRow("altitude, imperial") << 1 << "liveAltitudeGraph" << "ft" << none << 3000.0 << 0.0;
        QTest::newRow("preview, imperial") << 1 << "altitudePreviewGraph" << "ft" << none << 3000.0 << 0.0;
        QTest::newRow("temperature, metric") << 0 << "liveTemperatureGraph" << "\u00B0C" << none << 50.0 << 0.0;
        QTest::newRow("temperature, imperial") << 1 << "liveTemperatureGraph" << "\u00B0F" << none << 100.0 << 0.0;
        QTest::newRow("acceleration") << 1 << "liveAccelerationGraph" << "g" << xyz << 1.0 << 0.0;
        QTest::newRow("gyro") << 0 << "liveGyroGraph" << "dps" << xyz << 90.0 << -90.0;
        QTest::newRow("magnetometer") << 0 << "liveMagGraph" << "T" << xyz << 1e-6 << -1e-6;
        QTest::newRow("batteries") << 0 << "liveBatteryGraph" << "V" << QStringList{"Computer", "Ejection"} << 10.0
                                   << 0.0;
        QTest::newRow("inputs") << 0 << "liveInputGraph" << "V" << QStringList{"Line A", "Line B", "Line C", "Line D"}
                                << 6.0 << 0.0;
    }

    void graphModelsFollowTheNumberSystem()
    {
        QFETCH(int, numberSystem);
        QFETCH(QString, graph);
        QFETCH(QString, yUnit);
        QFETCH(QStringList, series);
        QFETCH(double, extentMaxY);
        QFETCH(double, extentMinY);
        DeviceWindowFixture f({{"numberSystem", numberSystem}});
        f.open();

        QGraph *plot = f.child<QGraph>(graph.toLatin1());
        QCOMPARE(plot->count(), 1);
        const Axis *axis = plot->first();
        QCOMPARE(axis->xUnit, QStringLiteral("s"));
        QCOMPARE(axis->yUnit, yUnit);
        QCOMPARE(axis->series.size(), series.size());
        for (int i = 0; i < series.size(); ++i) {
            QCOMPARE(axis->series[i]->name(), series[i]);
            QCOMPARE(axis->series[i]->extentBox.maxX, 100.0);
            QCOMPARE(axis->series[i]->extentBox.maxY, extentMaxY);
            QCOMPARE(axis->series[i]->extentBox.minY, extentMinY);
        }
    }

    void liveGraphsShareTheirTimeMarkers()
    {
        DeviceWindowFixture f;
        f.open();
        const TimelineList shared = f.child<QGraph>("liveAltitudeGraph")->view()->timelines();
        for (const char *name : liveGraphNames)
            QCOMPARE(f.child<QGraph>(name)->view()->timelines(), shared);
        QVERIFY(f.child<QGraph>("altitudePreviewGraph")->view()->timelines() != shared);
    }

    void overviewLabelsInBothUnitSystems_data()
    {
        QTest::addColumn<int>("numberSystem");
        QTest::addColumn<QStringList>("labels"); // pressure, altitude, temperature, GPS altitude
        QTest::newRow("metric") << 0 << QStringList{"100.00 kPa", "111 m", "21.5\u00B0 C", "100.0 m"};
        QTest::newRow("imperial") << 1 << QStringList{"29.53 inHg", "364 ft", "70.7\u00B0 F", "328.1 ft"};
    }

    void overviewLabelsInBothUnitSystems()
    {
        QFETCH(int, numberSystem);
        QFETCH(QStringList, labels);
        DeviceWindowFixture f({{"numberSystem", numberSystem}});
        f.open();
        const Ui::NUVStudioClass &ui = f.window->ui;

        f.panel->pressureEventRead(pressureAt(1, 100000));
        NUVEvent_Temperature temperature;
        temperature.temperature = 21.5f;
        f.panel->temperatureEventRead(temperature);
        f.panel->gpsLLSolEventRead(fixAt(1, 2, true));
        NUVEvent_AccelZ acceleration;
        acceleration.acceleration = 1.234f;
        f.panel->accelZEventRead(acceleration);
        NUVEvent_ComputerBattery computer;
        computer.voltage = 8.4f;
        f.panel->compBatEventRead(computer);
        NUVEvent_EjectionBattery ejection;
        ejection.voltage = 7.996f;
        f.panel->ejectBatEventRead(ejection);

        QCOMPARE(ui.livePressureLabel->text(), labels[0]);
        QCOMPARE(ui.liveMSLAltitudeLabel->text(), labels[1]);
        QCOMPARE(ui.liveTemperatureLabel->text(), labels[2]);
        QCOMPARE(f.child<QLabel>("liveGPSMSLLabel")->text(), labels[3]);
        QCOMPARE(ui.liveAccelerationLabel->text(), QStringLiteral("1.23 g"));
        QCOMPARE(ui.liveCompBatVoltageLabel->text(), QStringLiteral("8.40 v"));
        QCOMPARE(ui.liveEjectBatVoltageLabel->text(), QStringLiteral("8.00 v"));
        // Plotted in the same units as the labels, against time since the trace began.
        const GraphSeries *pressure = axisOf(f, "livePressureGraph")->series[0];
        QCOMPARE(pressure->points.size(), 1);
        QCOMPARE(pressure->points[0].x(), 0.0);
        QCOMPARE(pressure->points[0].y(), numberSystem == 0 ? 100000.0 : double(100000 * 0.000295333727f));
    }

    void aTraceStartsAgainAfterItsThousandthPoint()
    {
        DeviceWindowFixture f;
        f.open();
        const GraphSeries *altitude = axisOf(f, "liveAltitudeGraph")->series[0];
        QLabel *pressureLabel = f.window->ui.livePressureLabel;
        for (int i = 0; i < 1000; ++i)
            f.panel->pressureEventRead(pressureAt(5 + i * 0.01f, 100000));
        QCOMPARE(altitude->points.size(), 1000);
        QCOMPARE(altitude->points.last().x(), double(5 + 999 * 0.01f - 5.0f));
        QCOMPARE(pressureLabel->text(), QStringLiteral("100.00 kPa"));

        // The point that empties the traces leaves the labels as they were.
        f.panel->pressureEventRead(pressureAt(20, 90000));
        QVERIFY(altitude->points.isEmpty());
        QCOMPARE(pressureLabel->text(), QStringLiteral("100.00 kPa"));

        f.panel->pressureEventRead(pressureAt(21, 90000));
        QCOMPARE(altitude->points.size(), 1);
        QCOMPARE(altitude->points[0].x(), 0.0);
        QCOMPARE(pressureLabel->text(), QStringLiteral("90.00 kPa"));
    }

    void coordinateTexts_data()
    {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal degrees") << -33.8697 << 0 << "-33.869700";
        QTest::newRow("decimal minutes") << -33.8697 << 1 << "-33 \u00B0 52.1820'";
        QTest::newRow("minutes and seconds") << -33.8697 << 2 << "-33 \u00B0 52' 10.92''";
        QTest::newRow("east, minutes and seconds") << 151.2093 << 2 << "151 \u00B0 12' 33.48''";
        QTest::newRow("just south of the equator keeps its sign") << -0.5 << 1 << "-0 \u00B0 30.0000'";
        QTest::newRow("just west of Greenwich keeps its sign") << -0.25 << 2 << "-0 \u00B0 15' 0.00''";
        QTest::newRow("unknown style") << 10.0 << 3 << "";
    }

    void coordinateTexts()
    {
        QFETCH(double, degrees);
        QFETCH(int, style);
        QFETCH(QString, text);
        QCOMPARE(CoordinateFormat::text(degrees, style), text);
    }

    void gpsFixLabelsFollowTheCoordinateSetting()
    {
        DeviceWindowFixture f({{"GPSCoordinateFormat", 2}});
        f.open();
        f.panel->gpsLLSolEventRead(fixAt(-33.8697, 151.2093, true));
        QCOMPARE(f.child<QLabel>("liveLatLabel")->text(), QStringLiteral("-33 \u00B0 52' 10.92''"));
        QCOMPARE(f.child<QLabel>("liveLongLabel")->text(), QStringLiteral("151 \u00B0 12' 33.48''"));
        QCOMPARE(f.child<QLabel>("liveGPSFixLabel")->text(), QStringLiteral("3D solution"));
        QCOMPARE(f.child<QLabel>("satUsedLabel")->text(), QStringLiteral("7"));
        QCOMPARE(f.child<QProgressBar>("connectedSatsWidget")->value(), 7);

        f.panel->gpsLLSolEventRead(fixAt(-33.8697, 151.2093, false));
        QCOMPARE(f.child<QLabel>("liveGPSFixLabel")->text(), QStringLiteral("None"));
    }

    void theLiveKmlFileHoldsTheLatestPosition()
    {
        QDir tempFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/QORA/temp"));
        tempFolder.removeRecursively(); // it is created when missing
        DeviceWindowFixture f;
        f.open();
        f.panel->gpsLLSolEventRead(fixAt(10, 20, true));
        f.panel->gpsLLSolEventRead(fixAt(-33.86971234, 151.2093, false));
        f.panel->findChild<LiveFileWriter *>()->waitForWrites();

        QFile kml(tempFolder.filePath(QStringLiteral("QORA.kml")));
        QVERIFY(kml.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(kml.readAll()),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
                                "<Placemark>\n"
                                "<name>Current</name>\n"
                                "<description>Current</description>\n"
                                "<Point>\n"
                                "<coordinates>151.2093,-33.869712,100</coordinates>\n"
                                "</Point>\n"
                                "</Placemark>\n"
                                "</kml>\n"));
    }

    void gpsTimeLabel_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("text");
        // Week 1, 3 added seconds, 2.5 s into the week: 1980-01-13 00:00:05 UTC.
        QTest::newRow("valid") << true
                               << QDateTime(QDate(1980, 1, 13), QTime(0, 0, 5), Qt::UTC).toLocalTime().toString(Qt::TextDate);
        QTest::newRow("not valid") << false << "2500 ms";
    }

    void gpsTimeLabel()
    {
        QFETCH(bool, valid);
        QFETCH(QString, text);
        DeviceWindowFixture f;
        f.open();
        NUVEvent_GPSTime time;
        time.week = 1;
        time.seconds = 3;
        time.timeOfWeek = 2500;
        time.timeValid = valid;
        f.panel->gpsTimeEventRead(time);
        QCOMPARE(f.child<QLabel>("liveGPSTimeLabel")->text(), text);
    }

    void outputLinesShowFiringAndContinuity()
    {
        DeviceWindowFixture f;
        f.open();
        const Ui::NUVStudioClass &ui = f.window->ui;
        NUVEvent_Status status;
        status.lineOn = {true, true, false, false};
        status.lineContinuity = {true, false, true, true};
        f.panel->statusEventRead(status);
        status.lineOn = {false, true, false, false};
        status.lineContinuity = {false, false, true, false};
        f.panel->statusEventRead(status);
        QCOMPARE(ui.liveLineALabel->styleSheet(), QString());
        QCOMPARE(ui.liveLineBLabel->styleSheet(), QStringLiteral("background-color:red;"));
        QCOMPARE(ui.liveLineCLabel->styleSheet(), QStringLiteral("background-color:green;"));
        QCOMPARE(ui.liveLineDLabel->styleSheet(), QString());
    }

    void theDeviceIdentityReachesTheConsole()
    {
        DeviceWindowFixture f;
        f.open();
        NUVEvent_Ident ident;
        ident.ident = std::string("QORA21\0\0", 8);
        f.panel->identEventRead(ident);
        QVERIFY(f.consoleText().endsWith(QStringLiteral("\nIdentity: QORA21")));
    }

    // The page is replaced by one that records what it is asked, in order; a call it does not
    // know is caught and logged without stopping the next.
    void mapCallsReachThePageInOrder()
    {
        DeviceWindowFixture f;
        f.open();
        auto *view = f.child<QWebEngineView>("webView");
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        view->setHtml(QStringLiteral("<script>var calls = [];"
                                     "function setPlacemark(lat, lon) { calls.push('setPlacemark ' + lat + ' ' + lon); }"
                                     "function flyTo() { calls.push('flyTo'); }</script>"));
        QVERIFY(loaded.wait(10000) || !loaded.isEmpty());

        f.click("focusOnTarget"); // before the first fix
        f.panel->gpsLLSolEventRead(fixAt(-33.8697, 151.2093, true));
        f.panel->executeJSTry(QStringLiteral("noSuchFunction()"));
        f.click("focusOnTarget");

        QString calls;
        bool answered = false;
        view->page()->runJavaScript(QStringLiteral("calls.join('|')"), [&](const QVariant &result) {
            calls = result.toString();
            answered = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
        // The focus button goes to where the device last was.
        QCOMPARE(calls, QStringLiteral("setPlacemark 0 0|flyTo|setPlacemark -33.8697 151.2093|"
                                       "setPlacemark -33.8697 151.2093|flyTo"));
    }

    void readingsOfTheConnectedDeviceReachTheLabelsAndGraphs()
    {
        DeviceWindowFixture f;
        f.open();
        QVERIFY(f.connectFirmware());
        const Ui::NUVStudioClass &ui = f.window->ui;
        // The simulated device rests on a bench at sea level.
        QTRY_COMPARE(ui.liveAccelerationLabel->text(), QStringLiteral("1.00 g"));
        QTRY_COMPARE(ui.liveMSLAltitudeLabel->text(), QStringLiteral("0 m"));
        QTRY_COMPARE(ui.liveTemperatureLabel->text(), QStringLiteral("21.5\u00B0 C"));
        QTRY_COMPARE(ui.liveCompBatVoltageLabel->text(), QStringLiteral("8.40 v"));
        QTRY_COMPARE(f.child<QLabel>("liveGPSFixLabel")->text(), QStringLiteral("3D solution"));
        QTRY_COMPARE(ui.liveLineALabel->styleSheet(), QStringLiteral("background-color:green;"));
        QTRY_VERIFY(axisOf(f, "liveAccelerationGraph")->series[2]->points.size() > 10);
        QVERIFY(!axisOf(f, "liveInputGraph")->series[0]->points.isEmpty());
    }
};

NUV_SHELL_TEST_MAIN(TestDeviceWindowLive)
#include "TestDeviceWindowLive.moc"
