#include "PendingOutput.h"

#include <QAbstractSocket>
#include <QDeadlineTimer>
#include <QThread>

namespace tarnwick {

namespace {
// Short slices so that a request to stop the thread is seen promptly.
constexpr int waitSliceMs = 50;
} // namespace

bool PendingOutput::waitUntilAtMost(QAbstractSocket *socket, qint64 mostPending, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (socket->bytesToWrite() > mostPending) {
        if (socket->state() != QAbstractSocket::ConnectedState || deadline.hasExpired()
            || QThread::currentThread()->isInterruptionRequested())
            return false;
        socket->waitForBytesWritten(int(qMin<qint64>(waitSliceMs, deadline.remainingTime())));
    }
    return true;
}

} // namespace tarnwick
