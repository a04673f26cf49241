#include "FirmwareLoaderReport.h"

bool FirmwareLoaderReport::endsUpdate(QProcess::ProcessError error, QProcess::ProcessState state)
{
    return error == QProcess::FailedToStart || error == QProcess::Crashed || state == QProcess::NotRunning;
}

QString FirmwareLoaderReport::consoleText(QString output)
{
    if (output.endsWith('\n'))
        output.chop(1);
    if (output.endsWith('\r'))
        output.chop(1);
    return output;
}
