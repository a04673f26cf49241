// Opens a generated flight of about one million events from its file into a flight window
// (load, processing, every series, the figures, the map page calls) and trims it; reports the
// seconds of each step and the peak memory.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_flight_window [folder, default /tmp]
#include "ConsoleSink.h"
#include "DiscardingBuffer.h"
#include "NUVQORAFlight.h"
#include "NUVQORAFlightSubWindow.h"
#include "NUVQORAFlightWidget.h"
#include "NUVStudio.h"
#include "SyntheticFlight.h"
#include "UserDialogs.h"
#include "WebServer.h"

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QQueue>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <ostream>
#include <streambuf>

namespace {

// Answers the trim's two questions.
class TrimAnswers : public UserDialogs
{
public:
    QQueue<double> numbers;
    std::optional<double> number(const NumberRequest &) override
    {
        return numbers.isEmpty() ? std::nullopt : std::optional<double>(numbers.dequeue());
    }
};

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Wall-clock seconds and the calling thread's processor seconds; the machine's load shows in
// the first only.
struct Duration
{
    double wall = 0;
    double processor = 0;
    Duration operator+(const Duration &other) const { return {wall + other.wall, processor + other.processor}; }
    QString text() const { return QString::asprintf("%.3f (%.3f)", wall, processor); }
};

template<class F>
Duration measure(F &&work)
{
    const auto start = std::chrono::steady_clock::now();
    const double processorStart = threadSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            threadSeconds() - processorStart};
}

} // namespace

// The sensors that the generated flight leaves out, so that every graph of the window has
// points: attitude, magnetometer and status at 10 Hz, the slow readings at 1 Hz.
void addOtherSensors(const SyntheticFlight &generated)
{
    NUVQORAFlight &flight = *generated.flight;
    const float end = flight.events.back()->time;
    for (int step = 0; step * 0.1f <= end; ++step) {
        const float t = step * 0.1f;
        auto *mag = addEvent<NUVEvent_MagXYZ>(flight, t);
        mag->x = 0.2f, mag->y = -0.1f, mag->z = 0.4f;
        addEvent<NUVEvent_Orientation>(flight, t)->w = 0.1f;
        auto *status = addEvent<NUVEvent_Status>(flight, t);
        status->state = t < generated.burnout - 2.0 ? FlightPhase::Pad
                        : t < generated.burnout     ? FlightPhase::Boost
                        : t < generated.apogee      ? FlightPhase::Coast
                        : t < generated.landing     ? FlightPhase::ApogeeOrDescent
                                                    : FlightPhase::Ground;
        status->lineOn = {t >= generated.apogee, t >= generated.apogee + 1.0, false, false};
        if (step % 10 != 0)
            continue;
        addEvent<NUVEvent_Temperature>(flight, t)->temperature = 21.0f;
        addEvent<NUVEvent_ComputerBattery>(flight, t)->voltage = 7.9f;
        addEvent<NUVEvent_EjectionBattery>(flight, t)->voltage = 8.1f;
        addEvent<NUVEvent_LineA>(flight, t)->voltage = 0.1f;
        addEvent<NUVEvent_LineB>(flight, t)->voltage = 0.1f;
        addEvent<NUVEvent_LineC>(flight, t)->voltage = 0.0f;
        addEvent<NUVEvent_LineD>(flight, t)->voltage = 0.0f;
        addEvent<NUVEvent_RSSI>(flight, t)->rssi = -80.0f;
    }
}

int generate(const QString &path)
{
    DiscardingBuffer discard;
    std::ostream quiet(&discard);
    ConsoleSink::setStream(&quiet);
    SyntheticFlight::Profile profile;
    profile.launch = 5450.0; // with the flight itself and the other sensors, about 1.0 million events
    SyntheticFlight generated(profile);
    addOtherSensors(generated);
    std::fprintf(stderr, "%zu", generated.flight->events.size());
    // Loading sorts the events by time.
    return generated.flight->save(path.toStdWString()) ? 0 : 1;
}

int main(int argc, char *argv[])
{
    if (argc > 2 && !std::strcmp(argv[1], "--generate"))
        return generate(QString::fromLocal8Bit(argv[2]));
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    QTemporaryDir work(QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath()).filePath("bench-XXXXXX"));
    QDir::setCurrent(work.path());
    DiscardingBuffer discard;
    std::ostream quiet(&discard);
    ConsoleSink::setStream(&quiet);
    webServer.reset(makeWebServer(&application));

    // Generated and saved by a process of its own, so that the peak memory below is the window's.
    const QString path = work.filePath(QStringLiteral("bench.qora"));
    QProcess generator;
    generator.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--generate"), path});
    if (!generator.waitForFinished(-1) || generator.exitCode() != 0) {
        std::fprintf(stderr, "could not generate the flight\n");
        return 1;
    }
    const std::size_t events = QString::fromLatin1(generator.readAllStandardError()).toULongLong();

    NUVStudio mainWindow(QString(), nullptr);
    QApplication::processEvents();
    // The steps of the main window's opening of a flight file, timed one by one.
    auto flight = std::make_shared<NUVQORAFlight>();
    const Duration load = measure([&] { flight->load(path.toStdWString()); });
    NUVQORAFlightWidget *window = nullptr;
    const Duration build = measure([&] {
        window = new NUVQORAFlightWidget(&mainWindow, flight);
        auto *frame = new NUVQORAFlightSubWindow();
        frame->setWidget(window);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        mainWindow.ui.mdiArea->addSubWindow(frame);
        frame->show();
    });
    const Duration map = measure([&] { window->findChild<QPushButton *>(QStringLiteral("populateGPSData"))->click(); });
    const Duration shown = measure([&] { QApplication::processEvents(); }); // axes fitted, painted
    const Duration open = load + build + map + shown;
    const double openPeak = peakMegabytes();

    const Duration repopulation = measure([&] {
        window->populateData();
        window->populateGPSData();
    });

    TrimAnswers answers;
    UserDialogs::setCurrent(&answers);
    // The pad's first 100 s cut away: nearly the whole flight is processed and shown again.
    const double trimStart = flight->events.front()->time + 100.0;
    const double trimEnd = flight->events.back()->time;
    answers.numbers << trimStart << trimEnd;
    const Duration trim = measure([&] { mainWindow.ui.actionTrimTime->trigger(); });
    UserDialogs::setCurrent(nullptr);

    std::fprintf(stderr, "seconds of wall-clock time (of the GUI thread's processor time)\n");
    std::fprintf(stderr, "flight of %zu events opened into its window: %s\n", events, qPrintable(open.text()));
    std::fprintf(stderr, "  file load with sorting and processing %s\n", qPrintable(load.text()));
    std::fprintf(stderr, "  window with every series and the figures %s\n", qPrintable(build.text()));
    std::fprintf(stderr, "  map page calls %s\n", qPrintable(map.text()));
    std::fprintf(stderr, "  first paint %s\n", qPrintable(shown.text()));
    std::fprintf(stderr, "re-population of the window: %s\n", qPrintable(repopulation.text()));
    std::fprintf(stderr, "trim command to [%.0f s, %.0f s], the flight's rebuild and the re-population: %s\n",
                 trimStart, trimEnd, qPrintable(trim.text()));
    std::fprintf(stderr, "peak memory: %.0f MB with the window open, %.0f MB in all\n", openPeak, peakMegabytes());
    window->setWindowModified(false); // the trimmed flight is not to be saved
    mainWindow.ui.mdiArea->closeAllSubWindows();
    return 0;
}
