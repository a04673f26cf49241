#include "DeviceNotifier.h"

#include "HidBackend.h"
#include "UdevMonitor.h"

#include <QTimer>
#include <mutex>

namespace {

constexpr int DeviceInterfaceType = 5;
constexpr int DefaultPollIntervalMs = 500;

struct NotifierList
{
    std::mutex mutex;
    std::set<DeviceNotifier *> notifiers;
};

NotifierList &notifierList()
{
    static NotifierList instance;
    return instance;
}

std::set<std::string> presentPaths()
{
    std::set<std::string> paths;
    for (const HidInterfaceInfo &info : HidBackend::current().interfaces())
        paths.insert(info.path);
    return paths;
}

} // namespace

DeviceNotifier::DeviceNotifier(Source source, QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<DeviceNotice>();
    if (source == Source::Automatic)
        m_udevMonitor = UdevMonitor::create(this);
    if (m_udevMonitor) {
        connect(m_udevMonitor, &UdevMonitor::interfaceAdded, this,
                [this](const std::string &path) { report(path, true); });
        connect(m_udevMonitor, &UdevMonitor::interfaceRemoved, this,
                [this](const std::string &path) { report(path, false); });
    } else {
        m_present = presentPaths();
        m_pollTimer = new QTimer(this);
        connect(m_pollTimer, &QTimer::timeout, this, &DeviceNotifier::poll);
        m_pollTimer->start(DefaultPollIntervalMs);
    }
    NotifierList &list = notifierList();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.notifiers.insert(this);
}

DeviceNotifier::~DeviceNotifier()
{
    NotifierList &list = notifierList();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.notifiers.erase(this);
}

bool DeviceNotifier::followsUdev() const
{
    return m_udevMonitor != nullptr;
}

void DeviceNotifier::setPollInterval(int milliseconds)
{
    if (m_pollTimer)
        m_pollTimer->setInterval(milliseconds);
}

void DeviceNotifier::reportArrival(const std::string &path)
{
    broadcast(path, true);
}

void DeviceNotifier::reportRemoval(const std::string &path)
{
    broadcast(path, false);
}

void DeviceNotifier::broadcast(const std::string &path, bool arrived)
{
    NotifierList &list = notifierList();
    std::lock_guard<std::mutex> lock(list.mutex);
    for (DeviceNotifier *notifier : list.notifiers)
        QMetaObject::invokeMethod(notifier, [notifier, path, arrived] { notifier->takeReport(path, arrived); }, Qt::QueuedConnection);
}

void DeviceNotifier::poll()
{
    if (!m_pollTimer)
        return;
    const std::set<std::string> now = presentPaths();
    const std::set<std::string> before = std::move(m_present);
    m_present = now;
    for (const std::string &path : before) {
        if (!now.count(path))
            report(path, false);
    }
    for (const std::string &path : now) {
        if (!before.count(path))
            report(path, true);
    }
}

void DeviceNotifier::takeReport(const std::string &path, bool arrived)
{
    if (m_pollTimer) {
        const bool known = m_present.count(path) != 0;
        if (known == arrived)
            return; // the poll got there first
        if (arrived)
            m_present.insert(path);
        else
            m_present.erase(path);
    }
    report(path, arrived);
}

void DeviceNotifier::report(const std::string &path, bool arrived)
{
    DeviceNotice notice;
    notice.deviceType = DeviceInterfaceType;
    notice.name = path;
    if (arrived)
        emit deviceArrived(notice);
    else
        emit deviceRemoved(notice);
}
