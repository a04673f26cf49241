// Time from process start to NUV QORA's main window painted and to the simulated flight
// computer connected, with scripts/run's set-up (the simulated devices). Each run starts the
// program afresh in a child process of this one; the figures are the median and the slowest.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_startup [runs]
#include "NUVQORAInterface.h"
#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "QoraStartup.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

const char *const ChildMark = "NUV_STARTUP_BENCH_CHILD";

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Notes the first paint of the main window.
class PaintWatch : public QObject
{
public:
    double paintedAt = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && paintedAt == 0)
            paintedAt = monotonicMs(); // the paint is under way; it ends within this event
        return QObject::eventFilter(watched, event);
    }
};

// The program itself, reporting its two moments on standard error and quitting once both are seen.
int runChild(int argc, char *argv[])
{
    PaintWatch paint;
    double connectedAt = 0;
    return runNuvQora(argc, argv, [&](NUVStudio &window) {
        window.installEventFilter(&paint);
        auto reportWhenDone = [&] {
            if (paint.paintedAt == 0 || connectedAt == 0)
                return;
            std::fprintf(stderr, "BENCH painted %.3f connected %.3f\n", paint.paintedAt, connectedAt);
            QCoreApplication::quit();
        };
        QObject::connect(window.devicePanel()->deviceInterface(), &NUVQORAInterface::firmwareInitialized, &window,
                         [&, reportWhenDone] {
                             connectedAt = monotonicMs();
                             reportWhenDone();
                         });
        auto *poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, &window, reportWhenDone);
        poll->start(5);
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
        std::printf("run %d: window painted after %.0f ms, device connected after %.0f ms\n", run + 1,
                    painted.back(), connected.back());
    }
    std::printf("median: painted %.0f ms, connected %.0f ms; slowest: painted %.0f ms, connected %.0f ms\n",
                median(painted), median(connected), *std::max_element(painted.begin(), painted.end()),
                *std::max_element(connected.begin(), connected.end()));
    return 0;
}
