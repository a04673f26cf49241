#include "CapturedOutput.h"
#include "DeviceNotice.h"
#include "NUVQORADevice.h"
#include "SimulatorFixture.h"

#include <QtTest>

namespace {

using Notice = std::pair<bool, std::string>; // arrived, path

// The command layer on the simulated flight computer, with the backend's plug notices recorded.
struct ConnectionFixture : SimulatorFixture
{
    NUVQORADevice device;
    std::vector<Notice> notices;

    ConnectionFixture()
    {
        backend.setNoticeListener([this](bool arrived, const std::string &path) { notices.emplace_back(arrived, path); });
    }
    ~ConnectionFixture() { backend.setNoticeListener(nullptr); }
};

enum Plugged { Nothing, Bootloader, Firmware };

} // namespace

class TestDeviceConnection : public QObject
{
    Q_OBJECT

private slots:
    void connecting_data()
    {
        QTest::addColumn<int>("plugged");
        QTest::addColumn<int>("deviceVersion");
        QTest::addColumn<bool>("refuseOpen");
        QTest::addColumn<int>("bootloaderResult");
        QTest::addColumn<int>("firmwareResult");
        QTest::addColumn<int>("version"); // as reported, 7 before
        QTest::addColumn<QString>("printed");
        QTest::newRow("nothing") << int(Nothing) << 0 << false << -1 << 1 << 7 << "No device found.\n";
        QTest::newRow("bootloader") << int(Bootloader) << 0x200 << false << 0 << 1 << 0x200 << "No device found.\n";
        QTest::newRow("bootloader of another version") << int(Bootloader) << 0x310 << false << -3 << 1 << 0x310 << "";
        QTest::newRow("bootloader that cannot be opened")
            << int(Bootloader) << 0x200 << true << -2 << 1 << 0x200 << "Cant get USB file handle. The file is locked.\n";
        QTest::newRow("firmware") << int(Firmware) << 0x213 << false << -1 << 0 << 0x213 << "";
        QTest::newRow("firmware of another version")
            << int(Firmware) << 0x220 << false << -1 << 3 << 0x220 << "Version: 544\nDevice found, but wrong version.\n";
        QTest::newRow("firmware that cannot be opened")
            << int(Firmware) << 0x213 << true << -1 << 6 << 0x213 << "Generic connection error.\n";
    }
    void connecting()
    {
        QFETCH(int, plugged);
        QFETCH(int, deviceVersion);
        QFETCH(bool, refuseOpen);
        QFETCH(int, bootloaderResult);
        QFETCH(int, firmwareResult);
        QFETCH(int, version);
        QFETCH(QString, printed);
        ConnectionFixture f;
        f.computer.setRefuseOpen(refuseOpen);
        if (plugged == Bootloader) {
            f.computer.setBootloaderVersion(deviceVersion);
            f.computer.plugBootloader();
        } else if (plugged == Firmware) {
            f.computer.setFirmwareVersion(deviceVersion);
            f.computer.plugFirmware();
        }
        CapturedOutput out;
        uint16_t reported = 7;
        QCOMPARE(f.device.connectBootloader(reported), bootloaderResult);
        QCOMPARE(f.device.connectFirmware(reported), firmwareResult);
        QCOMPARE(int(reported), version);
        QVERIFY2(out.contains(printed.toStdString()), out.text().c_str());
        QCOMPARE(f.device.bootloader.isOpen(), bootloaderResult == 0);
        QCOMPARE(f.device.isOpen(), firmwareResult == 0);
        // A firmware of another version stays in the record, closed, so callers can name its version.
        if (firmwareResult == 3)
            QCOMPARE(int(f.device.attributes().versionNumber), version);
    }

    void bootloaderStartsTheFirmware()
    {
        ConnectionFixture f;
        CapturedOutput quiet;
        f.computer.plugBootloader();
        const std::string bootloaderPath = f.computer.path();
        uint16_t version = 0;
        QCOMPARE(f.device.connectBootloader(version), 0);
        f.backend.clearTransfers();

        QCOMPARE(f.device.startFirmware(), 0);
        QVERIFY(!f.device.bootloader.isOpen());
        const auto transfers = f.backend.transfers();
        QCOMPARE(int(transfers.size()), 1);
        QVERIFY(transfers[0].report == reportOf(3));
        QCOMPARE(transfers[0].timeoutMs, uint32_t(3000));

        QCOMPARE(f.computer.mode(), SimulatedFlightComputer::Mode::Firmware);
        // The bootloader's arrival, its removal, the firmware's arrival.
        QCOMPARE(f.notices, (std::vector<Notice>{{true, bootloaderPath}, {false, bootloaderPath}, {true, f.computer.path()}}));
        QCOMPARE(f.device.connectFirmware(version), 0);
        QCOMPARE(version, uint16_t(0x213));
        QVERIFY(f.device.matches({5, f.computer.path()}));
        QVERIFY(!f.device.bootloader.matches({5, f.computer.path()}));
    }

    void startFailures()
    {
        ConnectionFixture f;
        CapturedOutput out;
        QCOMPARE(f.device.startFirmware(), -7); // no bootloader to open
        f.computer.plugBootloader();
        uint16_t version = 0;
        QCOMPARE(f.device.connectBootloader(version), 0);
        f.computer.setFault(3, rejection());
        out.clear();
        QCOMPARE(f.device.startFirmware(), -4);
        QCOMPARE(out.text(), std::string("Failed to write.\n"));
        QCOMPARE(f.computer.mode(), SimulatedFlightComputer::Mode::Bootloader);
    }

    void connectingAgainOrDestroyingClosesTheOldHandle()
    {
        SimulatorFixture f;
        f.computer.plugBootloader();
        auto device = std::make_unique<NUVQORADevice>();
        uint16_t version = 0;
        QCOMPARE(device->connectBootloader(version), 0);
        QCOMPARE(device->connectBootloader(version), 0);
        QCOMPARE(f.backend.openHandleCount(), 1);
        device.reset();
        QCOMPARE(f.backend.openHandleCount(), 0);
    }

    void unplugLeavesTheRecordToItsOwner()
    {
        ConnectionFixture f;
        CapturedOutput quiet;
        f.computer.plugFirmware();
        uint16_t version = 0;
        QCOMPARE(f.device.connectFirmware(version), 0);
        const std::string path = f.computer.path();
        f.computer.unplug();
        QCOMPARE(f.notices.back(), Notice(false, path));
        QVERIFY(f.device.isOpen()); // until its owner handles the removal notice
        QVERIFY(f.device.matches({5, path}));
        f.device.closeHandles();
        QVERIFY(!f.device.isOpen());

        f.computer.plugFirmware();
        QVERIFY(f.computer.path() != path); // every plug-in has its own path
        QCOMPARE(f.device.connectFirmware(version), 0);
    }

    void otherIdentitiesReuseTheConnection()
    {
        // The ground station: bootloader 5 / 0x200, firmware 6 / 0x202.
        const DeviceIdentity groundStation{5, 0x200, 6, 0x202};
        ConnectionFixture f;
        const std::string path = f.backend.plug(f.computer, HIDDevice::VendorId, 6, 0x203); // only its identity matters
        HIDDevice firmware;
        HIDDevice bootloader;
        uint16_t version = 0;
        CapturedOutput quiet;
        QCOMPARE(NUVQORADevice::connectFirmware(firmware, groundStation, version), 0);
        QCOMPARE(version, uint16_t(0x203));
        QVERIFY(firmware.isOpen());
        QCOMPARE(NUVQORADevice::connectBootloader(bootloader, groundStation, version), -1);
        QCOMPARE(NUVQORADevice::connectFirmware(f.device, NUVQORADevice::Identity, version), 1);
        f.backend.unplug(path);
    }
};

QTEST_GUILESS_MAIN(TestDeviceConnection)
#include "TestDeviceConnection.moc"
