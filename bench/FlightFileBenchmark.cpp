// Saves, loads (with its sort and processing) and exports a generated flight of about one
// million events, and processes a one-hour recording; then opens flight files of up to 1 MB
// whose times are damaged, each read alone, then opened whole with the figures of a flight
// window. Reports seconds, MB/s and the peak memory of each step, each step in a process of
// its own.
//   bench_flightfile [folder for the files, default /tmp]

#include "ConsoleSink.h"
#include "DiscardingBuffer.h"
#include "FlightFile.h"
#include "FlightFileBytes.h"
#include "FlightTestSupport.h"
#include "SyntheticFlight.h"

#include <sys/resource.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ostream>
#include <streambuf>

namespace {

// Sends the flight code's progress lines nowhere while it lives.
class SilencedConsole
{
public:
    SilencedConsole() { ConsoleSink::setStream(&m_nowhere); }
    ~SilencedConsole() { ConsoleSink::setStream(nullptr); }

private:
    DiscardingBuffer m_discard;
    std::ostream m_nowhere{&m_discard};
};

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

template<class F>
double seconds(F &&work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double megabytes(const QString &path)
{
    return QFileInfo(path).size() / 1e6;
}

std::unique_ptr<NUVQORAFlight> generated(double launch)
{
    SyntheticFlight::Profile profile;
    profile.launch = launch;
    return std::move(SyntheticFlight(profile).flight);
}

// Flight files whose times say more than their events do: a damaged time stretches the
// span that processing steps through.
struct DamagedCase
{
    const char *name;
    std::function<std::unique_ptr<NUVQORAFlight>()> make;
    std::string (*bytes)() = nullptr; // a file written byte by byte instead of a made flight
};

std::unique_ptr<NUVQORAFlight> pressureAt(std::initializer_list<float> times)
{
    auto flight = std::make_unique<NUVQORAFlight>();
    for (const float time : times)
        addEvent<NUVEvent_Pressure>(*flight, time)->pressure = 100000.0f;
    return flight;
}

// The first 802 events of a generated flight (about six seconds on the pad), one of their
// times with its top byte changed, as a single damaged byte in a file would do.
std::unique_ptr<NUVQORAFlight> padWithOneDamagedTime(bool damaged)
{
    auto flight = generated(10.0);
    flight->events.resize(802);
    if (damaged) {
        float &time = flight->events[400]->time; // about 2.8 s
        uint32_t bits;
        std::memcpy(&bits, &time, 4);
        bits = (bits & 0x00FFFFFFu) | 0x4A000000u; // now about 2,900,000 s
        std::memcpy(&time, &bits, 4);
    }
    return flight;
}

// A file of about 1 MB whose readings are spread evenly over the given span, no launch in it.
std::unique_ptr<NUVQORAFlight> spreadReadings(float span)
{
    auto flight = std::make_unique<NUVQORAFlight>();
    const int count = 22500;
    for (int i = 0; i < count; ++i) {
        const float time = span * float(i) / float(count);
        addEvent<NUVEvent_Pressure>(*flight, time)->pressure = 100000.0f + 300.0f * float(i % 7);
        addEvent<NUVEvent_AccelZ>(*flight, time)->acceleration = 1.0f;
    }
    return flight;
}

// One event of the given class at each of the times.
template<class Event>
std::unique_ptr<NUVQORAFlight> eventsAt(std::initializer_list<float> times)
{
    auto flight = std::make_unique<NUVQORAFlight>();
    for (const float time : times)
        addEvent<Event>(*flight, time);
    return flight;
}

// A signal-strength reading far before a pressure reading: the busiest span holds the
// signal strength alone.
std::unique_ptr<NUVQORAFlight> signalStrengthBeforePressure()
{
    auto flight = eventsAt<NUVEvent_RSSI>({-1653049.0f});
    addEvent<NUVEvent_Pressure>(*flight, 0.0f)->pressure = 100000.0f;
    return flight;
}

// The densest file of 1 MB: 80,600 readings of 13 bytes each (untracked classes, the oldest
// versions), 0.1 s apart from 70,000 s on, where a 0.01 s step rounds down to 0.0078 s. The
// pressure never settles, so every search runs to the end.
std::string densestReadings()
{
    const int count = 80600;
    FlightFileBytes file;
    file.flightStart(count);
    for (int i = 0; i < count; ++i) {
        const bool pressure = i % 2 == 0;
        file.u16(pressure ? PressureId : AccelZId);
        if (i < 2)
            file.classInfo(false, pressure ? 0 : 1);
        if (i == 0)
            file.classInfo(false, 0); // the head, its time in milliseconds
        file.f32(3.3f).u8(0).u32(70000000u + 100u * uint32_t(i));
        file.u16(pressure ? uint16_t(10000 + 300 * (i % 7)) : uint16_t(256)); // 1 g
    }
    return file.defaultTail().bytes;
}

const DamagedCase damagedCases[] = {
    {"events at 0 s and 2,097,000 s", [] { return pressureAt({0.0f, 2097000.0f}); }},
    {"events at -2,097,000 s and 2,097,000 s", [] { return pressureAt({-2097000.0f, 2097000.0f}); }},
    {"802 events on the pad, undamaged", [] { return padWithOneDamagedTime(false); }},
    {"802 events on the pad, one time damaged", [] { return padWithOneDamagedTime(true); }},
    {"45,000 readings spread over 6 hours", [] { return spreadReadings(6 * 3600.0f); }},
    {"45,000 readings spread over 30 days", [] { return spreadReadings(30 * 86400.0f); }},
    {"45,000 readings spread over 75 minutes", [] { return spreadReadings(4500.0f); }},
    {"45,000 readings at one time", [] { return spreadReadings(0.0f); }},
    {"one signal strength at -1,653,049 s", [] { return eventsAt<NUVEvent_RSSI>({-1653049.0f}); }},
    {"one text at -1,653,049 s", [] { return eventsAt<NUVEvent_Text>({-1653049.0f}); }},
    {"one status at -1,653,049 s", [] { return eventsAt<NUVEvent_Status>({-1653049.0f}); }},
    {"signal strength at -1,653,049 s, pressure at 0", signalStrengthBeforePressure},
    {"80,600 readings of 13 bytes over 2 hours", nullptr, densestReadings},
};

// make: writes the case's file; read: reads it without processing; open: loads it whole.
int runDamagedStep(const char *step, int index, const QString &path)
{
    const DamagedCase &damaged = damagedCases[index];
    const SilencedConsole silence;
    bool ok = false;
    NUVQORAFlight flight;
    if (!std::strcmp(step, "make")) {
        if (damaged.bytes) {
            const QByteArray bytes = QByteArray::fromStdString(damaged.bytes());
            QFile file(path);
            ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        } else {
            ok = damaged.make()->save(path.toStdWString());
        }
    } else if (!std::strcmp(step, "read")) {
        const double s = seconds([&] { ok = FlightFile::read(flight, path.toStdWString()); });
        std::fprintf(stderr, "%-42s %8.0f bytes, %6zu events: read %.3f s, peak %4.0f MB;", damaged.name,
                     QFileInfo(path).size() * 1.0, flight.events.size(), s, peakMegabytes());
    } else if (!std::strcmp(step, "open")) {
        const double s = seconds([&] { ok = flight.load(path.toStdWString()); });
        const std::size_t steps = flight.velocity.size();
        const double figures = seconds([&] { askWindowFigures(flight); });
        std::fprintf(stderr, " opened %.3f s, figures %.3f s, peak %4.0f MB, %zu filter steps\n", s, figures,
                     peakMegabytes(), steps);
    }
    return ok ? 0 : 1;
}

// One step; its report goes to standard error, the flight code's progress lines nowhere.
int runStep(const char *step, const QString &flightPath, const QString &csvPath)
{
    const SilencedConsole silence;
    bool ok = false;
    if (!std::strcmp(step, "save")) {
        const auto flight = generated(6900.0); // with the flight itself, about 1.0 million events
        const double generatedPeak = peakMegabytes();
        const double s = seconds([&] { ok = flight->save(flightPath.toStdWString()); });
        std::fprintf(stderr, "save:   %zu events, %.1f MB file, %.3f s, %.1f MB/s, peak %.0f MB (%.0f MB of it "
                             "the generated flight)\n",
                     flight->events.size(), megabytes(flightPath), s, megabytes(flightPath) / s, peakMegabytes(),
                     generatedPeak);
    } else if (!std::strcmp(step, "load")) {
        NUVQORAFlight flight;
        const double s = seconds([&] { ok = flight.load(flightPath.toStdWString()); });
        std::fprintf(stderr, "load:   %zu events, %.3f s (read, sort, processing), %.1f MB/s, peak %.0f MB\n",
                     flight.events.size(), s, megabytes(flightPath) / s, peakMegabytes());
    } else if (!std::strcmp(step, "csv")) {
        NUVQORAFlight flight;
        ok = flight.load(flightPath.toStdWString());
        const double s = seconds([&] { ok = ok && flight.exportCSV(csvPath.toStdWString()); });
        std::fprintf(stderr, "CSV:    %.1f MB, %.3f s, %.1f MB/s, peak %.0f MB (loaded flight included)\n",
                     megabytes(csvPath), s, megabytes(csvPath) / s, peakMegabytes());
    } else if (!std::strcmp(step, "process")) {
        const auto flight = generated(3400.0); // one hour in all
        const double s = seconds([&] { flight->buildSplines(); });
        ok = !flight->velocity.empty();
        std::fprintf(stderr, "processing of a one-hour recording (%zu events): %.3f s\n", flight->events.size(), s);
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 3 && !std::strcmp(argv[1], "--step"))
        return runStep(argv[2], QDir(argv[3]).filePath("bench_flight.qora"), QDir(argv[3]).filePath("bench_flight.csv"));
    if (argc > 4 && !std::strcmp(argv[1], "--damaged"))
        return runDamagedStep(argv[2], std::atoi(argv[3]), QDir(argv[4]).filePath("bench_damaged.qora"));

    const QString folder = argc > 1 ? argv[1] : QDir::tempPath();
    int failures = 0;
    const auto run = [&](const QStringList &arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QString::fromLocal8Bit(argv[0]), arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed\n", qPrintable(arguments.join(' ')));
            ++failures;
        }
    };
    for (const char *step : {"save", "load", "csv", "process"})
        run({"--step", step, folder});
    std::fprintf(stderr, "damaged times:\n");
    for (int index = 0; index < int(std::size(damagedCases)); ++index)
        for (const char *step : {"make", "read", "open"})
            run({"--damaged", step, QString::number(index), folder});
    QFile::remove(QDir(folder).filePath("bench_flight.qora"));
    QFile::remove(QDir(folder).filePath("bench_flight.csv"));
    QFile::remove(QDir(folder).filePath("bench_damaged.qora"));
    return failures;
}
