// The live window's recording: the file the user allocates for it, the autosave every 10 s
// with two alternating backups, clearing, and the KML export of the recording.

#include "NUVTAVOWidget.h"

#include "FlightExportCommand.h"
#include "FlightRecorder.h"
#include "GraphSeries.h"
#include "NUVStudio.h"
#include "UserDialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

constexpr int AutosaveIntervalMs = 10000;
constexpr int StatusMessageMs = 2000;
const QString FlightFilter = QStringLiteral("NUV QORA flights (*.qora)");

QString backupFolder()
{
    return QCoreApplication::applicationDirPath() + "/TAVO/backup";
}

} // namespace

uint64_t NUVTAVOWidget::stopAutosave()
{
    m_autosaveTimer->stop();
    return ++m_autosaveClaim;
}

void NUVTAVOWidget::restartAutosave(uint64_t claim)
{
    // A save reports after it was written; by then a cancelled allocation or a save without
    // a file may have stopped the timer on purpose.
    if (claim == m_autosaveClaim)
        m_autosaveTimer->start(AutosaveIntervalMs);
}

void NUVTAVOWidget::saveFlightAs()
{
    const uint64_t claim = stopAutosave();
    const QString path = FlightExportCommand::askPath(this, tr("Allocate NUV QORA flight file"), FlightFilter);
    if (path.isEmpty())
        return;
    m_recorder->save({path}, [this, path, claim](const QVector<bool> &written) {
        if (written[0]) {
            UserDialogs::information(this, tr("Flight file allocated!"), path);
            m_flightFilePath = path;
        } else {
            UserDialogs::critical(
                this, tr("Could not allocate a file for flight storage. Please allocate a new flight file!"), path);
        }
        restartAutosave(claim);
    });
}

void NUVTAVOWidget::saveFlight()
{
    ++m_autosaveCount;
    const uint64_t claim = stopAutosave();
    if (m_flightFilePath.isEmpty())
        return;
    const QString path = m_flightFilePath;
    QStatusBar *status = m_mainWindow->ui.statusBar;
    status->showMessage(tr("Saving flight: ") + path, StatusMessageMs);

    const QString backup = QDir(backupFolder()).absoluteFilePath(QFileInfo(path).completeBaseName() + " - "
                                                                 + QString::number(m_autosaveCount % 2) + ".qora");
    const auto reportSaved = [this, path, backup, status, claim](const QVector<bool> &written) {
        if (!written[0])
            UserDialogs::critical(this, tr("Could not autosave flight! Please allocate a flight file."), path);
        // Once until a backup works again: the next try is ten seconds away.
        if (!written[1] && !m_backupFailureReported)
            reportOnConsole(tr("Could not write the backup ") + backup);
        m_backupFailureReported = !written[1];
        status->showMessage(tr("Backing up flight: ") + backup, StatusMessageMs);
        restartAutosave(claim);
    };
    m_recorder->save({path, backup}, reportSaved, backupFolder());
}

void NUVTAVOWidget::clearAndZero()
{
    saveRecordingBeforeClearing();
    clearGraphs();
    m_recorder->discard(std::move(m_recordedFlight.events));
    m_recordedFlight.events.clear();
    m_map.clearLineString();
    m_groundTrack->points.clear();
    // The next fix starts a new ground track.
    m_trackOriginLatitude = 0;
    m_trackOriginLongitude = 0;
}

// A reconnection or a replay clears the recording: what it holds goes to a backup of its own
// first, and once more to the allocated file, before the next autosave overwrites that file.
void NUVTAVOWidget::saveRecordingBeforeClearing()
{
    if (m_recordedFlight.events.empty()) {
        m_recorder->saveAndClear({}, [](const QVector<bool> &) {});
        return;
    }
    const QString base = m_flightFilePath.isEmpty() ? QStringLiteral("NUV TAVO recording")
                                                    : QFileInfo(m_flightFilePath).completeBaseName();
    const QString dated = QDir(backupFolder()).absoluteFilePath(
        base + " " + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss-zzz")) + ".qora");
    QStringList paths{dated};
    if (!m_flightFilePath.isEmpty())
        paths << m_flightFilePath;
    const auto reportSaved = [this, paths](const QVector<bool> &written) {
        for (int i = 0; i < paths.size(); ++i)
            if (!written[i])
                reportOnConsole(tr("Could not save the recording before clearing it: ") + paths[i]);
    };
    m_recorder->saveAndClear(paths, reportSaved, backupFolder());
}

void NUVTAVOWidget::exportKML()
{
    FlightExportCommand::exportKML(this, m_recordedFlight);
}

void NUVTAVOWidget::reportOnConsole(const QString &line)
{
    m_mainWindow->ui.console->appendPlainText(line);
}
