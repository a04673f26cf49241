#pragma once

#include <QString>

#include <functional>

class NUVQORADevice;

// One launch emulation: feeds the rows of an emulation-data file to the flight computer, one
// row per 10 ms in real time, and writes what it answers for each row to a results file. The
// owner holds its device lock around run() and reports the end itself.
class LaunchEmulation
{
public:
    using Console = std::function<void(const QString &)>;
    using StopRequested = std::function<bool()>;

    // stopRequested is asked once before every row.
    LaunchEmulation(NUVQORADevice &device, Console console, StopRequested stopRequested);

    void run(const QString &sourceFile, const QString &targetFile, bool realTime);

private:
    NUVQORADevice &m_device;
    Console m_console;
    StopRequested m_stopRequested;
};
