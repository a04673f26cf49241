// How NUV QORA's GUI event loop answers while the device window runs a launch emulation in real
// time and another USB device (a ground station) is plugged in and pulled out every 250 ms, as
// a mouse or a USB key would be. A 5 ms timer in the GUI thread notes the gaps between its
// ticks; then "Stop emulation" is clicked and the time until the emulation reports its end is
// taken. Prints the worst gap, the 99th-percentile gap and the stop time.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_devicenotices [seconds of plugging, default 5]

#include "ConsoleSink.h"
#include "DiscardingBuffer.h"
#include "NUVQORAInterface.h"
#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"
#include "UserDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <streambuf>
#include <vector>

namespace {

constexpr int EmulationRows = 1500; // 15 s in real time: longer than the plugging
constexpr int ProbeIntervalMs = 5;
constexpr int PlugIntervalMs = 250;

// Chooses the emulation's data and results files and asks for real time.
class BenchDialogs : public UserDialogs
{
public:
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return QDir::current().filePath(QStringLiteral("flight.csv"));
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return QDir::current().filePath(QStringLiteral("results.csv"));
    }
    QMessageBox::StandardButton message(const Message &) override { return QMessageBox::Yes; }
};

bool writeEmulationData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("header\n");
    for (int i = 0; i < EmulationRows; ++i)
        file.write(QByteArray::number(i * 0.01, 'f', 2) + ",0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n");
    return true;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * values.size()))];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    const int plugSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    DiscardingBuffer discard;
    std::ostream quiet(&discard);
    ConsoleSink::setStream(&quiet);
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    QSettings(QStringLiteral("settings.ini"), QSettings::IniFormat)
        .setValue(QStringLiteral("updateHost"), QStringLiteral("127.0.0.1:1"));
    if (!writeEmulationData(QDir::current().filePath(QStringLiteral("flight.csv")))) {
        std::fprintf(stderr, "cannot write the emulation data\n");
        return 1;
    }
    BenchDialogs dialogs;
    UserDialogs::setCurrent(&dialogs);
    SimulatedHidBackend backend;
    HidBackend::setCurrent(&backend);
    SimulatedFlightComputer computer(backend);
    SimulatedGroundStation otherDevice(backend);

    NUVStudio window(QString{});
    NUVQORAWidget *panel = window.devicePanel();
    const auto button = [panel](const char *name) { return panel->findChild<QPushButton *>(QLatin1String(name)); };
    computer.plugFirmware();
    // Connected once the settings that follow the connection are read.
    const auto connected = [&] {
        return window.ui.console->toPlainText().contains(QLatin1String("Success."))
            && button("emulateLaunch")->isEnabled();
    };
    if (!waitFor(connected, 20000)) {
        std::fprintf(stderr, "the flight computer did not connect\n");
        return 1;
    }
    bool emulationEnded = false;
    QObject::connect(panel->deviceInterface(), &NUVQORAInterface::emulationComplete, panel,
                     [&] { emulationEnded = true; });
    button("emulateLaunch")->click();
    if (!waitFor([&] { return !computer.emulationSteps().empty(); }, 10000)) {
        std::fprintf(stderr, "the emulation did not start\n%s\n", qPrintable(window.ui.console->toPlainText()));
        return 1;
    }

    std::vector<double> gaps;
    QElapsedTimer sinceTick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        gaps.push_back(sinceTick.nsecsElapsed() * 1e-6);
        sinceTick.restart();
    });
    int plugs = 0;
    QTimer plugger;
    QObject::connect(&plugger, &QTimer::timeout, [&] {
        if (otherDevice.mode() == SimulatedGroundStation::Mode::Unplugged) {
            otherDevice.plugBootloader();
            ++plugs;
        } else {
            otherDevice.unplug();
        }
    });
    sinceTick.start();
    probe.start(ProbeIntervalMs);
    plugger.start(PlugIntervalMs);
    QElapsedTimer plugging;
    plugging.start();
    while (plugging.elapsed() < plugSeconds * 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    plugger.stop();
    probe.stop();
    gaps.push_back(sinceTick.nsecsElapsed() * 1e-6); // a block that ended the plugging never saw a tick after it
    QApplication::processEvents();                   // an end reported meanwhile
    const bool endedWhilePlugging = emulationEnded;

    QElapsedTimer stopping;
    stopping.start();
    button("stopEmulation")->click();
    waitFor([&] { return emulationEnded; }, 30000);
    const double stopMs = stopping.nsecsElapsed() * 1e-6;

    std::printf("GUI event loop during a real-time emulation, %d plug-ins and removals of another device in %d s:\n",
                plugs, plugSeconds);
    std::printf("  probe ticks %zu, gap p99 %.1f ms, worst %.1f ms (the timer's own interval is %d ms)\n", gaps.size(),
                percentile(gaps, 0.99), gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()),
                ProbeIntervalMs);
    if (endedWhilePlugging)
        std::printf("  the emulation had ended before \"Stop emulation\" could be clicked\n");
    else
        std::printf("  \"Stop emulation\" clicked: the emulation ended %.0f ms later\n", stopMs);

    UserDialogs::setCurrent(nullptr);
    HidBackend::setCurrent(nullptr);
    ConsoleSink::setStream(nullptr);
    return 0;
}
