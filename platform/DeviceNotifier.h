#pragma once

#include "DeviceNotice.h"

#include <QMetaType>
#include <QObject>
#include <set>
#include <string>

class QTimer;
class UdevMonitor;

// Reports the arrival and removal of HID interfaces, each as a notice carrying the interface's
// path (the same path HidBackend::interfaces() gives), in the thread that owns the notifier
// (the GUI thread). It follows the udev daemon when one runs; otherwise it polls
// HidBackend::current() and reports what changed. A simulated device reports its own plugs
// and unplugs through reportArrival() and reportRemoval(), which reach every notifier.
// Polling calls HidBackend::current().interfaces() in the notifier's thread, so a backend
// must allow that while other threads transfer reports.
class DeviceNotifier : public QObject
{
    Q_OBJECT

public:
    enum class Source { Automatic, Polling };

    explicit DeviceNotifier(Source source = Source::Automatic, QObject *parent = nullptr);
    ~DeviceNotifier() override;

    bool followsUdev() const;
    void setPollInterval(int milliseconds);

    // Callable from any thread; every notifier of the process emits the notice in its own
    // thread after the caller returns, as the system posts a device-change message. While
    // polling, a change the poll has already reported is not reported twice.
    static void reportArrival(const std::string &path);
    static void reportRemoval(const std::string &path);

public slots:
    // While polling: compares the backend's present interfaces with those last seen and
    // reports the difference, removals first, then arrivals.
    void poll();

signals:
    void deviceArrived(const DeviceNotice &notice);
    void deviceRemoved(const DeviceNotice &notice);

private:
    static void broadcast(const std::string &path, bool arrived);
    void report(const std::string &path, bool arrived);
    void takeReport(const std::string &path, bool arrived);

    UdevMonitor *m_udevMonitor = nullptr;
    QTimer *m_pollTimer = nullptr;
    std::set<std::string> m_present; // while polling: the paths last seen
};

Q_DECLARE_METATYPE(DeviceNotice)
