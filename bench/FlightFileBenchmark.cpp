// Saves, loads (with its sort and processing) and exports a generated flight of about one
// million events, and processes a one-hour recording; reports seconds, MB/s and the peak
// memory of each step, each step in a process of its own.
//   bench_flightfile [folder for the files, default /tmp]

#include "SyntheticFlight.h"

#include <sys/resource.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <streambuf>

namespace {

class DiscardingBuffer : public std::streambuf
{
protected:
    int overflow(int character) override { return character; }
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

// One step; its report goes to standard error, the flight code's progress lines nowhere.
int runStep(const char *step, const QString &flightPath, const QString &csvPath)
{
    DiscardingBuffer discard;
    std::streambuf *console = std::cout.rdbuf(&discard);
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
    std::cout.rdbuf(console);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 3 && !std::strcmp(argv[1], "--step"))
        return runStep(argv[2], QDir(argv[3]).filePath("bench_flight.qora"), QDir(argv[3]).filePath("bench_flight.csv"));

    const QString folder = argc > 1 ? argv[1] : QDir::tempPath();
    int failures = 0;
    for (const char *step : {"save", "load", "csv", "process"}) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QString::fromLocal8Bit(argv[0]), {"--step", step, folder});
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed\n", step);
            ++failures;
        }
    }
    QFile::remove(QDir(folder).filePath("bench_flight.qora"));
    QFile::remove(QDir(folder).filePath("bench_flight.csv"));
    return failures;
}
