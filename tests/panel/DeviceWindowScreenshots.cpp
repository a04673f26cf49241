// Writes PNG files of NUV QORA's device window, connected to the simulated flight computer
// standing on its pad as scripts/run shows it, one per tab and live data tab, for a reviewer
// to look at.
// Needs a display (xvfb-run -a works).
//   device_window_screenshots <output folder>
#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "SampleFlight.h"
#include "SampleFlightMemory.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"
#include "WebServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void save(QWidget &window, const QDir &folder, const QString &name)
{
    QApplication::processEvents();
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    shot.save(path);
    std::printf("%s\n", qPrintable(path));
}

void waitFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    httpServerConfigFile = QStringLiteral(NUV_QORA_SERVER_SETTINGS); // the map pages assembled for the program
    webServer.reset(makeWebServer(&application));

    SimulatedHidBackend backend;
    SimulatedFlightComputer computer(backend);
    HidBackend::setCurrent(&backend);
    computer.setMemoryImage(SampleFlightMemory::build());
    computer.setLiveSource([pad = SampleFlight::PadReadings()](uint8_t code) mutable { return pad.next(code); });
    computer.plugBootloader();

    NUVStudio window(QString{});
    window.resize(1600, 1000);
    NUVQORAWidget *panel = window.devicePanel();
    auto *mainTabs = panel->findChild<QTabWidget *>(QStringLiteral("mainTabs"));
    auto *liveTabs = panel->findChild<QTabWidget *>(QStringLiteral("liveTabs"));
    waitFor(3000);
    save(window, folder, QStringLiteral("device-control"));

    mainTabs->setCurrentIndex(1);
    for (int i = 0; i < liveTabs->count(); ++i) {
        liveTabs->setCurrentIndex(i);
        if (liveTabs->widget(i)->objectName() == QLatin1String("tab_10")) {
            waitFor(1500); // the first fix
            panel->findChild<QPushButton *>(QStringLiteral("focusOnTarget"))->click();
        }
        waitFor(2500);
        save(window, folder, QStringLiteral("device-live-%1").arg(liveTabs->widget(i)->objectName()));
    }

    mainTabs->setCurrentIndex(2);
    panel->findChild<QPushButton *>(QStringLiteral("downloadFlights"))->click();
    waitFor(4000);
    save(window, folder, QStringLiteral("device-download"));

    mainTabs->setCurrentIndex(3);
    waitFor(1000);
    save(window, folder, QStringLiteral("device-settings"));
    HidBackend::setCurrent(nullptr);
    return 0;
}
