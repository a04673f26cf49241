#include "DeviceNotifier.h"
#include "HidBackend.h"

#include <QSignalSpy>
#include <QtTest>
#include <thread>

namespace {

// Shows whatever interfaces the test puts in front of it.
class ListBackend : public HidBackend
{
public:
    std::vector<HidInterfaceInfo> present;

    std::vector<HidInterfaceInfo> interfaces() override { return present; }
    int open(const std::string &) override { return -1; }
    void close(int) override {}
    bool write(int, const uint8_t[65], uint32_t) override { return false; }
    bool read(int, uint8_t[65], uint32_t) override { return false; }
    void dropQueuedInput(int) override {}

    void plug(const std::string &path)
    {
        HidInterfaceInfo info;
        info.path = path;
        info.vendorId = 0x03DB;
        present.push_back(info);
    }
    void unplug(const std::string &path)
    {
        present.erase(std::remove_if(present.begin(), present.end(), [&](const HidInterfaceInfo &i) { return i.path == path; }),
                      present.end());
    }
};

std::vector<std::string> noticeNames(const QSignalSpy &spy)
{
    std::vector<std::string> names;
    for (const QList<QVariant> &arguments : spy) {
        const auto notice = arguments.at(0).value<DeviceNotice>();
        if (notice.deviceType == 5)
            names.push_back(notice.name);
    }
    return names;
}

using Names = std::vector<std::string>;

} // namespace

class TestDeviceNotifier : public QObject
{
    Q_OBJECT

private:
    ListBackend backend_;

private slots:
    void init()
    {
        backend_.present.clear();
        HidBackend::setCurrent(&backend_);
    }

    void cleanup() { HidBackend::setCurrent(nullptr); }

    void pollReportsTheDifference()
    {
        backend_.plug("/sys/a");
        backend_.plug("/sys/b");
        DeviceNotifier notifier(DeviceNotifier::Source::Polling);
        QVERIFY(!notifier.followsUdev());
        QSignalSpy arrived(&notifier, &DeviceNotifier::deviceArrived);
        QSignalSpy removed(&notifier, &DeviceNotifier::deviceRemoved);

        notifier.poll(); // what was there at the start is not news
        QCOMPARE(arrived.count() + removed.count(), 0);

        // A re-enumerated device comes back under a new path: a removal and an arrival.
        backend_.unplug("/sys/a");
        backend_.plug("/sys/a2");
        backend_.plug("/sys/c");
        notifier.poll();
        QCOMPARE(noticeNames(removed), Names{"/sys/a"});
        QCOMPARE(noticeNames(arrived), (Names{"/sys/a2", "/sys/c"}));

        notifier.poll();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(arrived.count(), 2);
    }

    void pollsOnItsOwn()
    {
        DeviceNotifier notifier(DeviceNotifier::Source::Polling);
        notifier.setPollInterval(10);
        QSignalSpy arrived(&notifier, &DeviceNotifier::deviceArrived);
        backend_.plug("/sys/late");
        QVERIFY(arrived.wait(2000));
        QCOMPARE(noticeNames(arrived), Names{"/sys/late"});
    }

    void simulatedReportsReachEveryNotifierInItsThread()
    {
        DeviceNotifier first;
        DeviceNotifier second(DeviceNotifier::Source::Polling);
        QThread *notifierThread = nullptr;
        connect(&first, &DeviceNotifier::deviceArrived, this, [&] { notifierThread = QThread::currentThread(); });
        QSignalSpy firstArrived(&first, &DeviceNotifier::deviceArrived);
        QSignalSpy secondArrived(&second, &DeviceNotifier::deviceArrived);
        QSignalSpy secondRemoved(&second, &DeviceNotifier::deviceRemoved);

        std::thread device([] {
            DeviceNotifier::reportRemoval("/sim/bootloader");
            DeviceNotifier::reportArrival("/sim/firmware");
        });
        device.join();
        backend_.plug("/sim/firmware");
        QCOMPARE(firstArrived.count(), 0); // posted, not called into the reporting thread
        QTRY_COMPARE(firstArrived.count(), 1);
        QTRY_COMPARE(secondArrived.count(), 1);
        QCOMPARE(notifierThread, QThread::currentThread());
        QCOMPARE(noticeNames(firstArrived), Names{"/sim/firmware"});

        // The polling notifier never saw the bootloader, so its removal is no news to report;
        // the firmware's arrival it reports once, whether the poll or the report comes first.
        QCOMPARE(secondRemoved.count(), 0);
        second.poll();
        QCOMPARE(secondArrived.count(), 1);
        backend_.plug("/sim/other");
        second.poll();
        DeviceNotifier::reportArrival("/sim/other");
        QTest::qWait(20);
        QCOMPARE(noticeNames(secondArrived), (Names{"/sim/firmware", "/sim/other"}));
    }

    void aNotifierGoneBeforeDeliveryIsSkipped()
    {
        auto *notifier = new DeviceNotifier(DeviceNotifier::Source::Polling);
        DeviceNotifier::reportArrival("/sim/firmware");
        delete notifier;
        DeviceNotifier survivor(DeviceNotifier::Source::Polling);
        QSignalSpy arrived(&survivor, &DeviceNotifier::deviceArrived);
        DeviceNotifier::reportArrival("/sim/firmware");
        QTRY_COMPARE(arrived.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDeviceNotifier)
#include "TestDeviceNotifier.moc"
