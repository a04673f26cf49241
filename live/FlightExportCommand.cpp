#include "FlightExportCommand.h"

#include "NUVQORAFlight.h"
#include "UserDialogs.h"

#include <QFileInfo>
#include <QRegularExpression>

bool FlightExportCommand::run(QWidget *parent, const std::function<bool(const std::wstring &)> &writer,
                              const QString &failureReason) const
{
    const QString path = askPath(parent, dialogTitle, filter);
    if (path.isEmpty())
        return false;
    if (!writer(path.toStdWString())) {
        UserDialogs::Message failure;
        failure.icon = QMessageBox::Critical;
        failure.parent = parent;
        failure.title = failureTitle;
        failure.text = path;
        failure.informativeText = failureReason;
        UserDialogs::current().message(failure);
        return false;
    }
    UserDialogs::information(parent, successTitle, path);
    return true;
}

bool FlightExportCommand::exportKML(QWidget *parent, const NUVQORAFlight &flight)
{
    const FlightExportCommand command{tr("Export flight to KML"), tr("KML files (*.kml)"), tr("Flight data exported!"),
                                      tr("Could not export flight data")};
    return command.run(parent, [&flight](const std::wstring &path) { return flight.exportKML(path); });
}

QString FlightExportCommand::askPath(QWidget *parent, const QString &title, const QString &filter)
{
    QString path = UserDialogs::current().saveFileName(parent, title, QString(), filter);
    // The file dialog of some platforms leaves the suffix to the caller.
    static const QRegularExpression pattern(QStringLiteral("\\(\\*(\\.\\w+)\\)"));
    const QRegularExpressionMatch suffix = pattern.match(filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && suffix.hasMatch())
        path += suffix.captured(1);
    return path;
}
