// Time from process start to NUV TAVO's main window painted and to the simulated ground station
// connected, with scripts/run's set-up (the simulated devices). Each run starts the program
// afresh in a child process of this one; the figures are the median and the slowest.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_tavo_startup [runs]
#include "NUVStudio.h"
#include "NUVTAVOInterface.h"
#include "NUVTAVOWidget.h"
#include "StartupTiming.h"
#include "TavoStartup.h"
#include "WebServer.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

const char *const ChildMark = "NUV_TAVO_STARTUP_BENCH_CHILD";

StartupTiming *timing = nullptr;

// The window paints first while it is being built, before the program hands it out, so the
// watch is on the whole application from its creation.
void watchPaints()
{
    if (!std::getenv(ChildMark))
        return;
    timing = new StartupTiming;
    qApp->installEventFilter(timing);
}
Q_COREAPP_STARTUP_FUNCTION(watchPaints)

int runChild(int argc, char *argv[])
{
    httpServerConfigFile = QStringLiteral(NUV_TAVO_SERVER_SETTINGS);
    return runNuvTavo(argc, argv, [](NUVStudio &window) {
        QObject::connect(window.liveWindow()->radioLink(), &NUVTAVOInterface::firmwareInitialized, &window,
                         [] { timing->connected(); });
    });
}

} // namespace

int main(int argc, char *argv[])
{
    if (std::getenv(ChildMark))
        return runChild(argc, argv);
    return StartupTiming::runParent(argc, argv, ChildMark, "ground station");
}
