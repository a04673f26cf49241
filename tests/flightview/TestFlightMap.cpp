#include "FlightWindowFixture.h"
#include "NUVEvent_GPSLLSol.h"
#include "SampleFlightFile.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"
#include "WebServer.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <optional>

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
    // What the page shows; empty until its script has loaded. The answer may come after the
    // wait has given up, so it goes to storage that outlives the call.
    static QVariantMap state(QWebEngineView *view)
    {
        auto answer = std::make_shared<std::optional<QVariant>>();
        view->page()->runJavaScript(QStringLiteral("typeof nuvMap === 'undefined' ? null : nuvMap.state()"),
                                    [answer](const QVariant &value) { *answer = value; });
        if (!QTest::qWaitFor([&answer] { return answer->has_value(); }, 10000))
            return {};
        return answer->value().toMap();
    }

    FlightWindowFixture m_fixture;
    ScriptedDialogs m_dialogs;
};

NUV_SHELL_TEST_MAIN(TestFlightMap)
#include "TestFlightMap.moc"
