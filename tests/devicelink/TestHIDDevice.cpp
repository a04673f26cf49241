#include "CapturedOutput.h"
#include "DeviceNotice.h"
#include "HIDDevice.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <QtTest>

namespace {

// Answers every read and never the flush: a device stuck in a transfer.
class BabblingDevice : public SimulatedDevice
{
public:
    bool acceptsOpen() const override { return true; }
    bool receive(const Report &) override { return true; }
    bool nextReport(Report &report) override
    {
        report.fill(0);
        report[1] = '!';
        return true;
    }
    void dropQueuedInput() override {}
};

HIDDevice firstFlightComputer()
{
    const auto found = HIDDevice::enumerate(4, 0, 0);
    return found.empty() ? HIDDevice() : found.front();
}

} // namespace

class TestHIDDevice : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_backend.reset(new SimulatedHidBackend);
        m_backend->setNoticeListener(nullptr);
        HidBackend::setCurrent(m_backend.get());
        m_computer.reset(new SimulatedFlightComputer(*m_backend));
    }
    void cleanup()
    {
        m_computer.reset();
        HidBackend::setCurrent(nullptr);
        m_backend.reset();
    }

    void enumerationFiltersByProductAndMaskedVersion()
    {
        QVERIFY(HIDDevice::enumerate(4, 0x213, 0xFFF0).empty());
        m_computer->setFirmwareVersion(0x220);
        m_computer->plugFirmware();
        BabblingDevice other;
        const std::string otherPath = m_backend->plug(other, 0x1234, 4, 0x213); // another vendor's product 4

        QVERIFY(HIDDevice::enumerate(4, 0x213, 0xFFF0).empty());
        const auto any = HIDDevice::enumerate(4, 0, 0);
        QCOMPARE(int(any.size()), 1);
        QCOMPARE(any.front().attributes().versionNumber, uint16_t(0x220));
        QCOMPARE(any.front().attributes().size, uint32_t(12));
        QVERIFY(!any.front().isOpen());
        QCOMPARE(any.front().pathString(), m_computer->path());
        QVERIFY(HIDDevice::enumerate(3, 0, 0).empty());
        m_backend->unplug(otherPath);

        for (uint16_t version : {0x210, 0x213, 0x21F}) {
            m_computer->setFirmwareVersion(version);
            m_computer->plugFirmware();
            QCOMPARE(int(HIDDevice::enumerate(4, 0x213, 0xFFF0).size()), 1);
        }
    }

    void writeSendsPaddedReportAndRefusesCodeOne()
    {
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        QVERIFY(!device.write(HIDPacket(17, {2}), 100)); // closed: nothing sent
        QVERIFY(device.open());
        QVERIFY(device.write(HIDPacket(17, {2}), 30000));
        {
            CapturedOutput out;
            QVERIFY(!device.write(HIDPacket(1), 100));
            QCOMPARE(out.text(), std::string("ERROR - CODE READS 1!"));
            QVERIFY(!device.write(HIDPacket(1)));
            QCOMPARE(out.text(), std::string("ERROR - CODE READS 1!ERROR"));
        }
        const auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers.size()), 1);
        SimulatedDevice::Report expected{};
        expected[1] = 17;
        expected[2] = 2;
        QVERIFY(transfers[0].report == expected);
        QCOMPARE(transfers[0].timeoutMs, uint32_t(30000));
    }

    void readFillsCodeAndAllDataOrTimesOut()
    {
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        QVERIFY(device.open());
        HIDPacket packet;
        QVERIFY(device.write(HIDPacket(24), 5000));
        QVERIFY(device.read(packet, 3000000));
        QCOMPARE(int(packet.code), 5);
        QCOMPARE(int(packet.data.size()), HIDPacket::DataSize);

        CapturedOutput out;
        QVERIFY(!device.read(packet)); // nothing queued: a time-out
        QCOMPARE(out.text(), std::string("failed to rx\n"));
        QCOMPARE(m_backend->transfers().back().timeoutMs, uint32_t(500));
    }

    void copyBytesStopsAtTheEndOfData()
    {
        HIDPacket packet(2, {1, 2, 3, 4});
        uint8_t out[4] = {9, 9, 9, 9};
        packet.copyBytes(out, 4, 2);
        QCOMPARE(out[0], uint8_t(3));
        QCOMPARE(out[1], uint8_t(4));
        QCOMPARE(out[2], uint8_t(9));
        packet.copyBytes(out, 4, 200);
        QCOMPARE(out[0], uint8_t(3));
    }

    void openFailureLeavesTheRecordClosed()
    {
        m_computer->setRefuseOpen(true);
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        CapturedOutput out;
        QVERIFY(!device.open());
        QVERIFY(!device.isOpen());
        QCOMPARE(out.text(), std::string("Cant get USB file handle. The file is locked.\nInvalid read handle.\n"
                                         "Invalid write handle.\n"));
        QVERIFY(!HIDDevice().open()); // no path at all
    }

    void copiesNeverShareTheHandle()
    {
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        QVERIFY(device.open());
        {
            HIDDevice copy(device);
            QVERIFY(!copy.isOpen());
            QCOMPARE(copy.pathString(), device.pathString());
            HIDDevice assigned;
            assigned = device;
            QVERIFY(assigned.open());
            QCOMPARE(m_backend->openHandleCount(), 2);
            assigned = HIDDevice(); // closes what it held
            QCOMPARE(m_backend->openHandleCount(), 1);
        }
        QVERIFY(device.isOpen());
        QCOMPARE(m_backend->openHandleCount(), 1);
        device.closeHandles();
        QVERIFY(!device.isOpen());
        QCOMPARE(m_backend->openHandleCount(), 0);
    }

    void transfersFailOnceTheDeviceIsGone()
    {
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        QVERIFY(device.open());
        m_computer->unplug();
        HIDPacket packet;
        CapturedOutput out;
        QVERIFY(!device.write(HIDPacket(24), 5000));
        QVERIFY(!device.read(packet, 5000));
        QCOMPARE(device.flush(), 6);
    }

    void flushSkipsStaleReports()
    {
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        QCOMPARE(device.flush(), 1);
        QVERIFY(device.open());
        CommandFault stale;
        stale.staleReports = 2;
        m_computer->setFault(255, stale);
        m_backend->clearTransfers();
        QCOMPARE(device.flush(), 0);

        const auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers.size()), 4);
        QCOMPARE(int(transfers[0].report[1]), 255);
        QCOMPARE(transfers[0].timeoutMs, uint32_t(5000));
        for (int i = 1; i < 4; ++i)
            QCOMPARE(transfers[i].timeoutMs, uint32_t(500));
        QCOMPARE(int(transfers[3].report[1]), 1);
    }

    void flushGivesUpOnSilenceAndOnEndlessStreams()
    {
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        QVERIFY(device.open());
        CommandFault silent;
        silent.noReply = true;
        m_computer->setFault(255, silent);
        CapturedOutput out;
        QCOMPARE(device.flush(), 6);
        QCOMPARE(m_backend->transfers().back().timeoutMs, uint32_t(500));

        BabblingDevice babbler;
        const std::string path = m_backend->plug(babbler, HIDDevice::VendorId, 9, 0x100);
        HIDDevice stuck = HIDDevice::enumerate(9, 0, 0).front();
        QVERIFY(stuck.open());
        m_backend->clearTransfers();
        QCOMPARE(stuck.flush(500), 6);
        const auto transfers = m_backend->transfers();
        QVERIFY(transfers.size() > 100 && transfers.size() < 10000);
        QCOMPARE(transfers.front().timeoutMs, uint32_t(500));
        m_backend->unplug(path);
    }

    void matchesComparesPathsWithoutCase()
    {
        m_computer->plugFirmware();
        HIDDevice device = firstFlightComputer();
        std::string upper = device.pathString();
        for (char &c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        CapturedOutput out;
        QVERIFY(device.matches({5, upper}));
        QCOMPARE(out.text(), "->" + device.pathString() + "\n->" + upper + "\n");

        out.clear();
        QVERIFY(!device.matches({5, "/sim/hid/99/4"}));
        QCOMPARE(out.text(), "->" + device.pathString() + "\n->/sim/hid/99/4\nMatch Failed.\n");

        out.clear();
        QVERIFY(!device.matches({2, device.pathString()}));
        QCOMPARE(out.text(), std::string("Match Failed.\n"));

        QVERIFY(!HIDDevice().matches({5, ""})); // an empty record matches nothing
    }

private:
    std::unique_ptr<SimulatedHidBackend> m_backend;
    std::unique_ptr<SimulatedFlightComputer> m_computer;
};

QTEST_GUILESS_MAIN(TestHIDDevice)
#include "TestHIDDevice.moc"
