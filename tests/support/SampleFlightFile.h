#pragma once

#include "CapturedOutput.h"
#include "NUVQORAFlight.h"
#include "SampleFlightMemory.h"

#include <QString>

#include <memory>

// The simulator's sample flight as it comes out of a download: not yet processed, in no file.
// Its parsing lines are kept out of the console the caller collects.
inline std::shared_ptr<NUVQORAFlight> downloadedSampleFlight()
{
    CapturedOutput quiet;
    return NUVQORAFlight::parseMemory(SampleFlightMemory::build()).front();
}

// Saves the sample flight as a flight file; true on success.
inline bool writeSampleFlightFile(const QString &path)
{
    CapturedOutput quiet;
    const auto flight = downloadedSampleFlight();
    flight->buildSplines();
    return flight->save(path.toStdWString());
}
