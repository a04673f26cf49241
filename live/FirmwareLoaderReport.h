#pragma once

#include <QProcess>
#include <QString>

// How both programs' windows read what the firmware loader tool reports: which of its errors
// end a firmware update, and how its output reaches the console.
class FirmwareLoaderReport
{
public:
    // True when the loader could not start, crashed or no longer runs. A read, write or
    // time-out error of a loader that still runs passes: the loader may still be writing the
    // image, and its end follows.
    static bool endsUpdate(QProcess::ProcessError error, QProcess::ProcessState state);
    // The output without its final line end (LF, CR LF or CR alone): the console starts a line of
    // its own, and takes a CR for a line end too.
    static QString consoleText(QString output);
};
