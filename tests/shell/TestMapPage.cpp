#include "MapPageView.h"
#include "ShellTestMain.h"
#include "WebServer.h"

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include <memory>

namespace {

// The test must not depend on the machine's network: every request that leaves this machine
// (the map tiles) fails, as it does offline.
class OfflineInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        const QString host = info.requestUrl().host();
        if (host != QLatin1String("localhost") && host != QLatin1String("127.0.0.1"))
            info.block(true);
    }
};

// Grid lines drawn on the map and coordinate values shown beside them.
const QString GridDrawn =
    QStringLiteral("(function () {"
                   "  var lines = 0, values = 0;"
                   "  document.querySelectorAll('.leaflet-overlay-pane path').forEach(function (p) {"
                   "    var box = p.getBBox();"
                   "    if (p.getAttribute('stroke') === '#90a4ae' && box.width + box.height > 0)"
                   "      ++lines;"
                   "  });"
                   "  document.querySelectorAll('.nuv-grid-label').forEach(function (l) {"
                   "    if (/\\u00b0$/.test(l.textContent))"
                   "      ++values;"
                   "  });"
                   "  return [lines, values];"
                   "})()");

// True once the page has asked for tiles and every one of them has failed.
const QString TilesFailed =
    QStringLiteral("(function () {"
                   "  var tiles = Array.from(document.querySelectorAll('.leaflet-tile-pane img'));"
                   "  return tiles.length > 0"
                   "    && tiles.every(function (t) { return t.complete && t.naturalWidth === 0; });"
                   "})()");

} // namespace

// The map page as the windows drive it: loaded from the program's web server, called with the
// programs' wrapped scripts, its drawing read back through nuvMap.state().
class TestMapPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&m_offline);
        httpServerConfigFile = QStringLiteral(NUV_QORA_SERVER_SETTINGS);
        webServer.reset(makeWebServer(qApp));
        m_pageUrl = WebServer::url(QStringLiteral("QORA.html"));
        QVERIFY(m_pageUrl.isValid());
    }

    void cleanupTestCase() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr); }

    void init()
    {
        m_view = std::make_unique<MapPageView>();
        QVERIFY(m_view->open(m_pageUrl));
        QTRY_VERIFY(m_view->state().value("ready").toBool());
    }

    void cleanup() { m_view.reset(); }

    void callsDraw_data()
    {
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("expected");

        const QString kml = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://earth.google.com/kml/2.1\"><Document>"
            "<Folder><Placemark><name>Aeronautic</name><Style><LineStyle><color>C80000FF</color><width>4</width>"
            "</LineStyle></Style><LineString><altitudeMode>absolute</altitudeMode><coordinates>"
            "%1</coordinates></LineString></Placemark></Folder></Document></kml>");
        const QString threePoints = QStringLiteral("8.500000000000,47.100000000000,512 8.501000000000,"
                                                   "47.101000000000,530 8.502000000000,47.102000000000,561 ");

        QTest::newRow("placemark") << QStringList{"setPlacemark(47.1234567890, 8.5432109876);"} << "placemark"
                                   << QVariant(QVariantList{47.123456789, 8.5432109876});
        QTest::newRow("placemark moves, one marker")
            << QStringList{"setPlacemark(1.000000, 2.000000);", "setPlacemark(-33.500000, 151.250000);"}
            << "placemark" << QVariant(QVariantList{-33.5, 151.25});
        QTest::newRow("KML track") << QStringList{"plotKML('" + kml.arg(threePoints) + "');"} << "kmlPoints"
                                   << QVariant(3);
        QTest::newRow("KML track replaced")
            << QStringList{"plotKML('" + kml.arg(threePoints) + "');",
                           "plotKML('" + kml.arg("8.5,47.1,500 8.6,47.2,510 ") + "');"}
            << "kmlPoints" << QVariant(2);
        QTest::newRow("KML without fixes") << QStringList{"plotKML('" + kml.arg(QString()) + "');"} << "kmlLayer"
                                           << QVariant(true);
        QTest::newRow("ground track ending in a comma")
            << QStringList{"plotGroudTrack([8.500000000000,47.100000000000,8.502000000000,47.102000000000,]);"}
            << "groundTrackPoints" << QVariant(2);
        QTest::newRow("empty ground track") << QStringList{"plotGroudTrack([]);"} << "groundTrackPoints"
                                            << QVariant(0);
        QTest::newRow("live track grows")
            << QStringList{"appendLineCoord(47.1000000000, 8.5000000000, 512.000000);",
                           "appendLineCoord(47.1010000000, 8.5010000000, 530.500000);",
                           "appendLineCoord(47.1020000000, 8.5020000000, 561.250000);"}
            << "lineStringPoints" << QVariant(3);
        QTest::newRow("live track cleared")
            << QStringList{"appendLineCoord(47.1, 8.5, 512.0);", "clearLineString();",
                           "appendLineCoord(47.2, 8.6, 520.0);"}
            << "lineStringPoints" << QVariant(1);
        QTest::newRow("a broken KML text only logs, the next call draws")
            << QStringList{"plotKML('<kml><Document>');", "setPlacemark(10.0, 20.0);"} << "placemark"
            << QVariant(QVariantList{10.0, 20.0});
        QTest::newRow("an unknown function only logs")
            << QStringList{"noSuchFunction(1);", "setPlacemark(10.0, 20.0);"} << "placemark"
            << QVariant(QVariantList{10.0, 20.0});
        QTest::newRow("flying to a lone placemark") << QStringList{"setPlacemark(0.000000, 0.000000);", "flyTo();"}
                                                    << "zoom" << QVariant(16);
    }

    void callsDraw()
    {
        QFETCH(QStringList, calls);
        QFETCH(QString, field);
        QFETCH(QVariant, expected);
        for (const QString &call : calls)
            m_view->call(call);
        QTRY_COMPARE_WITH_TIMEOUT(m_view->state().value(field), expected, 10000);
    }

    void flyingToATrackShowsAllOfIt()
    {
        m_view->call("plotGroudTrack([8.5,47.1,8.6,47.2,]);");
        m_view->call("setPlacemark(47.2, 8.6);");
        m_view->call("flyTo();");
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_view->state().value("center").toList().value(0).toDouble() - 47.15) < 0.01, 10000);
        QVERIFY(qAbs(m_view->state().value("center").toList().value(1).toDouble() - 8.55) < 0.01);
    }

    // Tiles need the internet; without them the page is a latitude/longitude grid with its
    // values on a plain background, and it stays one once the tiles have failed.
    void showsAGridWithoutTiles()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_view->evaluate(TilesFailed).toBool(), 10000);
        const QVariantMap shown = m_view->state();
        QVERIFY(!shown.value("online").toBool());
        QVERIFY(shown.value("gridShown").toBool());
        const QVariantList drawn = m_view->evaluate(GridDrawn).toList();
        QCOMPARE(drawn.size(), 2);
        QVERIFY2(drawn[0].toInt() >= 4 && drawn[1].toInt() >= 4,
                 qPrintable(QStringLiteral("%1 lines, %2 values").arg(drawn[0].toInt()).arg(drawn[1].toInt())));
    }

private:
    OfflineInterceptor m_offline;
    QUrl m_pageUrl;
    std::unique_ptr<MapPageView> m_view;
};

NUV_SHELL_TEST_MAIN(TestMapPage)
#include "TestMapPage.moc"
