// The live window during a long session: its recording and graphs are first filled with one
// hour of the sample flight as the radio carries it (the transmitter's chunks, read by the
// radio's chunk reader), then the simulated ground station streams the flight in real time
// while a file is allocated and autosaved every 10 s. Prints the GUI event loop's latency (how
// late a 5 ms timer fires) while it streams, each event that held the GUI thread over 20 ms, and the
// GUI thread's pause of each autosave.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_livewindow [seconds of streaming, default 60]

#include "ConsoleSink.h"
#include "DiscardingBuffer.h"
#include "FlightRecorder.h"
#include "NUVStudio.h"
#include "NUVTAVOWidget.h"
#include "RadioChunkReader.h"
#include "SampleFlight.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"
#include "TelemetryTransmitter.h"
#include "UserDialogs.h"
#include "Voice.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <deque>
#include <ostream>
#include <streambuf>
#include <vector>

namespace {

constexpr int64_t HourMs = 3600 * 1000;

// Answers the allocation with a file in the working folder; every box is answered at once.
class BenchDialogs : public UserDialogs
{
public:
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return QDir::current().filePath(QStringLiteral("session.qora"));
    }
    QMessageBox::StandardButton message(const Message &) override { return QMessageBox::Ok; }
};

// One hour of the events the radio delivers for the sample flight, flown again and again.
std::vector<std::unique_ptr<NUVEvent>> oneHourOfRadioEvents()
{
    TelemetryTransmitter transmitter(SampleFlight::records());
    RadioChunkReader reader;
    std::deque<uint8_t> fifo;
    std::vector<std::unique_ptr<NUVEvent>> events;
    reader.resetClocks(0);
    for (int64_t now = 0; now < HourMs; now += TelemetryTransmitter::ChunkSpanMs) {
        transmitter.transmit(now, fifo, SIZE_MAX);
        while (!fifo.empty()) {
            const auto next = [&fifo] {
                const uint8_t byte = fifo.front();
                fifo.pop_front();
                return byte;
            };
            reader.read(next, now * 0.001, events);
        }
    }
    return events;
}

double monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Names every event whose delivery holds the GUI thread for more than 20 ms, so that a late
// tick can be traced to what delayed it.
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool streaming = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        // Events of the radio link's and the web engine's threads come here too; only the GUI
        // thread's are timed.
        if (!streaming || m_depth > 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        const int type = event->type();
        const QString name = QString::fromLatin1(receiver->metaObject()->className()) + " "
            + receiver->objectName();
        ++m_depth;
        QElapsedTimer delivery;
        delivery.start();
        const bool handled = QApplication::notify(receiver, event);
        const double ms = delivery.nsecsElapsed() / 1e6;
        --m_depth;
        if (ms > 20)
            std::fprintf(stderr, "  event %d to %s took %.1f ms (ending at %.6f s on the monotonic clock)\n", type,
                         qPrintable(name), ms, monotonicSeconds());
        return handled;
    }

private:
    int m_depth = 0;
};

double percentile(std::vector<double> sorted, double fraction)
{
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : sorted[std::min(sorted.size() - 1, size_t(fraction * sorted.size()))];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    TimingApplication application(argc, argv);
    const int streamingSeconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    DiscardingBuffer discard;
    std::ostream quiet(&discard);
    ConsoleSink::setStream(&quiet);
    Voice::setFactory([] { return std::unique_ptr<Voice>(); });
    BenchDialogs dialogs;
    UserDialogs::setCurrent(&dialogs);

    SimulatedHidBackend backend;
    SimulatedGroundStation station(backend);
    TelemetryTransmitter transmitter(SampleFlight::records());
    HidBackend::setCurrent(&backend);

    NUVStudio window;
    NUVTAVOWidget *live = window.liveWindow();
    auto *recorder = live->findChild<FlightRecorder *>();

    // Connected first: a connection clears the recording.
    station.plugFirmware();
    live->radioLink()->attemptConnection();
    QElapsedTimer connecting;
    connecting.start();
    while (connecting.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    QElapsedTimer clock;
    clock.start();
    const std::vector<std::unique_ptr<NUVEvent>> hour = oneHourOfRadioEvents();
    for (const std::unique_ptr<NUVEvent> &event : hour)
        live->radioLink()->emitEvent(event.get()); // emitted in this thread: delivered at once
    std::fprintf(stderr, "filled with one hour: %zu events in %.1f s\n", live->recordedFlight().events.size(),
                 clock.elapsed() / 1000.0);

    // Each autosave's pause of the GUI thread: the save slot and the report of its end.
    std::vector<double> savePauses;
    live->saveFlightAs();
    recorder->waitForSaves();
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer pause;
        pause.start();
        live->saveFlight();
        const double slot = pause.nsecsElapsed() / 1e6;
        QElapsedTimer written;
        written.start();
        recorder->waitForSaves(); // also runs the report of its end, timed below
        const double total = written.nsecsElapsed() / 1e6;
        savePauses.push_back(slot);
        std::fprintf(stderr, "autosave of %zu events: GUI thread %.2f ms in the slot; written in %.0f ms by the "
                             "recorder's thread\n",
                     live->recordedFlight().events.size(), slot, total);
    }
    QElapsedTimer synchronous;
    synchronous.start();
    live->recordedFlight().save(workDir.filePath(QStringLiteral("synchronous.qora")).toStdWString());
    std::fprintf(stderr, "for comparison, the same save in the GUI thread: %.0f ms\n", synchronous.nsecsElapsed() / 1e6);

    // Streaming: the station hears the flight in real time; a 5 ms timer measures the loop.
    station.setTransmitter(&transmitter);
    std::vector<double> lateness;
    QElapsedTimer streaming;
    streaming.start();
    QElapsedTimer sinceTick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (sinceTick.isValid()) {
            lateness.push_back(std::max(0.0, sinceTick.nsecsElapsed() / 1e6 - probe.interval()));
            if (lateness.back() > 20)
                std::fprintf(stderr, "  %.2f ms late at %.1f s\n", lateness.back(), streaming.elapsed() / 1000.0);
        }
        sinceTick.start();
    });
    const size_t before = live->recordedFlight().events.size();

    application.streaming = true;
    probe.start(5);
    QTimer::singleShot(streamingSeconds * 1000, &application, &QApplication::quit);
    application.exec();
    probe.stop();
    std::fprintf(stderr,
                 "streamed %d s: %zu events received, GUI event loop lateness median %.2f ms, 99th percentile "
                 "%.2f ms, maximum %.2f ms (%zu ticks)\n",
                 streamingSeconds, live->recordedFlight().events.size() - before, percentile(lateness, 0.5),
                 percentile(lateness, 0.99), percentile(lateness, 1.0), lateness.size());

    station.unplug();
    HidBackend::setCurrent(nullptr);
    UserDialogs::setCurrent(nullptr);
    ConsoleSink::setStream(nullptr);
    return 0;
}
