#pragma once

#include "ConsoleSink.h"
#include "NUVQORAFlight.h"
#include "SampleFlightMemory.h"

#include <QString>

#include <memory>
#include <sstream>

// The simulator's sample flight as it comes out of a download: not yet processed, in no file.
inline std::shared_ptr<NUVQORAFlight> downloadedSampleFlight()
{
    std::ostringstream quiet;
    ConsoleSink::setStream(&quiet);
    auto flight = NUVQORAFlight::parseMemory(SampleFlightMemory::build()).front();
    ConsoleSink::setStream(nullptr);
    return flight;
}

// Saves the sample flight as a flight file; true on success.
inline bool writeSampleFlightFile(const QString &path)
{
    std::ostringstream quiet;
    ConsoleSink::setStream(&quiet);
    const auto flight = downloadedSampleFlight();
    flight->buildSplines();
    const bool saved = flight->save(path.toStdWString());
    ConsoleSink::setStream(nullptr);
    return saved;
}
