#include "CapturedOutput.h"
#include "DeviceNotifier.h"
#include "NUVEvent_Status.h"
#include "NUVQORADevice.h"
#include "NUVQORAFlight.h"
#include "SimulatedHidBackend.h"

#include <QtTest>

// The process-wide simulator as NUV_HID_BACKEND=simulator selects it: a flight computer that
// waits in its bootloader with one recorded flight.
class TestSimulatorBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("NUV_HID_BACKEND", "simulator");
        SimulatedHidBackend::registerWithPlatform();
        QVERIFY(dynamic_cast<SimulatedHidBackend *>(&HidBackend::current()));
    }

    void startsTheFirmwareAndServesItsFlight()
    {
        DeviceNotifier notifier(DeviceNotifier::Source::Polling);
        QSignalSpy arrivals(&notifier, &DeviceNotifier::deviceArrived);
        QSignalSpy removals(&notifier, &DeviceNotifier::deviceRemoved);
        NUVQORADevice device;
        uint16_t version = 0;
        QCOMPARE(device.connectBootloader(version), 0);
        QCOMPARE(device.startFirmware(), 0);
        QCOMPARE(device.connectFirmware(version), 0);
        QTRY_COMPARE(removals.count(), 1);
        QTRY_COMPARE(arrivals.count(), 1);
        QVERIFY(device.matches(arrivals.at(0).at(0).value<DeviceNotice>()));

        uint32_t size = 0;
        QCOMPARE(device.totalDataSize(size), 0);
        std::vector<uint8_t> memory;
        QCOMPARE(device.downloadData(memory, size, [](int, int) { return false; }), 0);
        CapturedOutput quiet;
        const auto flights = NUVQORAFlight::parseMemory(memory);
        QCOMPARE(int(flights.size()), 1);
        QVERIFY(flights.front()->settings.valid);
        int maxState = 0;
        for (const auto &event : flights.front()->events) {
            if (const auto *status = dynamic_cast<const NUVEvent_Status *>(event.get()))
                maxState = std::max(maxState, int(status->state));
        }
        QCOMPARE(maxState, 4); // the flight went through to the ground
    }
};

QTEST_GUILESS_MAIN(TestSimulatorBackend)
#include "TestSimulatorBackend.moc"
