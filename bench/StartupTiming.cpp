#include "StartupTiming.h"

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

double StartupTiming::monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

int StartupTiming::runParent(int argc, char *argv[], const char *childMark, const char *deviceName)
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<double> painted, connected;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir work;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(childMark, "1");
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
        std::printf("run %d: window painted after %.0f ms, %s connected after %.0f ms\n", run + 1, painted.back(),
                    deviceName, connected.back());
    }
    std::printf("median: painted %.0f ms, connected %.0f ms; slowest: painted %.0f ms, connected %.0f ms\n",
                median(painted), median(connected), *std::max_element(painted.begin(), painted.end()),
                *std::max_element(connected.begin(), connected.end()));
    return 0;
}

void StartupTiming::connected()
{
    m_connectedAt = monotonicMs();
    reportWhenBothSeen();
}

bool StartupTiming::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && m_paintedAt == 0) {
        m_paintedAt = monotonicMs(); // the paint is under way; it ends within this event
        reportWhenBothSeen();
    }
    return QObject::eventFilter(watched, event);
}

void StartupTiming::reportWhenBothSeen()
{
    if (m_paintedAt == 0 || m_connectedAt == 0)
        return;
    std::fprintf(stderr, "BENCH painted %.3f connected %.3f\n", m_paintedAt, m_connectedAt);
    QCoreApplication::quit();
}
