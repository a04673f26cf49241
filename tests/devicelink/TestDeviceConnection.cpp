#include "CapturedOutput.h"
#include "DeviceNotice.h"
#include "NUVQORADevice.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <QtTest>

using Notice = std::pair<bool, std::string>; // arrived, path

class TestDeviceConnection : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_backend.reset(new SimulatedHidBackend);
        m_notices.clear();
        m_backend->setNoticeListener([this](bool arrived, const std::string &path) { m_notices.emplace_back(arrived, path); });
        HidBackend::setCurrent(m_backend.get());
        m_computer.reset(new SimulatedFlightComputer(*m_backend));
        m_device.reset(new NUVQORADevice);
    }
    void cleanup()
    {
        m_device.reset();
        m_computer.reset();
        HidBackend::setCurrent(nullptr);
        m_backend.reset();
    }

    void nothingAttached()
    {
        CapturedOutput out;
        uint16_t version = 7;
        QCOMPARE(m_device->connectBootloader(version), -1);
        QCOMPARE(m_device->connectFirmware(version), 1);
        QCOMPARE(version, uint16_t(7));
        QCOMPARE(out.text(), std::string("No device found.\n"));
        QCOMPARE(m_device->startFirmware(), -7); // no bootloader to open
    }

    void bootloaderStartsTheFirmware()
    {
        m_computer->plugBootloader();
        const std::string bootloaderPath = m_computer->path();
        uint16_t version = 0;
        QCOMPARE(m_device->connectBootloader(version), 0);
        QCOMPARE(version, uint16_t(0x200));
        QVERIFY(m_device->bootloader.isOpen());
        m_backend->clearTransfers();

        QCOMPARE(m_device->startFirmware(), 0);
        QVERIFY(!m_device->bootloader.isOpen());
        const auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers.size()), 1);
        SimulatedDevice::Report start{};
        start[1] = 3;
        QVERIFY(transfers[0].report == start);
        QCOMPARE(transfers[0].timeoutMs, uint32_t(3000));

        QCOMPARE(m_computer->mode(), SimulatedFlightComputer::Mode::Firmware);
        QCOMPARE(int(m_notices.size()), 3); // the bootloader's arrival, its removal, the firmware's arrival
        QCOMPARE(m_notices[1], Notice(false, bootloaderPath));
        QCOMPARE(m_notices[2], Notice(true, m_computer->path()));

        CapturedOutput quiet;
        QCOMPARE(m_device->connectFirmware(version), 0);
        QCOMPARE(version, uint16_t(0x213));
        QVERIFY(m_device->isOpen());
        QVERIFY(m_device->matches({5, m_computer->path()}));
        QVERIFY(!m_device->bootloader.matches({5, m_computer->path()}));
    }

    void bootloaderOfAnotherVersion()
    {
        m_computer->setBootloaderVersion(0x310);
        m_computer->plugBootloader();
        uint16_t version = 0;
        QCOMPARE(m_device->connectBootloader(version), -3);
        QCOMPARE(version, uint16_t(0x310));
        QVERIFY(!m_device->bootloader.isOpen());
    }

    void bootloaderThatCannotBeOpened()
    {
        m_computer->plugBootloader();
        m_computer->setRefuseOpen(true);
        CapturedOutput quiet;
        uint16_t version = 0;
        QCOMPARE(m_device->connectBootloader(version), -2);
        QCOMPARE(m_device->startFirmware(), -7);

        m_computer->setRefuseOpen(false);
        QCOMPARE(m_device->connectBootloader(version), 0);
        CommandFault fault;
        fault.rejectRequest = true;
        m_computer->setFault(3, fault);
        CapturedOutput out;
        QCOMPARE(m_device->startFirmware(), -4);
        QCOMPARE(out.text(), std::string("Failed to write.\n"));
        QCOMPARE(m_computer->mode(), SimulatedFlightComputer::Mode::Bootloader);
    }

    void connectingTheBootloaderAgainClosesTheOldRecord()
    {
        m_computer->plugBootloader();
        uint16_t version = 0;
        QCOMPARE(m_device->connectBootloader(version), 0);
        QCOMPARE(m_device->connectBootloader(version), 0);
        QCOMPARE(m_backend->openHandleCount(), 1);
        m_device.reset();
        QCOMPARE(m_backend->openHandleCount(), 0);
    }

    void firmwareOfAnotherVersion()
    {
        m_computer->setFirmwareVersion(0x220);
        m_computer->plugFirmware();
        CapturedOutput out;
        uint16_t version = 0;
        QCOMPARE(m_device->connectFirmware(version), 3);
        QCOMPARE(version, uint16_t(0x220));
        QCOMPARE(out.text(), std::string("Version: 544\nDevice found, but wrong version.\n"));
        QVERIFY(!m_device->isOpen());
        // The record keeps what was found, so callers can name the attached version.
        QCOMPARE(m_device->attributes().versionNumber, uint16_t(0x220));
        QCOMPARE(NUVQORADevice::versionText(m_device->attributes().versionNumber), QString("2.20"));
        QCOMPARE(m_device->flush(), 1);
    }

    void firmwareThatCannotBeOpened()
    {
        m_computer->setRefuseOpen(true);
        m_computer->plugFirmware();
        CapturedOutput out;
        uint16_t version = 0;
        QCOMPARE(m_device->connectFirmware(version), 6);
        QVERIFY(out.contains("Generic connection error.\n"));
        QVERIFY(!m_device->isOpen());
    }

    void unplugLeavesTheRecordToItsOwner()
    {
        m_computer->plugFirmware();
        uint16_t version = 0;
        CapturedOutput quiet;
        QCOMPARE(m_device->connectFirmware(version), 0);
        const std::string path = m_computer->path();
        m_computer->unplug();
        QCOMPARE(m_notices.back(), Notice(false, path));
        QVERIFY(m_device->isOpen()); // until its owner handles the removal notice
        QVERIFY(m_device->matches({5, path}));
        m_device->closeHandles();
        QVERIFY(!m_device->isOpen());

        m_computer->plugFirmware();
        QVERIFY(m_computer->path() != path); // every plug-in has its own path
        QCOMPARE(m_device->connectFirmware(version), 0);
    }

    void otherIdentitiesReuseTheConnection()
    {
        // The ground station: bootloader 5 / 0x200, firmware 6 / 0x202.
        const DeviceIdentity groundStation{5, 0x200, 6, 0x202};
        SimulatedFlightComputer stationStandIn(*m_backend); // only its identity matters here
        const std::string path = m_backend->plug(stationStandIn, HIDDevice::VendorId, 6, 0x203);
        HIDDevice firmware;
        uint16_t version = 0;
        CapturedOutput quiet;
        QCOMPARE(NUVQORADevice::connectFirmware(firmware, groundStation, version), 0);
        QCOMPARE(version, uint16_t(0x203));
        QVERIFY(firmware.isOpen());
        HIDDevice bootloader;
        QCOMPARE(NUVQORADevice::connectBootloader(bootloader, groundStation, version), -1);
        QCOMPARE(NUVQORADevice::connectFirmware(*m_device, NUVQORADevice::Identity, version), 1);
        m_backend->unplug(path);
    }

private:
    std::unique_ptr<SimulatedHidBackend> m_backend;
    std::unique_ptr<SimulatedFlightComputer> m_computer;
    std::unique_ptr<NUVQORADevice> m_device;
    std::vector<Notice> m_notices;
};

QTEST_GUILESS_MAIN(TestDeviceConnection)
#include "TestDeviceConnection.moc"
