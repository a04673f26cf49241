#pragma once

#include <QObject>
#include <string>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Follows the udev daemon's announcements of hidraw interfaces being added and removed.
class UdevMonitor : public QObject
{
    Q_OBJECT

public:
    // Nothing when no udev daemon runs (its announcements would never come) or the monitor
    // cannot be set up.
    static UdevMonitor *create(QObject *parent);
    ~UdevMonitor() override;

signals:
    void interfaceAdded(const std::string &path);
    void interfaceRemoved(const std::string &path);

private:
    UdevMonitor(udev *context, udev_monitor *monitor, QObject *parent);
    void receive();

    udev *m_context;
    udev_monitor *m_monitor;
    QSocketNotifier *m_socketNotifier;
};
