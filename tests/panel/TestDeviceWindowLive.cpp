// The device window's live display: graph models and units, the readings reaching their labels
// and graphs, GPS, the live KML file and the calls that reach the map page.
#include "Axis.h"
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
