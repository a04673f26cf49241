#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <string>

class NUVQORAFlight;
class QWidget;

// One command that writes a flight to a file the user names: a save dialog, the writer, and
// a box that tells how it went. A cancelled dialog does nothing.
class FlightExportCommand
{
    Q_DECLARE_TR_FUNCTIONS(FlightExportCommand)

public:
    QString dialogTitle;
    QString filter;       // one pattern, "Name (*.suffix)"
    QString successTitle;
    QString failureTitle;

    // True when the file was written; false when cancelled or when the writer failed. A writer
    // that can fail for more than the file gives the reason shown under the path.
    bool run(QWidget *parent, const std::function<bool(const std::wstring &)> &writer,
             const QString &failureReason = QString()) const;

    // The flight's GPS track as a KML file.
    static bool exportKML(QWidget *parent, const NUVQORAFlight &flight);

    // Asks for a file to write with a save dialog; a name typed without a suffix gets the
    // filter's. Empty when cancelled.
    static QString askPath(QWidget *parent, const QString &title, const QString &filter);
};
