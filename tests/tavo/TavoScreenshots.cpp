// Writes PNG files of NUV TAVO's main window on the simulated ground station, its settings
// dialog and its map page with a track, for a reviewer to look at. Needs a display:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/tests/tavo/tavo_screenshots <output folder>
#include "ApplicationSettingsWidget.h"
#include "ConsoleSink.h"
#include "MapPageView.h"
#include "NUVStudio.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"
#include "Voice.h"
#include "WebServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

constexpr double WorldZoom = 2; // the page's first view

bool save(const QPixmap &picture, const QDir &folder, const QString &name)
{
    const QString path = folder.filePath(name);
    if (picture.save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// The whole window as on screen, the web view's GL content included.
QPixmap onScreen(QWidget &window)
{
    return window.screen()->grabWindow(window.winId());
}

// A climb, drift and descent north of the pad, as the live window draws it fix by fix.
QStringList trackCalls()
{
    QStringList calls;
    const double padLatitude = 47.3769, padLongitude = 8.5417;
    for (int i = 0; i <= 40; ++i) {
        const double drift = i / 40.0;
        const double altitude = 1500.0 * std::sin(M_PI * drift);
        const double latitude = padLatitude + 0.004 * drift;
        const double longitude = padLongitude + 0.002 * std::sin(2.0 * drift);
        calls << QStringLiteral("appendLineCoord(%1, %2, %3);").arg(latitude, 0, 'f', 10).arg(longitude, 0, 'f', 10).arg(altitude, 0, 'f', 6)
              << QStringLiteral("setPlacemark(%1, %2);").arg(latitude, 0, 'f', 10).arg(longitude, 0, 'f', 10);
    }
    return calls << QStringLiteral("flyTo();");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavo_screenshots <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    std::ostringstream linkTrace;
    ConsoleSink::setStream(&linkTrace);
    Voice::setFactory([] { return std::unique_ptr<Voice>(); });
    httpServerConfigFile = QStringLiteral(NUV_TAVO_SERVER_SETTINGS);
    webServer.reset(makeWebServer(&application));

    SimulatedHidBackend backend;
    SimulatedGroundStation station(backend);
    HidBackend::setCurrent(&backend);
    station.plugBootloader();
    bool saved = true;
    {
        NUVStudio window;
        QTest::qWait(1500);
        saved &= save(onScreen(window), folder, QStringLiteral("tavo_mainwindow.png"));

        ApplicationSettingsWidget dialog(&window, window.settings());
        dialog.show();
        QTest::qWait(300);
        saved &= save(dialog.grab(), folder, QStringLiteral("tavo_settings.png"));
    }
    station.unplug();
    HidBackend::setCurrent(nullptr);

    MapPageView map;
    map.resize(1000, 700);
    if (!map.open(WebServer::url(QStringLiteral("TAVO.html")))) {
        std::fprintf(stderr, "the map page did not load\n");
        return 1;
    }
    for (const QString &call : trackCalls())
        map.call(call);
    // The flight to the track ends on a whole zoom level; software rendering makes it slow.
    QElapsedTimer flying;
    flying.start();
    auto landed = [&map] {
        const double zoom = map.state().value(QStringLiteral("zoom")).toDouble();
        return zoom > WorldZoom && std::fmod(zoom, 1.0) == 0.0;
    };
    while (!landed() && flying.elapsed() < 30000)
        QTest::qWait(250);
    QTest::qWait(500);
    saved &= save(onScreen(map), folder, QStringLiteral("tavo_map.png"));
    webServer.reset();
    return saved ? 0 : 1;
}
