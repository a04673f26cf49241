// libFuzzer target over the flight-file loader and the processing that a load runs, with
// the figures a flight window then asks for. Built and run by scripts/fuzz.

#include "ConsoleSink.h"
#include "FlightTestSupport.h"
#include "NUVQORAFlight.h"

#include <QDir>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The loader reads a file; each input becomes the same scratch file of this process.
const std::string &scratchPath()
{
    static const std::string path =
        QDir::temp().filePath(QString("fuzz-flightfile-%1.qora").arg(getpid())).toStdString();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::ostringstream quiet;
    ConsoleSink::setStream(&quiet);
    std::ofstream(scratchPath(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data),
                                                                           std::streamsize(size));
    NUVQORAFlight flight;
    if (flight.load(QString::fromStdString(scratchPath()).toStdWString())) {
        for (std::size_t i = 0; i < flight.events.size(); ++i) {
            require(flight.events[i] && std::isfinite(flight.events[i]->time));
            require(i == 0 || flight.events[i - 1]->time <= flight.events[i]->time);
        }
        for (const SampleTable *table : flight.sampleTables())
            for (std::size_t i = 1; i < table->size(); ++i)
                require((*table)[i - 1].time <= (*table)[i].time);
        askWindowFigures(flight);
    }
    ConsoleSink::setStream(nullptr);
    return 0;
}
