#include "DeviceNotifier.h"
#include "HidBackend.h"

#include <QSignalSpy>
#include <QtTest>
#include <thread>

namespace {

// Shows whatever interface paths the test puts in front of it.
class ListBackend : public HidBackend
{
public:
    std::set<std::string> paths;

    std::vector<HidInterfaceInfo> interfaces() override
    {
        std::vector<HidInterfaceInfo> present;
        for (const std::string &path : paths)
            present.push_back({path, 0x03DB});
        return present;
    }
    int open(const std::string &) override { return -1; }
    void close(int) override {}
    bool write(int, const uint8_t[65], uint32_t) override { return false; }
    bool read(int, uint8_t[65], uint32_t) override { return false; }
    void dropQueuedInput(int) override {}
};

using Names = std::vector<std::string>;

Names noticeNames(const QSignalSpy &spy)
{
    Names names;
    for (const QList<QVariant> &arguments : spy) {
        const auto notice = arguments.at(0).value<DeviceNotice>();
        if (notice.deviceType == 5)
            names.push_back(notice.name);
    }
    return names;
}

} // namespace

class TestDeviceNotifier : public QObject
{
    Q_OBJECT

    ListBackend backend_;

private slots:
    void init()
    {
        backend_.paths.clear();
        HidBackend::setCurrent(&backend_);
    }

    void cleanup() { HidBackend::setCurrent(nullptr); }

    void pollReportsTheDifference()
    {
        backend_.paths = {"/sys/a", "/sys/b"};
        DeviceNotifier notifier(DeviceNotifier::Source::Polling);
        QVERIFY(!notifier.followsUdev());
        QSignalSpy arrived(&notifier, &DeviceNotifier::deviceArrived);
        QSignalSpy removed(&notifier, &DeviceNotifier::deviceRemoved);

        notifier.poll(); // what was there at the start is not news
        QCOMPARE(arrived.count() + removed.count(), 0);

        // A re-enumerated device comes back under a new path: a removal and an arrival.
        backend_.paths = {"/sys/a2", "/sys/b", "/sys/c"};
        notifier.poll();
        notifier.poll();
        QCOMPARE(noticeNames(removed), Names{"/sys/a"});
        QCOMPARE(noticeNames(arrived), (Names{"/sys/a2", "/sys/c"}));

        // The timer polls on its own.
        notifier.setPollInterval(10);
        backend_.paths.insert("/sys/late");
        QVERIFY(arrived.wait(2000));
        QCOMPARE(noticeNames(arrived), (Names{"/sys/a2", "/sys/c", "/sys/late"}));
    }

    void simulatedReportsReachEveryLiveNotifierInItsThread()
    {
        DeviceNotifier first;
        DeviceNotifier second(DeviceNotifier::Source::Polling);
        QThread *notifierThread = nullptr;
        connect(&first, &DeviceNotifier::deviceArrived, this, [&] { notifierThread = QThread::currentThread(); });
        QSignalSpy firstArrived(&first, &DeviceNotifier::deviceArrived);
        QSignalSpy secondArrived(&second, &DeviceNotifier::deviceArrived);
        QSignalSpy secondRemoved(&second, &DeviceNotifier::deviceRemoved);

        auto *gone = new DeviceNotifier(DeviceNotifier::Source::Polling);
        std::thread device([] {
            DeviceNotifier::reportRemoval("/sim/bootloader");
            DeviceNotifier::reportArrival("/sim/firmware");
        });
        device.join();
        delete gone; // before the reports reach it: they are dropped, not delivered to freed memory
        backend_.paths.insert("/sim/firmware");
        QCOMPARE(firstArrived.count(), 0); // posted, not called into the reporting thread
        QTRY_COMPARE(firstArrived.count(), 1);
        QTRY_COMPARE(secondArrived.count(), 1);
        QCOMPARE(notifierThread, QThread::currentThread());
        QCOMPARE(noticeNames(firstArrived), Names{"/sim/firmware"});

        // The polling notifier never saw the bootloader, so its removal is no news to report;
        // the firmware's arrival it reports once, whether the poll or the report comes first.
        QCOMPARE(secondRemoved.count(), 0);
        second.poll();
        backend_.paths.insert("/sim/other");
        second.poll();
        DeviceNotifier::reportArrival("/sim/other");
        QTest::qWait(20);
        QCOMPARE(noticeNames(secondArrived), (Names{"/sim/firmware", "/sim/other"}));
    }
};

QTEST_GUILESS_MAIN(TestDeviceNotifier)
#include "TestDeviceNotifier.moc"
