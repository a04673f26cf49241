// Writes a PNG file of every tab of NUV TAVO's live window while the simulated ground station
// hears the sample flight, for a reviewer to look at. Needs a display and about a minute:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/tests/tavo/livewindow_screenshots <output folder> [seconds]
#include "ConsoleSink.h"
#include "NUVStudio.h"
#include "NUVTAVOWidget.h"
#include "SampleFlight.h"
#include "ScriptedDialogs.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"
#include "TelemetryTransmitter.h"
#include "Voice.h"
#include "WebServer.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sstream>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: livewindow_screenshots <output folder> [seconds of streaming]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const int streamingMs = (argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 45) * 1000;
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    std::ostringstream linkTrace;
    ConsoleSink::setStream(&linkTrace);
    Voice::setFactory([] { return std::unique_ptr<Voice>(); });
    ScriptedDialogs dialogs; // the recording file is never asked for on screen
    httpServerConfigFile = QStringLiteral(NUV_TAVO_SERVER_SETTINGS);
    webServer.reset(makeWebServer(&application));
    QSettings(QStringLiteral("tavo_settings.ini"), QSettings::IniFormat)
        .setValue(QStringLiteral("GPSCoordinateFormat"), 2);

    SimulatedHidBackend backend;
    SimulatedGroundStation station(backend);
    TelemetryTransmitter transmitter(SampleFlight::records());
    station.setTransmitter(&transmitter);
    HidBackend::setCurrent(&backend);
    station.plugFirmware();
    bool saved = true;
    {
        NUVStudio window;
        QTest::qWait(streamingMs);
        auto *tabs = window.liveWindow()->findChild<QTabWidget *>(QStringLiteral("liveTabs"));
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            // The map page repaints at its new size slowly with software rendering on a busy machine.
            QTest::qWait(2500);
            const QString path = folder.filePath(QStringLiteral("tavo_live_%1_%2.png").arg(i).arg(tabs->widget(i)->objectName()));
            if (!window.screen()->grabWindow(window.winId()).save(path)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                saved = false;
            }
        }
    }
    station.unplug();
    HidBackend::setCurrent(nullptr);
    webServer.reset();
    ConsoleSink::setStream(nullptr);
    return saved ? 0 : 1;
}
