#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QStringList>

// Stands in for the device window: records the calls that the interface queues on it by
// name, in order, as "enable 1" / "enable 0" and the console texts themselves.
class RecordingPanel : public QObject
{
    Q_OBJECT

public:
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
