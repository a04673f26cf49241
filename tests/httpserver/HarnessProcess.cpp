#include "HarnessProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <utility>

HarnessProcess::HarnessProcess(const QString &settingsFile)
    : logFile(settingsFile + ".log")
{
    process.setStandardErrorFile(logFile);
    process.start(QStringLiteral(HTTP_HARNESS), {settingsFile});
    if (!process.waitForStarted(5000))
        return;
    while (!process.canReadLine() && process.waitForReadyRead(5000)) {
    }
    url = QString::fromUtf8(process.readLine()).trimmed();
    const QRegularExpressionMatch match = QRegularExpression(":(\\d+)/").match(url);
    if (match.hasMatch())
        servingPort = quint16(match.captured(1).toUInt());
}

namespace {
QStringList uncleanExits;
} // namespace

HarnessProcess::~HarnessProcess()
{
    if (process.state() != QProcess::NotRunning && !terminate(5000)) {
        process.kill();
        process.waitForFinished(5000);
        // From the first sanitizer report on, or else the end of the log.
        const QByteArray text = log();
        const int report = text.indexOf("==\n");
        uncleanExits.append(QString::fromUtf8(report >= 0 ? text.mid(report, 8000) : text.right(4000)));
    }
}

QStringList HarnessProcess::takeUncleanExits()
{
    return std::exchange(uncleanExits, QStringList());
}

QByteArray HarnessProcess::log() const
{
    QFile file(logFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool HarnessProcess::waitForLog(const QByteArray &text, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!log().contains(text)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

bool HarnessProcess::terminate(int timeoutMs)
{
    process.terminate();
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}
