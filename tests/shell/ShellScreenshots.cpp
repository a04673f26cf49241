// Writes PNG files of NUV QORA's main window (with the device window connected to the
// simulated flight computer, and with a flight window), the application settings dialog and
// the map page drawing the sample flight's track, for a reviewer to look at. Needs a display:
//   xvfb-run -a -s "-screen 0 1920x1080x24" shell_screenshots <output folder>
#include "ApplicationSettingsWidget.h"
#include "ConsoleSink.h"
#include "FlightTrackScripts.h"
#include "NUVStudio.h"
#include "SampleFlightFile.h"
#include "SimulatedHidBackend.h"
#include "WebServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <sstream>

namespace {

void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QWidget *widget, const QDir &folder, const char *name)
{
    const bool saved = widget->grab().save(folder.filePath(QString::fromLatin1(name)));
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", name);
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("NUV_HID_BACKEND", "simulator");
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    std::ostringstream console;
    ConsoleSink::setStream(&console);
    SimulatedHidBackend::registerWithPlatform();
    httpServerConfigFile = QStringLiteral(NUV_QORA_SERVER_SETTINGS);
    webServer.reset(makeWebServer(&application));

    bool saved = true;
    {
        NUVStudio window(QString{});
        window.resize(1600, 1000);
        settle(4000); // connects, starts the firmware, reads settings, live readings flow
        saved &= save(&window, folder, "main-window-device.png");

        window.addFlight(downloadedSampleFlight(), QStringLiteral("Downloaded flight 1"));
        settle(2000);
        saved &= save(&window, folder, "main-window-flight.png");

        ApplicationSettingsWidget dialog(&window, window.settings());
        dialog.show();
        settle(300);
        saved &= save(&dialog, folder, "settings-dialog.png");
    }

    QWebEngineView map;
    map.resize(1000, 700);
    map.show();
    map.load(WebServer::url(QStringLiteral("QORA.html")));
    settle(3000);
    const auto flight = downloadedSampleFlight();
    flight->buildSplines();
    for (const QString &script : FlightTrackScripts::build(*flight, false))
        map.page()->runJavaScript(script);
    map.page()->runJavaScript(QStringLiteral("flyTo();"));
    settle(5000);
    saved &= save(&map, folder, "map-page-track.png");
    ConsoleSink::setStream(nullptr);
    return saved ? 0 : 1;
}
