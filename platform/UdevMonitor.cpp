#include "UdevMonitor.h"

#include <QSocketNotifier>
#include <cstring>
#include <libudev.h>
#include <unistd.h>

namespace {

// The control socket exists exactly while the udev daemon runs.
constexpr const char *UdevControlSocket = "/run/udev/control";

} // namespace

UdevMonitor *UdevMonitor::create(QObject *parent)
{
    if (::access(UdevControlSocket, F_OK) != 0)
        return nullptr;
    udev *context = udev_new();
    if (!context)
        return nullptr;
    udev_monitor *monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(monitor) < 0 || udev_monitor_get_fd(monitor) < 0) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return new UdevMonitor(context, monitor, parent);
}

UdevMonitor::UdevMonitor(udev *context, udev_monitor *monitor, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_monitor(monitor)
    , m_socketNotifier(new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this))
{
    connect(m_socketNotifier, &QSocketNotifier::activated, this, &UdevMonitor::receive);
}

UdevMonitor::~UdevMonitor()
{
    delete m_socketNotifier; // before the descriptor it watches goes
    udev_monitor_unref(m_monitor);
    udev_unref(m_context);
}

void UdevMonitor::receive()
{
    udev_device *device = udev_monitor_receive_device(m_monitor);
    if (!device)
        return;
    const char *action = udev_device_get_action(device);
    const char *path = udev_device_get_syspath(device);
    if (action && path) {
        if (std::strcmp(action, "add") == 0)
            emit interfaceAdded(path);
        else if (std::strcmp(action, "remove") == 0)
            emit interfaceRemoved(path);
    }
    udev_device_unref(device);
}
