#include "FlightWindowFixture.h"
#include "NUVEvent_GPSLLSol.h"
#include "SampleFlightFile.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"
#include "SyntheticFlight.h"
#include "WebServer.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <QJsonArray>
#include <QJsonDocument>

#include <functional>
#include <memory>
#include <optional>

using Trigger = std::function<void(NUVStudio &, NUVQORAFlightWidget &, ScriptedDialogs &)>;
Q_DECLARE_METATYPE(Trigger)

namespace {

// Stands in for the map page: records every call the window makes, and can be told to fail one.
const char *const recordingPage = R"(<html><body><script>
var calls = [];
var failing = '';
function record(name, args) {
    calls.push([name].concat(Array.from(args)));
    if (name === failing)
        throw new Error('page failure in ' + name);
}
function plotKML() { record('plotKML', arguments); }
function plotGroudTrack() { record('plotGroudTrack', arguments); }
function setPlacemark() { record('setPlacemark', arguments); }
function flyTo() { record('flyTo', arguments); }
</script></body></html>)";

// What the page prints on its console.
class ConsoleRecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList messages;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int,
                                  const QString &) override
    {
        messages << QStringLiteral("%1 %2").arg(level == InfoMessageLevel ? "info" : "error", message);
    }
};

} // namespace

// The flight window's GPS tab on the real map page, served by the program's web server.
class TestFlightMap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        httpServerConfigFile = QStringLiteral(NUV_QORA_SERVER_SETTINGS);
        webServer.reset(makeWebServer(qApp));
    }
    void cleanupTestCase() { webServer.reset(); }

    void commandsSendTheTrackToThePage_data()
    {
        QTest::addColumn<Trigger>("trigger");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("console");
        const QStringList track{"plotKML", "plotGroudTrack", "setPlacemark"};
        const QStringList flown = track + QStringList{"flyTo"};
        const Trigger populate = [](NUVStudio &, NUVQORAFlightWidget &window, ScriptedDialogs &) {
            QTest::mouseClick(FlightWindowFixture::child<QPushButton>(&window, "populateGPSData"), Qt::LeftButton);
        };
        QTest::newRow("populate") << populate << QString() << flown << QStringList();
        QTest::newRow("filtered altitude") << Trigger([](NUVStudio &, NUVQORAFlightWidget &window, ScriptedDialogs &) {
            QTest::mouseClick(FlightWindowFixture::child<QCheckBox>(&window, "kalmanFilteredAltitude"), Qt::LeftButton);
        }) << QString() << track << QStringList();
        QTest::newRow("trim") << Trigger([](NUVStudio &main, NUVQORAFlightWidget &, ScriptedDialogs &dialogs) {
            dialogs.enterNumber(5.0);
            dialogs.enterNumber(100.0);
            main.ui.actionTrimTime->trigger();
        }) << QString() << track << QStringList();
        QTest::newRow("zero") << Trigger([](NUVStudio &main, NUVQORAFlightWidget &, ScriptedDialogs &dialogs) {
            dialogs.enterNumber(10.0);
            main.ui.actionZeroTime->trigger();
        }) << QString() << track << QStringList();
        QTest::newRow("auto trim") << Trigger([](NUVStudio &main, NUVQORAFlightWidget &, ScriptedDialogs &) {
            main.ui.actionAutoTrimAll->trigger();
        }) << QString() << flown << QStringList();
        // The track's calls leave a failure on the page's console; the flight to it stays silent.
        QTest::newRow("failing track call") << populate << QStringLiteral("plotKML") << flown
                                            << QStringList{"info Error: page failure in plotKML"};
        QTest::newRow("failing flight to the track") << populate << QStringLiteral("flyTo") << flown << QStringList();
    }

    void commandsSendTheTrackToThePage()
    {
        QFETCH(Trigger, trigger);
        QFETCH(QString, failing);
        auto flight = std::shared_ptr<NUVQORAFlight>(SyntheticFlight({}).flight.release());
        auto main = m_fixture.mainWindow();
        auto *window = FlightWindowFixture::show(*main, flight, false);
        auto *view = FlightWindowFixture::child<QWebEngineView>(window, "webView");
        auto *page = new ConsoleRecordingPage(view);
        view->setPage(page);
        view->setHtml(QString::fromLatin1(recordingPage));
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(view, QStringLiteral("typeof calls")).toString() == "object", 90000);
        evaluate(view, QStringLiteral("failing = '%1'").arg(failing));

        trigger(*main, *window, m_dialogs);
        // Scripts run in the order sent: this answer comes after every call of the command.
        const QString recorded = evaluate(view, QStringLiteral("JSON.stringify(calls)")).toString();
        const QJsonArray calls = QJsonDocument::fromJson(recorded.toUtf8()).array();
        QStringList names;
        for (const QJsonValue &call : calls)
            names << call.toArray().first().toString();
        QTEST(names, "calls");
        QTEST(page->messages, "console");
        QVERIFY(calls[0].toArray()[1].toString().startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml"));
        const QJsonArray groundTrack = calls[1].toArray()[1].toArray();
        QVERIFY(groundTrack.size() >= 2 && groundTrack.size() % 2 == 0);
        QCOMPARE(calls[2].toArray().size(), 3); // latitude and longitude
    }

    void populateDrawsTheTrackAndFliesToIt()
    {
        auto flight = downloadedSampleFlight();
        auto main = m_fixture.mainWindow();
        auto *window = FlightWindowFixture::show(*main, flight, false);
        auto *view = FlightWindowFixture::child<QWebEngineView>(window, "webView");
        QCOMPARE(view->url(), WebServer::url(QStringLiteral("QORA.html")));
        // A loaded machine may take long to start the browser.
        QTRY_VERIFY_WITH_TIMEOUT(state(view).value("ready").toBool(), 90000);

        int fixes = 0;
        const NUVEvent_GPSLLSol *last = nullptr;
        for (const auto &event : flight->events) {
            if (const auto *fix = event->as<NUVEvent_GPSLLSol>(); fix && fix->fixValid) {
                ++fixes;
                last = fix;
            }
        }
        QVERIFY(last);
        QTest::mouseClick(FlightWindowFixture::child<QPushButton>(window, "populateGPSData"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(state(view).value("kmlPoints").toInt(), fixes, 10000);
        const QVariantMap shown = state(view);
        QVERIFY(shown.value("groundTrackPoints").toInt() > 1);
        QVERIFY(shown.value("groundTrackPoints").toInt() < fixes);
        const QVariantList placemark = shown.value("placemark").toList();
        // Sent with 10 decimals.
        QVERIFY(qAbs(placemark.value(0).toDouble() - last->latitude) < 1e-9);
        QVERIFY(qAbs(placemark.value(1).toDouble() - last->longitude) < 1e-9);
        // Flown to the track: the map's centre lies within it.
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(state(view).value("center").toList().value(0).toDouble() - last->latitude) < 0.05,
                                 10000);

        // The filtered altitudes send the track again, without moving the map.
        QTest::mouseClick(FlightWindowFixture::child<QCheckBox>(window, "kalmanFilteredAltitude"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(state(view).value("kmlPoints").toInt(), fixes, 10000);
    }

private:
    // What the page shows; empty until its script has loaded.
    static QVariantMap state(QWebEngineView *view)
    {
        return evaluate(view, QStringLiteral("typeof nuvMap === 'undefined' ? null : nuvMap.state()")).toMap();
    }

    // The value of a script in the page; null when the page did not answer. The answer may come
    // after the wait has given up, so it goes to storage that outlives the call.
    static QVariant evaluate(QWebEngineView *view, const QString &script)
    {
        auto answer = std::make_shared<std::optional<QVariant>>();
        view->page()->runJavaScript(script, [answer](const QVariant &value) { *answer = value; });
        if (!QTest::qWaitFor([&answer] { return answer->has_value(); }, 10000))
            return {};
        return answer->value();
    }

    FlightWindowFixture m_fixture;
    ScriptedDialogs m_dialogs;
};

NUV_SHELL_TEST_MAIN(TestFlightMap)
#include "TestFlightMap.moc"
