#include "Axis.h"
#include "FirmwareLoaderErrors.h"
#include "FlightRecorder.h"
#include "GraphSeries.h"
#include "LiveFileWriter.h"
#include "LiveWindowFixture.h"
#include "PressureAltitude.h"
#include "QGraph.h"
#include "TelemetryTransmitter.h"
#include "Voice.h"
#include "ShellTestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

NUVEvent_Pressure pressureAt(float time, float pascals)
{
    NUVEvent_Pressure e;
    e.time = time;
    e.pressure = pascals;
    return e;
}

NUVEvent_Status statusOf(int state)
{
    NUVEvent_Status e;
    e.state = state;
    return e;
}

NUVEvent_GPSLLSol fixAt(double latitude, double longitude, bool valid = true, float altitude = 452.5f,
                        uint32_t satellites = 7)
{
    NUVEvent_GPSLLSol e;
    e.latitude = latitude;
    e.longitude = longitude;
    e.altitude = altitude;
    e.satellites = satellites;
    e.fixValid = valid;
    return e;
}

template<class Event>
Event at(float time, Event e)
{
    e.time = time;
    return e;
}

template<class Line>
Line lineOf(float volts)
{
    Line e;
    e.voltage = volts;
    return e;
}

// One event of the named kind at `time`, with the values eachEventPlotted expects.
void deliver(NUVTAVOWidget *live, const QString &kind, float time)
{
    if (kind == "accelZ") {
        NUVEvent_AccelZ e;
        e.acceleration = -1.25f;
        live->accelZEventRead(at(time, e));
    } else if (kind == "accelXY") {
        NUVEvent_AccelXY e;
        e.x = 0.5f;
        e.y = -0.25f;
        live->accelXYEventRead(at(time, e));
    } else if (kind == "gyro") {
        NUVEvent_GyroXYZ e;
        e.x = 10;
        e.y = -20;
        e.z = 30;
        live->gyroXYZEventRead(at(time, e));
    } else if (kind == "mag") {
        NUVEvent_MagXYZ e;
        e.x = 2e-7f;
        e.y = -1e-7f;
        e.z = 3e-7f;
        live->magXYZEventRead(at(time, e));
    } else if (kind == "computer battery") {
        NUVEvent_ComputerBattery e;
        e.voltage = 8.125f;
        live->compBatEventRead(at(time, e));
    } else if (kind == "ejection battery") {
        NUVEvent_EjectionBattery e;
        e.voltage = 7.5f;
        live->ejectBatEventRead(at(time, e));
    } else if (kind == "line A") {
        live->inputAEventRead(at(time, lineOf<NUVEvent_LineA>(4.5f)));
    } else if (kind == "line B") {
        live->inputBEventRead(at(time, lineOf<NUVEvent_LineB>(3.5f)));
    } else if (kind == "line C") {
        live->inputCEventRead(at(time, lineOf<NUVEvent_LineC>(2.5f)));
    } else if (kind == "line D") {
        live->inputDEventRead(at(time, lineOf<NUVEvent_LineD>(1.5f)));
    } else if (kind == "temperature") {
        NUVEvent_Temperature e;
        e.temperature = 21.5f;
        live->temperatureEventRead(at(time, e));
    } else if (kind == "rssi") {
        NUVEvent_RSSI e;
        e.rssi = -97;
        live->RSSIEventRead(at(time, e));
    } else {
        QFAIL(qPrintable("no such event: " + kind));
    }
}

QList<GraphSeries *> seriesOf(const QGraph *graph)
{
    return graph->first()->series;
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

size_t eventsIn(const QString &path)
{
    NUVQORAFlight flight;
    return flight.load(path.toStdWString()) ? flight.events.size() : size_t(-1);
}

bool holdsPressure(const NUVQORAFlight &flight)
{
    return std::any_of(flight.events.begin(), flight.events.end(),
                       [](const auto &event) { return event->code() == NUVEventCode::Pressure; });
}

QString backupFolder()
{
    return QCoreApplication::applicationDirPath() + "/TAVO/backup";
}

// The live window's one repeating 10 s timer; null when there is none.
QTimer *autosaveTimerOf(NUVTAVOWidget *live)
{
    for (QTimer *timer : live->findChildren<QTimer *>())
        if (timer->interval() == 10000 && !timer->isSingleShot())
            return timer;
    return nullptr;
}

} // namespace

// NUV TAVO's live window: what it builds, what it shows, says and records of each event, its
// recording files, replay, radio controls and firmware update, on the simulated ground station.
class TestLiveWindow : public QObject
{
    Q_OBJECT

private slots:
    void graphModels_data()
    {
        QTest::addColumn<int>("numberSystem");
        QTest::addColumn<QString>("graph");
        QTest::addColumn<QString>("yUnit");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QRectF>("extent"); // min x, min y, max x, max y as left, top, right, bottom

        const auto box = [](double minX, double minY, double maxX, double maxY) {
            return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
        };
        QTest::newRow("pressure metric") << 0 << "livePressureGraph" << "Pa" << QStringList{""} << box(0, 0, 10, 110000);
        QTest::newRow("pressure imperial") << 1 << "livePressureGraph" << "inHg" << QStringList{""} << box(0, 0, 10, 33);
        QTest::newRow("altitude imperial") << 1 << "liveAltitudeGraph" << "ft" << QStringList{""} << box(0, 0, 10, 3000);
        QTest::newRow("lateral") << 0 << "liveLateralAccelerationGraph" << "g" << QStringList{"", ""} << box(0, 0, 10, 1);
        QTest::newRow("gyro") << 0 << "liveGyroGraph" << "dps" << QStringList{"X", "Y", "Z"} << box(10, -90, 10, 90);
        QTest::newRow("inputs") << 0 << "liveInputGraph" << "V"
                                << QStringList{"Line A", "Line B", "Line C", "Line D"} << box(0, 0, 10, 6);
        QTest::newRow("temperature imperial") << 1 << "liveTemperatureGraph" << "\u00B0F" << QStringList{""}
                                              << box(0, 0, 10, 100);
        QTest::newRow("rssi") << 0 << "liveRSSIGraph" << "dBm" << QStringList{""} << box(10, -140, 10, 0);
        QTest::newRow("track imperial") << 1 << "gpsGraph" << "ft" << QStringList{""} << box(-1500, -1500, 1500, 1500);
    }

    void graphModels()
    {
        QFETCH(int, numberSystem);
        QFETCH(QString, graph);
        QFETCH(QString, yUnit);
        QFETCH(QStringList, names);
        QFETCH(QRectF, extent);
        LiveWindowFixture f(numberSystem);
        const auto *g = f.open()->findChild<QGraph *>(graph);
        QVERIFY(g);
        QCOMPARE(static_cast<const QList<Axis *> *>(g)->size(), 1);
        QCOMPARE(g->first()->yUnit, yUnit);
        QStringList shown;
        for (const GraphSeries *s : seriesOf(g)) {
            shown << s->name();
            QCOMPARE(s->extentBox.minX, extent.left());
            QCOMPARE(s->extentBox.minY, extent.top());
            QCOMPARE(s->extentBox.maxX, extent.right());
            QCOMPARE(s->extentBox.maxY, extent.bottom());
        }
        QCOMPARE(shown, names);
    }

    void startState()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        auto *ui = live;
        QVERIFY(ui->findChild<QWidget *>("liveLaunchFrame")->isHidden());
        QVERIFY(ui->findChild<QWidget *>("gpsGraph")->isHidden());
        QVERIFY(!ui->findChild<QWidget *>("webView")->isHidden());
        QVERIFY(!ui->findChild<QPushButton *>("cancelReplay")->isEnabled());
        const auto *modulation = ui->findChild<QComboBox *>("modulationFrequency");
        QVERIFY(!modulation->isEnabled());
        QCOMPARE(modulation->count(), 0);
        QCOMPARE(ui->findChild<QLabel *>("liveGPSFixLabel")->text(), QStringLiteral("None"));

        QTest::mouseClick(ui->findChild<QPushButton *>("useGoogleEarth"), Qt::LeftButton);
        QVERIFY(ui->findChild<QWidget *>("webView")->isHidden());
        QVERIFY(!ui->findChild<QWidget *>("gpsGraph")->isHidden());
    }

    // The vertical satellites bar draws its text, which the desktop styles leave out.
    void satellitesBarShowsItsText()
    {
        LiveWindowFixture f;
        auto *bar = f.open()->findChild<QProgressBar *>("connectedSatsWidget");
        bar->resize(24, 300);
        bar->setValue(10);
        const QImage shown = bar->grab().toImage();
        bar->setTextVisible(false);
        QVERIFY(shown != bar->grab().toImage());
    }

    void pressureAndTraces_data()
    {
        QTest::addColumn<int>("numberSystem");
        QTest::addColumn<double>("pressure"); // of the second sample, as plotted
        QTest::addColumn<double>("altitude"); // of the second sample above the first
        QTest::addColumn<double>("tolerance");
        QTest::newRow("metric") << 0 << double(89874.6f) << 1000.0 << 1.0;
        QTest::newRow("imperial") << 1 << 26.5429 << 3280.8 << 3.0;
    }

    // The altitude graph shows the height above the first pressure since start; each series
    // counts time from its own first point.
    void pressureAndTraces()
    {
        QFETCH(int, numberSystem);
        QFETCH(double, pressure);
        QFETCH(double, altitude);
        QFETCH(double, tolerance);
        LiveWindowFixture f(numberSystem);
        NUVTAVOWidget *live = f.open();
        live->pressureEventRead(pressureAt(5.0f, 101325));
        live->pressureEventRead(pressureAt(6.5f, 89874.6f));
        const QVector<QPointF> heights = seriesOf(live->findChild<QGraph *>("liveAltitudeGraph"))[0]->points;
        QCOMPARE(heights.size(), 2);
        QCOMPARE(heights[0], QPointF(0, 0));
        QCOMPARE(heights[1].x(), 1.5);
        QVERIFY2(qAbs(heights[1].y() - altitude) < tolerance, qPrintable(QString::number(heights[1].y())));
        const double plotted = seriesOf(live->findChild<QGraph *>("livePressureGraph"))[0]->points[1].y();
        QVERIFY2(qAbs(plotted - pressure) < 1e-4 * pressure, qPrintable(QString::number(plotted, 'g', 10)));

        // The signal strength trace starts afresh after 1000 points, at time 0 again.
        GraphSeries *rssi = seriesOf(live->findChild<QGraph *>("liveRSSIGraph"))[0];
        NUVEvent_RSSI reading;
        for (int i = 0; i < 1001; ++i) {
            reading.time = 100 + i * 0.5f;
            live->RSSIEventRead(reading);
        }
        QVERIFY(rssi->points.isEmpty());
        reading.time = 900;
        live->RSSIEventRead(reading);
        QCOMPARE(rssi->points, QVector<QPointF>{QPointF(0, reading.rssi)});
    }

    void eachEventPlotted_data()
    {
        QTest::addColumn<int>("numberSystem");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("graph");
        QTest::addColumn<int>("series");
        QTest::addColumn<double>("value");

        QTest::newRow("vertical acceleration") << 0 << "accelZ" << "liveAccelerationGraph" << 0 << -1.25;
        QTest::newRow("lateral x") << 0 << "accelXY" << "liveLateralAccelerationGraph" << 0 << 0.5;
        QTest::newRow("lateral y") << 1 << "accelXY" << "liveLateralAccelerationGraph" << 1 << -0.25;
        QTest::newRow("gyro x") << 0 << "gyro" << "liveGyroGraph" << 0 << 10.0;
        QTest::newRow("gyro z") << 1 << "gyro" << "liveGyroGraph" << 2 << 30.0;
        QTest::newRow("mag y") << 0 << "mag" << "liveMagGraph" << 1 << double(-1e-7f);
        QTest::newRow("mag z") << 1 << "mag" << "liveMagGraph" << 2 << double(3e-7f);
        QTest::newRow("computer battery") << 0 << "computer battery" << "liveBatteryGraph" << 0 << 8.125;
        QTest::newRow("ejection battery") << 1 << "ejection battery" << "liveBatteryGraph" << 1 << 7.5;
        QTest::newRow("line A") << 0 << "line A" << "liveInputGraph" << 0 << 4.5;
        QTest::newRow("line B") << 0 << "line B" << "liveInputGraph" << 1 << 3.5;
        QTest::newRow("line C") << 1 << "line C" << "liveInputGraph" << 2 << 2.5;
        QTest::newRow("line D") << 1 << "line D" << "liveInputGraph" << 3 << 1.5;
        QTest::newRow("temperature C") << 0 << "temperature" << "liveTemperatureGraph" << 0 << 21.5;
        QTest::newRow("temperature F") << 1 << "temperature" << "liveTemperatureGraph" << 0 << 70.7;
        QTest::newRow("signal strength") << 1 << "rssi" << "liveRSSIGraph" << 0 << -97.0;
    }

    // Each event is recorded and plotted on its own series, against that series' first point.
    void eachEventPlotted()
    {
        QFETCH(int, numberSystem);
        QFETCH(QString, kind);
        QFETCH(QString, graph);
        QFETCH(int, series);
        QFETCH(double, value);
        LiveWindowFixture f(numberSystem);
        NUVTAVOWidget *live = f.open();
        deliver(live, kind, 3.0f);
        deliver(live, kind, 3.5f);
        QCOMPARE(live->recordedFlight().events.size(), size_t(2));
        const QVector<QPointF> points = seriesOf(live->findChild<QGraph *>(graph))[series]->points;
        QCOMPARE(points.size(), 2);
        QCOMPARE(points[0].x(), 0.0);
        QCOMPARE(points[1].x(), 0.5);
        for (const QPointF &point : points)
            QVERIFY2(qAbs(point.y() - value) <= 1e-5 * qAbs(value), qPrintable(QString::number(point.y(), 'g', 10)));
    }

    void flightPhases_data()
    {
        QTest::addColumn<bool>("voiceOn");
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<QStringList>("spoken");
        QTest::addColumn<QString>("shown");

        const auto said = [](const char *text) { return QStringLiteral("<rate speed='-3'><emph>%1</emph></rate>").arg(text); };
        QTest::newRow("pad is not announced") << true << QList<int>{0, 0} << QStringList{} << "Pad";
        QTest::newRow("each change once")
            << true << QList<int>{0, 1, 1, 2, 3, 3, 4}
            << QStringList{said("Launch detected!"), said("Coasting"), said("Apogee detected!"), said("Landed")}
            << "Landed";
        QTest::newRow("unknown state keeps its text") << true << QList<int>{2, 7, 7}
                                                      << QStringList{said("Coasting"), said("Coasting")} << "Coasting";
        QTest::newRow("voice off") << false << QList<int>{1, 2} << QStringList{} << "Coasting";
    }

    void flightPhases()
    {
        QFETCH(bool, voiceOn);
        QFETCH(QList<int>, states);
        QFETCH(QStringList, spoken);
        QFETCH(QString, shown);
        LiveWindowFixture f(0, voiceOn);
        NUVTAVOWidget *live = f.open();
        f.voice.clear();
        for (int state : states)
            live->statusEventRead(statusOf(state));
        QCOMPARE(f.voice.texts(), spoken);
        QCOMPARE(f.overview().liveRocketStateLabel->text(), shown);
        QVERIFY(f.output.contains("rocket state: " + std::to_string(states.last()) + "\n"));
    }

    void gpsFix_data()
    {
        QTest::addColumn<int>("numberSystem");
        QTest::addColumn<int>("coordinateFormat");
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QString>("altitude");
        QTest::addColumn<QPointF>("trackPoint");

        QTest::newRow("metric, decimal") << 0 << 0 << "-33.869700" << "452.5 m" << QPointF(92.43, 111.13);
        QTest::newRow("imperial, seconds") << 1 << 2 << "-33 \u00B0 52' 10.92''" << "1484.6 ft" << QPointF(303.24, 364.61);
    }

    // Labels, ground track relative to the first valid fix, the one-placemark KML file.
    void gpsFix()
    {
        QFETCH(int, numberSystem);
        QFETCH(int, coordinateFormat);
        QFETCH(QString, latitude);
        QFETCH(QString, altitude);
        QFETCH(QPointF, trackPoint);
        LiveWindowFixture f(numberSystem);
        NUVTAVOWidget *live = f.open();
        f.window->settings()->setValue(QStringLiteral("GPSCoordinateFormat"), coordinateFormat);
        GraphSeries *track = seriesOf(live->findChild<QGraph *>("gpsGraph"))[0];

        live->gpsLLSolEventRead(fixAt(0, 0));         // 0/0 is no origin
        live->gpsLLSolEventRead(fixAt(-33.8707, 151.2083, false)); // no fix: no origin either
        live->gpsLLSolEventRead(fixAt(-33.8707, 151.2083));
        QVERIFY(track->points.isEmpty());
        QCOMPARE(live->findChild<QLabel *>("liveGPSFixLabel")->text(), QStringLiteral("3D solution"));
        live->gpsLLSolEventRead(fixAt(-33.8697, 151.2093));
        QCOMPARE(track->points.size(), 1);
        QVERIFY(qAbs(track->points[0].x() - trackPoint.x()) < 0.1);
        QVERIFY(qAbs(track->points[0].y() - trackPoint.y()) < 0.1);

        QCOMPARE(live->findChild<QLabel *>("liveLatLabel")->text(), latitude);
        QCOMPARE(live->findChild<QLabel *>("liveGPSMSLLabel")->text(), altitude);
        QCOMPARE(live->findChild<QLabel *>("satUsedLabel")->text(), QStringLiteral("7"));
        QCOMPARE(live->findChild<QProgressBar *>("connectedSatsWidget")->value(), 7);
        live->findChild<LiveFileWriter *>()->waitForWrites();
        QCOMPARE(readAll(f.path("TAVO/temp/TAVO.kml")),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
                                "<Placemark>\n<name>Current</name>\n<description>QORA via TAVO</description>\n<Point>\n"
                                "<coordinates>151.2093,-33.8697</coordinates>\n</Point>\n</Placemark>\n</kml>\n"));
        QVERIFY(f.output.contains("GPS 0\nGPS 1\nGPS 2\nGPS 3\n"));

        // Clearing starts a new track at the next valid fix.
        live->clearAndZero();
        live->gpsLLSolEventRead(fixAt(10, 10));
        live->gpsLLSolEventRead(fixAt(10, 10));
        QCOMPARE(track->points, QVector<QPointF>{QPointF(0, 0)});
    }

    void liveKmlFolderBlocked()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        QFile blocker(f.path("TAVO"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        auto *writer = live->findChild<LiveFileWriter *>();
        live->gpsLLSolEventRead(fixAt(1, 2));
        writer->waitForWrites();
        live->gpsLLSolEventRead(fixAt(1, 2));
        writer->waitForWrites();
        QCOMPARE(f.overview().console->toPlainText().count(QStringLiteral("Could not write the live KML file")), 1);

        // Reported again only after a write has worked in between.
        QVERIFY(QFile::remove(blocker.fileName()));
        live->gpsLLSolEventRead(fixAt(1, 2));
        writer->waitForWrites();
        QVERIFY(QFile::exists(f.path("TAVO/temp/TAVO.kml")));
        QVERIFY(QDir(f.path("TAVO")).removeRecursively());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        live->gpsLLSolEventRead(fixAt(1, 2));
        writer->waitForWrites();
        QCOMPARE(f.overview().console->toPlainText().count(QStringLiteral("Could not write the live KML file")), 2);
    }

    void gpsAnnouncedEvery30Seconds()
    {
        FakeMonotonicClock clock;
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        f.voice.clear();
        live->gpsLLSolEventRead(fixAt(1, 1, false, 452.5f, 4)); // starts the clock
        clock.advance(30000);
        live->gpsLLSolEventRead(fixAt(1, 1, false, 452.5f, 4));
        QVERIFY(f.voice.texts().isEmpty());
        clock.advance(1);
        live->gpsLLSolEventRead(fixAt(1, 1, false, 1234.4f, 5));
        clock.advance(29999);
        live->gpsLLSolEventRead(fixAt(1, 1, true, 999, 9));
        QCOMPARE(f.voice.texts(),
                 (QStringList{"<rate speed='0'><emph>GPS altitude: 1234 meters.</emph></rate>",
                              "<rate speed='0'><emph>Locked on to 5 satellites.</emph></rate>"}));
    }

    void radioStatus()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        live->frequencyRead(432001234);
        live->frequencyErrorRead(-150);
        live->RFOffsetRead(42);
        live->BPSRead(4800);
        for (const char *name : {"frequencyLabel", "frequencyErrorLabel", "frequencyOffsetLabel", "dataRateLabel"})
            QCOMPARE(live->findChild<QLabel *>(name)->text(), f.window->ui.consoleDock->findChild<QLabel *>(name)->text());
        QCOMPARE(f.overview().frequencyLabel->text(), QStringLiteral("432001234 Hz"));
        QCOMPARE(f.overview().frequencyErrorLabel->text(), QStringLiteral("-150 Hz"));
        QCOMPARE(f.overview().frequencyOffsetLabel->text(), QStringLiteral("42 Hz"));
        QCOMPARE(f.overview().dataRateLabel->text(), QStringLiteral("4800 bps"));

        // The indicator fades from green to red a step every tenth of a second; a packet turns it
        // green again. Steps are counted loosely: a busy machine runs the test late.
        const auto redOfIndicator = [&f] {
            static const QRegularExpression colour(QStringLiteral("^background-color: rgb\\((\\d+),(\\d+),0\\);$"));
            const QRegularExpressionMatch match = colour.match(f.overview().packetIndicatorLabel->styleSheet());
            return match.hasMatch() && match.captured(1).toInt() + match.captured(2).toInt() == 255
                       ? match.captured(1).toInt()
                       : -1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(redOfIndicator() >= 20, 10000);
        live->packetReceived();
        QTRY_VERIFY(redOfIndicator() >= 0 && redOfIndicator() < 10);
    }

    // Allocation, autosave into the file and the two alternating backups, and what they hold.
    void allocationAndAutosave()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        auto *recorder = live->findChild<FlightRecorder *>();
        live->pressureEventRead(pressureAt(1, 100000));
        const QString file = f.path("a.b.qora");
        f.dialogs.chooseFile(file);
        live->saveFlightAs();
        recorder->waitForSaves();
        QList<ScriptedDialogs::Request> asked = f.dialogs.takeRequests();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].caption, QStringLiteral("Allocate NUV QORA flight file"));
        QCOMPARE(asked[0].filter, QStringLiteral("NUV QORA flights (*.qora)"));
        QCOMPARE(asked[1].message.title, QStringLiteral("Flight file allocated!"));
        QCOMPARE(asked[1].message.text, file);
        QCOMPARE(eventsIn(file), size_t(1));

        live->pressureEventRead(pressureAt(2, 100000));
        live->saveFlight(); // the first call: backup slot 1
        QCOMPARE(f.overview().statusBar->currentMessage(), "Saving flight: " + file);
        recorder->waitForSaves();
        live->pressureEventRead(pressureAt(3, 100000));
        live->saveFlight();
        recorder->waitForSaves();
        QCOMPARE(eventsIn(file), size_t(3));
        QCOMPARE(eventsIn(backupFolder() + "/a.b - 1.qora"), size_t(2));
        QCOMPARE(eventsIn(backupFolder() + "/a.b - 0.qora"), size_t(3));
        QCOMPARE(f.overview().statusBar->currentMessage(), "Backing up flight: " + backupFolder() + "/a.b - 0.qora");
        QVERIFY(f.dialogs.takeRequests().isEmpty());

        // After each save the autosave runs on every 10 s; its turn saves into the other backup.
        QTimer *autosave = autosaveTimerOf(live);
        QVERIFY(autosave);
        QVERIFY(autosave->isActive());
        live->pressureEventRead(pressureAt(4, 100000));
        QSignalSpy turns(autosave, &QTimer::timeout);
        autosave->start(1); // its next turn, now
        QVERIFY(turns.wait());
        recorder->waitForSaves();
        QCOMPARE(eventsIn(file), size_t(4));
        QCOMPARE(eventsIn(backupFolder() + "/a.b - 1.qora"), size_t(4));
        QVERIFY(autosave->isActive());
        QCOMPARE(autosave->interval(), 10000);
    }

    void failedSavesAreReported()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        auto *recorder = live->findChild<FlightRecorder *>();
        const QString unwritable = f.path("missing/folder/x.qora");
        f.dialogs.chooseFile(unwritable);
        live->saveFlightAs();
        recorder->waitForSaves();
        QList<ScriptedDialogs::Request> asked = f.dialogs.takeRequests();
        QCOMPARE(asked.last().message.icon, QMessageBox::Critical);
        QCOMPARE(asked.last().message.title,
                 QStringLiteral("Could not allocate a file for flight storage. Please allocate a new flight file!"));

        // An allocated file that can no longer be written, and a backup folder that cannot be made.
        const QString file = f.path("x.qora");
        f.dialogs.chooseFile(file);
        live->saveFlightAs();
        recorder->waitForSaves();
        f.dialogs.takeRequests();
        QFile::remove(file);
        QVERIFY(QDir(f.workDir.path()).mkdir("x.qora")); // a folder where the file was
        QDir(backupFolder()).removeRecursively();
        QFile blocker(backupFolder());
        QVERIFY(QDir().mkpath(QFileInfo(backupFolder()).path()));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        live->saveFlight();
        live->saveFlight();
        recorder->waitForSaves();
        asked = f.dialogs.takeRequests();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].message.title, QStringLiteral("Could not autosave flight! Please allocate a flight file."));
        QCOMPARE(f.overview().console->toPlainText().count(QStringLiteral("Could not write the backup")), 1);
    }

    void recordingKeptBeforeClearing_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("allocated");
        QTest::newRow("reconnection, file allocated") << "reconnection" << true;
        QTest::newRow("reconnection, no file") << "reconnection" << false;
        QTest::newRow("replay, file allocated") << "replay" << true;
        QTest::newRow("clear and zero, no file") << "clear and zero" << false;
    }

    // A reconnection, a replay or the menu's clear and zero empties the recording, which first
    // goes to a dated backup and once more to the allocated file; the next autosave then
    // writes the emptied recording.
    void recordingKeptBeforeClearing()
    {
        QFETCH(QString, trigger);
        QFETCH(bool, allocated);
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        auto *recorder = live->findChild<FlightRecorder *>();
        const QString file = f.path("flight.qora");
        if (allocated) {
            f.dialogs.chooseFile(file);
            live->saveFlightAs();
            recorder->waitForSaves();
        }
        for (int i = 0; i < 4; ++i)
            live->pressureEventRead(pressureAt(i, 100000));

        if (trigger == "reconnection") {
            f.station.plugFirmware();
            f.window->liveWindow()->radioLink()->attemptConnection();
        } else if (trigger == "replay") {
            QTest::mouseClick(live->findChild<QPushButton *>("loadReplay"), Qt::LeftButton); // dialog cancelled
        } else {
            f.overview().actionClear_and_Zero->trigger();
        }
        // A connection takes several exchanges with the station; the whole suite in parallel
        // on a busy machine once took over 5 s. Once connected, the link's own signal readings
        // refill the recording, so what is looked for is that the pressure readings left it.
        QTRY_VERIFY_WITH_TIMEOUT(!holdsPressure(live->recordedFlight()), 20000);
        recorder->waitForSaves();
        const QString dated = allocated ? "flight 2*.qora" : "NUV TAVO recording 2*.qora";
        const QStringList backups = QDir(backupFolder()).entryList({dated});
        QCOMPARE(backups.size(), 1);
        QCOMPARE(eventsIn(backupFolder() + "/" + backups[0]), size_t(4));
        QVERIFY(live->findChild<QGraph *>("livePressureGraph")->first()->series[0]->points.isEmpty());
        if (!allocated)
            return;
        QCOMPARE(eventsIn(file), size_t(4));
        live->saveFlight();
        recorder->waitForSaves();
        NUVQORAFlight saved;
        QVERIFY(saved.load(file.toStdWString()));
        QVERIFY(!holdsPressure(saved));
    }

    void cancelledAllocationLeavesAutosaveStopped()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        live->saveFlightAs(); // cancelled
        QTimer *autosave = autosaveTimerOf(live);
        QVERIFY(autosave);
        QVERIFY(!autosave->isActive());
        live->saveFlight();
        QVERIFY(!autosave->isActive());
    }

    void exportKml_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("title");
        QTest::newRow("written") << "track" << "Flight data exported!";
        QTest::newRow("folder missing") << "missing/track.kml" << "Could not export flight data";
    }

    void exportKml()
    {
        QFETCH(QString, target);
        QFETCH(QString, title);
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        live->gpsLLSolEventRead(fixAt(47.26, 8.86));
        f.dialogs.chooseFile(f.path(target));
        QTest::mouseClick(live->findChild<QPushButton *>("exportKML"), Qt::LeftButton);
        const QList<ScriptedDialogs::Request> asked = f.dialogs.takeRequests();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].caption, QStringLiteral("Export flight to KML"));
        QCOMPARE(asked[1].message.title, title);
        const bool written = title == "Flight data exported!";
        QCOMPARE(asked[1].message.icon, written ? QMessageBox::Information : QMessageBox::Critical);
        QCOMPARE(readAll(f.path("track.kml")).contains(QStringLiteral("8.86")), written);
    }

    // The page is replaced by one that records what it is asked, in order.
    void mapScriptsInOrder()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        auto *view = live->findChild<QWebEngineView *>("webView");
        view->setHtml(
            QStringLiteral("<script>var calls = [];"
                           "function setPlacemark(lat, lon) { calls.push('setPlacemark ' + lat + ' ' + lon); }"
                           "function appendLineCoord(lat, lon, alt) {"
                           "  calls.push('appendLineCoord ' + lat + ' ' + lon + ' ' + alt); }"
                           "function clearLineString() { calls.push('clearLineString'); }"
                           "function flyTo() { calls.push('flyTo'); }</script>"));
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(10000) || !loaded.isEmpty());
        QCOMPARE(evaluate(view, "typeof calls").toString(), QStringLiteral("object"));

        live->gpsLLSolEventRead(fixAt(1, 2, false));
        live->gpsLLSolEventRead(fixAt(-33.8697, 151.2093, true, 452.5f));
        QTest::mouseClick(live->findChild<QPushButton *>("focusOnTarget"), Qt::LeftButton);
        f.overview().actionClear_and_Zero->trigger();
        QCOMPARE(evaluate(view, "calls.join('|')").toString(),
                 QStringLiteral("setPlacemark 1 2|setPlacemark -33.8697 151.2093|"
                                "appendLineCoord -33.8697 151.2093 452.5|flyTo|clearLineString|clearLineString"));
    }

    // A saved flight replayed through the window: recorded and plotted like live events, with
    // altitudes above the replay's own first pressure.
    void replay()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        live->pressureEventRead(pressureAt(0, 50000)); // a reference the replay must not use
        NUVQORAFlight flight;
        for (int i = 0; i < 30; ++i) {
            auto e = std::make_unique<NUVEvent_Pressure>(pressureAt(i * 0.05f, 100000 - i * 10));
            flight.events.push_back(std::move(e));
        }
        const QString file = f.path("replay.qora");
        QVERIFY(flight.save(file.toStdWString()));

        f.dialogs.chooseFile(file);
        QTest::mouseClick(live->findChild<QPushButton *>("loadReplay"), Qt::LeftButton);
        QList<ScriptedDialogs::Request> asked = f.dialogs.takeRequests();
        QCOMPARE(asked[0].caption, QStringLiteral("Open NUV QORA flight"));
        QCOMPARE(asked[1].message.title, QStringLiteral("Flight loaded. Replay will now start."));
        auto *cancel = live->findChild<QPushButton *>("cancelReplay");
        QVERIFY(cancel->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(live->recordedFlight().events.size(), size_t(30), 10000);
        QTRY_COMPARE(live->findChild<QProgressBar *>("replayFlightProgress")->value(), 100);
        QTRY_VERIFY(!cancel->isEnabled());
        const QVector<QPointF> altitude = seriesOf(live->findChild<QGraph *>("liveAltitudeGraph"))[0]->points;
        QCOMPARE(altitude.first().y(), 0.0);

        // A dialog cancelled still empties the recording; an unreadable file is refused.
        live->loadReplay();
        QVERIFY(live->recordedFlight().events.empty());
        QFile junk(f.path("junk.qora"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a flight");
        junk.close();
        f.dialogs.takeRequests();
        f.dialogs.chooseFile(junk.fileName());
        live->loadReplay();
        asked = f.dialogs.takeRequests();
        QCOMPARE(asked.last().message.title, QStringLiteral("Could not open flight"));
    }

    void replayRateAndCancel()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        NUVQORAFlight flight;
        for (int i = 0; i < 200; ++i)
            flight.events.push_back(std::make_unique<NUVEvent_Pressure>(pressureAt(i * 1.0f, 100000)));
        const QString file = f.path("long.qora");
        QVERIFY(flight.save(file.toStdWString()));
        live->findChild<QDoubleSpinBox *>("replayRate")->setValue(2.5);
        // Printed by the worker: the lines the window prints while loading would run into it.
        QTRY_VERIFY(f.output.contains("replay rate: 2.5\n"));
        f.dialogs.chooseFile(file);
        live->loadReplay();
        // The speed box's rate holds for the new replay too.
        QTRY_COMPARE(QString::fromStdString(f.output.text()).count("replay rate: 2.5\n"), 2);
        QTRY_VERIFY(!live->recordedFlight().events.empty());
        QTest::mouseClick(live->findChild<QPushButton *>("cancelReplay"), Qt::LeftButton);
        QTRY_VERIFY(!live->findChild<QPushButton *>("cancelReplay")->isEnabled());
        QVERIFY(live->recordedFlight().events.size() < 200);
    }

    // A new flight loaded while a replay runs takes its place: the recording ends with the new
    // flight, the replay ends with it, and its altitudes are heights above its own first
    // pressure, though events of the replaced replay are still on their way.
    void secondReplayReplacesTheRunningOne()
    {
        LiveWindowFixture f;
        NUVTAVOWidget *live = f.open();
        NUVQORAFlight first, second;
        for (int i = 0; i < 20000; ++i)
            first.events.push_back(std::make_unique<NUVEvent_Pressure>(pressureAt(i * 0.01f, 100000)));
        for (int i = 0; i < 5; ++i)
            second.events.push_back(std::make_unique<NUVEvent_Pressure>(pressureAt(i * 0.05f, 90000 - i * 10)));
        QVERIFY(first.save(f.path("first.qora").toStdWString()));
        QVERIFY(second.save(f.path("second.qora").toStdWString()));
        auto *load = live->findChild<QPushButton *>("loadReplay");
        auto *cancel = live->findChild<QPushButton *>("cancelReplay");

        f.dialogs.chooseFile(f.path("first.qora"));
        QTest::mouseClick(load, Qt::LeftButton);
        QTRY_VERIFY(!live->recordedFlight().events.empty());
        QThread::msleep(250); // the first replay's next steps wait, unseen, in this thread's queue
        f.dialogs.chooseFile(f.path("second.qora"));
        QTest::mouseClick(load, Qt::LeftButton);
        QVERIFY(cancel->isEnabled());
        QTRY_VERIFY(!cancel->isEnabled());
        QCOMPARE(live->findChild<QProgressBar *>("replayFlightProgress")->value(), 100);

        QList<float> pressures;
        for (const auto &e : live->recordedFlight().events)
            pressures << static_cast<const NUVEvent_Pressure &>(*e).pressure;
        const int start = pressures.indexOf(90000);
        QVERIFY(start >= 0);
        QCOMPARE(pressures.mid(start), (QList<float>{90000, 89990, 89980, 89970, 89960}));
        const float height = pressureAltitudeOf(89960) - pressureAltitudeOf(90000);
        const QPointF last = seriesOf(live->findChild<QGraph *>("liveAltitudeGraph"))[0]->points.last();
        QVERIFY2(qAbs(last.y() - height) < 0.01, qPrintable(QString::number(last.y())));
        const QList<ScriptedDialogs::Request> asked = f.dialogs.takeRequests();
        QCOMPARE(asked.last().message.title, QStringLiteral("Flight loaded. Replay will now start."));
        QCOMPARE(asked.last().message.text, f.path("second.qora"));
    }

    void radioChannelReachesStation()
    {
        LiveWindowFixture f;
        f.station.plugFirmware();
        NUVTAVOWidget *live = f.open();
        QTRY_COMPARE(f.station.mode(), SimulatedGroundStation::Mode::Firmware);
        QTRY_VERIFY(f.overview().console->toPlainText().contains("is now connected."));
        live->findChild<QSpinBox *>("RFAddress")->setValue(3);
        QTRY_COMPARE(f.station.channel(), 3);
        QTRY_VERIFY(f.output.contains("Set RF Channel OK: 3"));
    }

    void frequencyLock_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::newRow("tracking") << false;
        QTest::newRow("locked") << true;
    }

    // While the lock box is checked the worker leaves the receiver's frequency where it is.
    void frequencyLock()
    {
        QFETCH(bool, locked);
        LiveWindowFixture f;
        f.station.plugFirmware();
        NUVTAVOWidget *live = f.open();
        QTRY_VERIFY(f.overview().console->toPlainText().contains("is now connected."));
        auto *lock = live->findChild<QCheckBox *>("RFLock");
        if (locked)
            QTest::mouseClick(lock, Qt::LeftButton, {}, QPoint(6, lock->height() / 2)); // on the box
        QCOMPARE(lock->isChecked(), locked);
        QTest::qWait(100); // a poll that read the box before the click is over
        const int32_t before = f.station.frequency();
        f.station.setTrackingValue(450); // far off: tracking moves 101 Hz a step
        QTest::qWait(300);
        QCOMPARE(f.station.frequency() != before, !locked);
    }

    void outdatedFirmwareAsks_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("asked");
        QTest::newRow("0x201") << 0x201 << true;
        QTest::newRow("0x202") << 0x202 << false;
    }

    void outdatedFirmwareAsks()
    {
        QFETCH(int, version);
        QFETCH(bool, asked);
        LiveWindowFixture f;
        f.station.setFirmwareVersion(uint16_t(version));
        f.station.plugFirmware();
        f.dialogs.pressButton(QMessageBox::Cancel);
        f.open();
        QTRY_VERIFY(f.overview().console->toPlainText().contains("is now connected."));
        QTest::qWait(200);
        const QList<ScriptedDialogs::Request> requests = f.dialogs.takeRequests();
        QCOMPARE(!requests.isEmpty(), asked);
        if (asked)
            QCOMPARE(requests[0].message.text,
                     QStringLiteral("Your firmware is outdated! It is important for device reliability to always "
                                    "have the latest firmware."));
    }

    // The loader runs from its relative path with the image's path; its output goes to the
    // console without its line end, and the ground station is connected again afterwards.
    void firmwareUpdate()
    {
        LiveWindowFixture f;
        writeLoader(f, "#!/bin/sh\nprintf 'args: %s|%s\\r\\n' \"$1\" \"$2\"\n");
        f.station.plugFirmware();
        NUVTAVOWidget *live = f.open();
        QTRY_VERIFY(f.overview().console->toPlainText().contains("is now connected."));

        auto *button = live->findChild<QPushButton *>("updateFirmware");
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isEnabled());
        QCOMPARE(f.dialogs.takeRequests().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(f.output.contains("Firmware update complete 0"), 15000);
        QVERIFY(button->isEnabled());
        const QString console = f.overview().console->toPlainText();
        QVERIFY(console.contains("Update will start in 5 seconds..."));
        QVERIFY(console.contains("args: -p|" + QCoreApplication::applicationDirPath()
                                 + "/TAVO/firmware/NUV TAVO Firmware 2.02.hex.dat"));
        QVERIFY(!console.contains('\r'));
    }

    void loaderOutputLineEnds_data()
    {
        QTest::addColumn<QByteArray>("printed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QByteArray("flashed\r\n") << "flashed";
        QTest::newRow("LF") << QByteArray("flashed\n") << "flashed";
        QTest::newRow("none") << QByteArray("flashed") << "flashed";
        QTest::newRow("only one of two") << QByteArray("flashed\r\n\r\n") << "flashed\n";
        QTest::newRow("CR alone") << QByteArray("flashed\r") << "flashed";
    }

    // The console adds a line end of its own: one of the loader's goes, with its CR.
    void loaderOutputLineEnds()
    {
        QFETCH(QByteArray, printed);
        QFETCH(QString, shown);
        LiveWindowFixture f;
        writeLoader(f, "#!/bin/sh\nprintf '" + QByteArray(printed).replace("\r", "\\r").replace("\n", "\\n") + "'\n");
        NUVTAVOWidget *live = f.open();
        QPlainTextEdit *console = f.overview().console;
        console->clear();
        live->startFirmwareUpdate();
        QTRY_VERIFY(f.output.contains("Firmware update complete 0"));
        // Whatever follows starts on a line of its own.
        QVERIFY2((console->toPlainText() + "\n").startsWith(shown + "\n"), qPrintable(console->toPlainText()));
    }

    void aLoaderError_data() { FirmwareLoaderErrors::addRows(); }

    // Only an error that ends the loader fails the update; until then a station plugged in stays
    // in its bootloader.
    void aLoaderError()
    {
        QFETCH(QByteArray, loader);
        QFETCH(int, error);
        QFETCH(bool, endsUpdate);
        QFETCH(bool, buttonBack);
        LiveWindowFixture f;
        if (!loader.isEmpty())
            writeLoader(f, "#!/bin/sh\n" + loader);
        f.station.plugFirmware();
        NUVTAVOWidget *live = f.open();
        QPlainTextEdit *console = f.overview().console;
        QTRY_VERIFY(console->toPlainText().contains("is now connected."));
        auto *button = live->findChild<QPushButton *>("updateFirmware");
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE(f.station.mode(), SimulatedGroundStation::Mode::Bootloader);
        console->clear();
        const QString failed = QStringLiteral("Failed tp update firmware.");
        if (error >= 0) {
            QTRY_VERIFY_WITH_TIMEOUT(console->toPlainText().contains(FirmwareLoaderErrors::RunningLine), 15000);
            live->updateError(QProcess::ProcessError(error));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(console->toPlainText().contains(failed), 15000);
        }
        f.station.plugBootloader();
        if (!endsUpdate) {
            QTest::qWait(1000);
            QCOMPARE(f.station.mode(), SimulatedGroundStation::Mode::Bootloader);
            QVERIFY(!button->isEnabled());
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.station.mode(), SimulatedGroundStation::Mode::Firmware, 15000);
        QCOMPARE(console->toPlainText().contains(failed), endsUpdate);
        QCOMPARE(button->isEnabled(), buttonBack);
    }

    void voiceReady_data()
    {
        QTest::addColumn<bool>("voiceOn");
        QTest::addColumn<bool>("engine");
        QTest::addColumn<QStringList>("spoken");
        QTest::newRow("voice on") << true << true << QStringList{"<rate speed='-1'>Voice initialized</rate>"};
        QTest::newRow("voice off") << false << true << QStringList{};
        QTest::newRow("no engine") << true << false << QStringList{};
    }

    // A second after start the voice says it is ready; without an engine the window stays mute.
    void voiceReady()
    {
        QFETCH(bool, voiceOn);
        QFETCH(bool, engine);
        QFETCH(QStringList, spoken);
        LiveWindowFixture f(0, voiceOn);
        if (!engine)
            Voice::setFactory([] { return std::unique_ptr<Voice>(); });
        QElapsedTimer sinceOpening;
        sinceOpening.start();
        NUVTAVOWidget *live = f.open();
        if (spoken.isEmpty()) {
            QTest::qWait(1400);
        } else {
            // Timed from the test's side: a busy machine may run the test itself late. The
            // window's timer is a coarse one, which Qt may fire up to 5 % early.
            QTRY_VERIFY_WITH_TIMEOUT(!f.voice.texts().isEmpty(), 10000);
            QVERIFY(sinceOpening.elapsed() >= 950);
        }
        live->statusEventRead(statusOf(1));
        if (voiceOn && engine)
            spoken << "<rate speed='-3'><emph>Launch detected!</emph></rate>";
        QCOMPARE(f.voice.texts(), spoken);
    }

    // The station hears a flight's phases; each change is announced once, in order.
    void phasesAnnouncedWhileStreaming()
    {
        const auto status = [](uint32_t ms, uint8_t devicePhase) {
            return TelemetryTransmitter::Record{ms, {16, uint8_t(devicePhase << 4), 0}};
        };
        // Device phases 1 and 2 are both the boost, 4 and 5 both apogee and descent.
        TelemetryTransmitter transmitter({status(0, 0), status(200, 1), status(400, 2), status(600, 3), status(800, 4),
                                          status(1000, 5), status(1200, 6)});
        LiveWindowFixture f;
        f.station.setTransmitter(&transmitter);
        f.station.plugFirmware();
        f.open();
        QTRY_COMPARE_WITH_TIMEOUT(f.overview().liveRocketStateLabel->text(), QStringLiteral("Landed"), 10000);
        const QStringList phases = f.voice.texts().filter("speed='-3'");
        const auto said = [](const char *text) {
            return QStringLiteral("<rate speed='-3'><emph>%1</emph></rate>").arg(text);
        };
        QCOMPARE(phases,
                 (QStringList{said("Launch detected!"), said("Coasting"), said("Apogee detected!"), said("Landed")}));
    }

private:
    static void writeLoader(LiveWindowFixture &f, const QByteArray &script)
    {
        QVERIFY(QDir().mkpath(f.path("TAVO/firmware")));
        QFile loader(f.path("TAVO/firmware/bootload.exe"));
        QVERIFY(loader.open(QIODevice::WriteOnly));
        loader.write(script);
        loader.close();
        loader.setPermissions(loader.permissions() | QFileDevice::ExeOwner);
    }

    // The answer may come after the wait has given up on it: it goes to storage of its own.
    static QVariant evaluate(QWebEngineView *view, const QString &script)
    {
        const auto answer = std::make_shared<std::optional<QVariant>>();
        view->page()->runJavaScript(script, [answer](const QVariant &value) { *answer = value; });
        return QTest::qWaitFor([&] { return answer->has_value(); }, 10000) ? **answer : QVariant();
    }
};

NUV_SHELL_TEST_MAIN(TestLiveWindow)
#include "TestLiveWindow.moc"
