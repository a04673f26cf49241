// Time from process start to NUV TAVO's main window painted and to the simulated ground station
// connected, with scripts/run's set-up (the simulated devices). Each run starts the program
// afresh in a child process of this one; the figures are the median and the slowest.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_tavo_startup [runs]
#include "NUVStudio.h"
#include "NUVTAVOInterface.h"
#include "NUVTAVOWidget.h"
#include "TavoStartup.h"
#include "WebServer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

const char *const ChildMark = "NUV_TAVO_STARTUP_BENCH_CHILD";

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The moments of the child run, reported on standard error once both are seen.
struct Moments
{
    double paintedAt = 0;
    double connectedAt = 0;

    void report()
    {
        if (paintedAt == 0 || connectedAt == 0)
            return;
        std::fprintf(stderr, "BENCH painted %.3f connected %.3f\n", paintedAt, connectedAt);
        QCoreApplication::quit();
    }
} moments;

// The window paints first while it is being built, before the program hands it out, so the
// watch is on the whole application from its creation.
class PaintWatch : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && moments.paintedAt == 0) {
            moments.paintedAt = monotonicMs(); // the paint is under way; it ends within this event
            moments.report();
        }
        return QObject::eventFilter(watched, event);
    }
};

void watchPaints()
{
    if (std::getenv(ChildMark))
        qApp->installEventFilter(new PaintWatch);
}
Q_COREAPP_STARTUP_FUNCTION(watchPaints)

int runChild(int argc, char *argv[])
{
    httpServerConfigFile = QStringLiteral(NUV_TAVO_SERVER_SETTINGS);
    return runNuvTavo(argc, argv, [](NUVStudio &window) {
        QObject::connect(window.liveWindow()->radioLink(), &NUVTAVOInterface::firmwareInitialized, &window, [] {
            moments.connectedAt = monotonicMs();
            moments.report();
        });
    });
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (std::getenv(ChildMark))
        return runChild(argc, argv);

    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<double> painted, connected;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir work;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(ChildMark, "1");
        environment.insert("NUV_HID_BACKEND", "simulator");
        environment.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(work.path());
        child.setStandardOutputFile(QProcess::nullDevice());
        const double startedAt = monotonicMs();
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        if (!child.waitForFinished(60000)) {
            std::fprintf(stderr, "run %d did not finish\n", run + 1);
            return 1;
        }
        double paintedAt = 0, connectedAt = 0;
        for (const QByteArray &line : child.readAllStandardError().split('\n')) {
            if (std::sscanf(line.constData(), "BENCH painted %lf connected %lf", &paintedAt, &connectedAt) == 2)
                break;
        }
        if (paintedAt == 0) {
            std::fprintf(stderr, "run %d reported nothing\n", run + 1);
            return 1;
        }
        painted.push_back(paintedAt - startedAt);
        connected.push_back(connectedAt - startedAt);
        std::printf("run %d: window painted after %.0f ms, ground station connected after %.0f ms\n", run + 1,
                    painted.back(), connected.back());
    }
    std::printf("median: painted %.0f ms, connected %.0f ms; slowest: painted %.0f ms, connected %.0f ms\n",
                median(painted), median(connected), *std::max_element(painted.begin(), painted.end()),
                *std::max_element(connected.begin(), connected.end()));
    return 0;
}
