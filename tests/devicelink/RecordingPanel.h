#pragma once

#include "NUVQORAInterface.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>

// Stands in for the device window: records the calls that the interface queues on it, in
// order, as "enable 1" / "enable 0" and the console texts themselves.
class RecordingPanel : public QObject
{
    Q_OBJECT

public:
    // Wired as the device window wires itself: queued.
    void listenTo(NUVQORAInterface *link)
    {
        connect(link, &NUVQORAInterface::consoleMessage, this, &RecordingPanel::appendConsoleNL, Qt::QueuedConnection);
        connect(link, &NUVQORAInterface::controlsEnableRequested, this, &RecordingPanel::enableControls,
                Qt::QueuedConnection);
    }

    // Delivers the calls queued so far and hands them over.
    QStringList takeCalls()
    {
        QCoreApplication::sendPostedEvents(this);
        QStringList taken;
        taken.swap(calls);
        return taken;
    }

    QStringList calls;

public slots:
    void enableControls(bool enabled) { calls << QStringLiteral("enable %1").arg(enabled ? 1 : 0); }
    void appendConsoleNL(QString text) { calls << text; }
};
