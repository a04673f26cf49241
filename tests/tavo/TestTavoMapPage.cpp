#include "MapPageView.h"
#include "ShellTestMain.h"
#include "WebServer.h"

#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <memory>

// NUV TAVO's map page served by the program's own web server, driven with the calls of the live
// window: the rocket's placemark, its growing track, clearing and flying to it.
class TestTavoMapPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        httpServerConfigFile = QStringLiteral(NUV_TAVO_SERVER_SETTINGS);
        webServer.reset(makeWebServer(qApp));
        m_pageUrl = WebServer::url(QStringLiteral("TAVO.html"));
        QVERIFY(m_pageUrl.isValid());
    }

    void cleanupTestCase() { webServer.reset(); }

    void init()
    {
        m_view = std::make_unique<MapPageView>();
        QVERIFY(m_view->open(m_pageUrl));
        QTRY_VERIFY(m_view->state().value("ready").toBool());
    }

    void cleanup() { m_view.reset(); }

    void liveCallsDraw_data()
    {
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("expected");

        const QStringList track{"appendLineCoord(47.1000000000, 8.5000000000, 512.000000);",
                                "appendLineCoord(47.1010000000, 8.5010000000, 530.500000);",
                                "appendLineCoord(47.1020000000, 8.5020000000, 561.250000);"};
        QTest::newRow("track grows by fix") << track << "lineStringPoints" << QVariant(3);
        QTest::newRow("cleared track starts anew")
            << track + QStringList{"clearLineString();", "appendLineCoord(47.2, 8.6, 520.0);"} << "lineStringPoints"
            << QVariant(1);
        QTest::newRow("clearing an empty track") << QStringList{"clearLineString();"} << "lineStringPoints"
                                                 << QVariant(0);
        QTest::newRow("placemark follows the rocket")
            << QStringList{"setPlacemark(47.1000000000, 8.5000000000);", "setPlacemark(47.1020000000, 8.5020000000);"}
            << "placemark" << QVariant(QVariantList{47.102, 8.502});
        QTest::newRow("a position that is not a number only logs")
            << QStringList{"appendLineCoord(NaN, 8.5, 1.0);", "appendLineCoord(47.1, 8.5, 1.0);"} << "lineStringPoints"
            << QVariant(1);
        QTest::newRow("flying to the placemark alone") << QStringList{"setPlacemark(-33.5, 151.25);", "flyTo();"}
                                                       << "zoom" << QVariant(16);
    }

    void liveCallsDraw()
    {
        QFETCH(QStringList, calls);
        QFETCH(QString, field);
        QFETCH(QVariant, expected);
        for (const QString &call : calls)
            m_view->call(call);
        QTRY_COMPARE_WITH_TIMEOUT(m_view->state().value(field), expected, 10000);
    }

    void flyingToTheTrackShowsAllOfIt()
    {
        m_view->call("appendLineCoord(47.1, 8.5, 500.0);");
        m_view->call("appendLineCoord(47.2, 8.6, 900.0);");
        m_view->call("setPlacemark(47.2, 8.6);");
        m_view->call("flyTo();");
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_view->state().value("center").toList().value(0).toDouble() - 47.15) < 0.01,
                                 10000);
        QVERIFY(qAbs(m_view->state().value("center").toList().value(1).toDouble() - 8.55) < 0.01);
    }

    // Calls that arrive while the page is still building its map are drawn once it exists.
    void callsBeforeTheMapExistsAreKept()
    {
        QWebEngineScript early;
        early.setInjectionPoint(QWebEngineScript::DocumentCreation);
        early.setWorldId(QWebEngineScript::MainWorld);
        early.setSourceCode(QStringLiteral(
            "(function () { var real;"
            "  Object.defineProperty(window, 'nuvMap', { configurable: true,"
            "    get: function () { return real; },"
            "    set: function (value) { real = value; window.earlyState = value.state();"
            "      setPlacemark(47.1, 8.5); appendLineCoord(47.1, 8.5, 500.0); appendLineCoord(47.2, 8.6, 900.0);"
            "      flyTo(); } });"
            "}());"));
        MapPageView view;
        view.page()->scripts().insert(early);
        QVERIFY(view.open(m_pageUrl));
        QTRY_VERIFY(view.state().value("ready").toBool());
        const QVariantMap before = view.evaluate(QStringLiteral("earlyState")).toMap();
        QCOMPARE(before.value("ready").toBool(), false);
        const QVariantMap after = view.state();
        QCOMPARE(after.value("queued").toInt(), 0);
        QCOMPARE(after.value("lineStringPoints").toInt(), 2);
        QCOMPARE(after.value("placemark"), QVariant(QVariantList{47.1, 8.5}));
    }

    // Without the internet there are no tiles; the page is then a grid on a plain background.
    void showsAGridWithoutTiles()
    {
        const QVariantMap shown = m_view->state();
        QVERIFY(shown.value("online").toBool() || shown.value("gridShown").toBool());
    }

    void gridLabelsClearOfTheAttribution_data()
    {
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("zoom");
        QTest::newRow("whole world") << QStringList{} << 2;
        QTest::newRow("pad") << QStringList{"setPlacemark(-33.5, 151.25);", "flyTo();"} << 16;
        QTest::newRow("track") << QStringList{"appendLineCoord(47.377, 8.5415, 500.0);",
                                              "appendLineCoord(47.381, 8.5435, 900.0);", "flyTo();"}
                               << 17;
    }

    // Every coordinate label can be read: none under the attribution in the bottom right corner,
    // none cut by the edge.
    void gridLabelsClearOfTheAttribution()
    {
        QFETCH(QStringList, calls);
        QFETCH(int, zoom);
        for (const QString &call : calls)
            m_view->call(call);
        QTRY_VERIFY_WITH_TIMEOUT(m_view->state().value("zoom").toInt() >= zoom - 1, 10000);
        if (m_view->state().value("online").toBool())
            QSKIP("tiles arrived: the map has no grid");
        const QVariantList labels = m_view->evaluate(QStringLiteral(
            "(function () {"
            "  var attribution = document.querySelector('.leaflet-control-attribution').getBoundingClientRect();"
            "  var edge = document.getElementById('map').getBoundingClientRect().right;"
            "  var labels = document.querySelectorAll('.nuv-grid-label'), under = 0, cut = 0;"
            "  labels.forEach(function (label) {"
            "    var box = label.getBoundingClientRect();"
            "    if (box.right > attribution.left && box.left < attribution.right"
            "        && box.bottom > attribution.top && box.top < attribution.bottom) ++under;"
            "    if (box.right > edge) ++cut; });"
            "  return [labels.length, under, cut];"
            "}())")).toList();
        QCOMPARE(labels.size(), 3);
        QVERIFY(labels[0].toInt() > 4);
        QCOMPARE(labels[1].toInt(), 0);
        QCOMPARE(labels[2].toInt(), 0); // nor cut by the right edge
    }

private:
    QUrl m_pageUrl;
    std::unique_ptr<MapPageView> m_view;
};

NUV_SHELL_TEST_MAIN(TestTavoMapPage)
#include "TestTavoMapPage.moc"
