// Time from process start to NUV QORA's main window painted and to the simulated flight
// computer connected, with scripts/run's set-up (the simulated devices). Each run starts the
// program afresh in a child process of this one; the figures are the median and the slowest.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_startup [runs]
#include "NUVQORAInterface.h"
#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "QoraStartup.h"
#include "StartupTiming.h"

#include <cstdlib>

namespace {

const char *const ChildMark = "NUV_STARTUP_BENCH_CHILD";

int runChild(int argc, char *argv[])
{
    StartupTiming timing;
    return runNuvQora(argc, argv, [&](NUVStudio &window) {
        window.installEventFilter(&timing);
        QObject::connect(window.devicePanel()->deviceInterface(), &NUVQORAInterface::firmwareInitialized, &window,
                         [&] { timing.connected(); });
    });
}

} // namespace

int main(int argc, char *argv[])
{
    if (std::getenv(ChildMark))
        return runChild(argc, argv);
    return StartupTiming::runParent(argc, argv, ChildMark, "device");
}
