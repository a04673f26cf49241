// Saves, loads (with its sort and processing) and exports a generated flight of about one
// million events, and processes a one-hour recording; reports seconds, MB/s and peak memory.
//   bench_flightfile [folder for the files, default /tmp]

#include "SyntheticFlight.h"

#include <sys/resource.h>

#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
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

} // namespace

int main(int argc, char **argv)
{
    const QString folder = argc > 1 ? argv[1] : QDir::tempPath();
    const QString flightPath = QDir(folder).filePath("bench_flight.qora");
    const QString csvPath = QDir(folder).filePath("bench_flight.csv");

    DiscardingBuffer discard;
    std::streambuf *console = std::cout.rdbuf(&discard); // the flight code's progress lines

    SyntheticFlight::Profile profile;
    profile.launch = 6900.0; // with the flight itself, about 1.0 million events
    SyntheticFlight big(profile);
    const std::size_t eventCount = big.flight->events.size();
    const double generatedPeak = peakMegabytes();

    bool saved = false;
    const double saveSeconds = seconds([&] { saved = big.flight->save(flightPath.toStdWString()); });
    const double savedPeak = peakMegabytes();
    big.flight.reset();

    NUVQORAFlight loaded;
    bool read = false;
    const double loadSeconds = seconds([&] { read = loaded.load(flightPath.toStdWString()); });
    const double loadedPeak = peakMegabytes();

    bool exported = false;
    const double csvSeconds = seconds([&] { exported = loaded.exportCSV(csvPath.toStdWString()); });
    const double exportedPeak = peakMegabytes();

    profile.launch = 3400.0; // one hour in all
    SyntheticFlight hour(profile);
    const double hourSeconds = seconds([&] { hour.flight->buildSplines(); });

    std::cout.rdbuf(console);
    if (!saved || !read || !exported || loaded.events.size() != eventCount) {
        std::printf("failed: saved %d, loaded %d (%zu of %zu events), exported %d\n", saved, read,
                    loaded.events.size(), eventCount, exported);
        return 1;
    }
    const double fileMB = megabytes(flightPath);
    const double csvMB = megabytes(csvPath);
    std::printf("events: %zu, flight file %.1f MB, CSV %.1f MB\n", eventCount, fileMB, csvMB);
    std::printf("save:   %.3f s, %.1f MB/s, peak %.0f MB (after generating %.0f MB)\n", saveSeconds,
                fileMB / saveSeconds, savedPeak, generatedPeak);
    std::printf("load:   %.3f s, %.1f MB/s (read, sort, processing), peak %.0f MB\n", loadSeconds,
                fileMB / loadSeconds, loadedPeak);
    std::printf("CSV:    %.3f s, %.1f MB/s, peak %.0f MB\n", csvSeconds, csvMB / csvSeconds, exportedPeak);
    std::printf("processing of a one-hour recording (%zu events): %.3f s\n", hour.flight->events.size(), hourSeconds);
    QFile::remove(flightPath);
    QFile::remove(csvPath);
    return 0;
}
