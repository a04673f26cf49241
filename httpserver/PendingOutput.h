#pragma once

#include <QtGlobal>

class QAbstractSocket;

namespace tarnwick {

// Bounded waits for a socket's queued output. A client that stops reading must not hold
// a handler thread for ever, and a thread asked to stop (program exit) gives up at once.
class PendingOutput
{
public:
    // Waits until at most mostPending bytes are queued; false when the time ran out, the
    // connection broke or the thread was asked to stop.
    static bool waitUntilAtMost(QAbstractSocket *socket, qint64 mostPending, int timeoutMs);
};

} // namespace tarnwick
