#include "CapturedOutput.h"
#include "DeviceNotice.h"
#include "HIDDevice.h"
#include "SimulatorFixture.h"

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
        report = reportOf('!');
        return true;
    }
    void dropQueuedInput() override {}
};

// The simulated firmware, plugged, and a closed record of it.
struct PluggedFirmware : SimulatorFixture
{
    HIDDevice device;

    PluggedFirmware()
    {
        computer.plugFirmware();
        device = HIDDevice::enumerate(4, 0, 0).at(0);
    }
};

} // namespace

class TestHIDDevice : public QObject
{
    Q_OBJECT

private slots:
    void enumerationFiltersByProductAndMaskedVersion()
    {
        SimulatorFixture f;
        QVERIFY(HIDDevice::enumerate(4, 0x213, 0xFFF0).empty());
        f.computer.setFirmwareVersion(0x220);
        f.computer.plugFirmware();
        BabblingDevice other;
        const std::string otherPath = f.backend.plug(other, 0x1234, 4, 0x213); // another vendor's product 4

        QVERIFY(HIDDevice::enumerate(4, 0x213, 0xFFF0).empty());
        const auto any = HIDDevice::enumerate(4, 0, 0);
        QCOMPARE(int(any.size()), 1);
        QCOMPARE(any.front().attributes().versionNumber, uint16_t(0x220));
        QVERIFY(!any.front().isOpen());
        QCOMPARE(any.front().pathString(), f.computer.path());
        QVERIFY(HIDDevice::enumerate(3, 0, 0).empty());
        f.backend.unplug(otherPath);

        for (uint16_t version : {0x210, 0x213, 0x21F}) {
            f.computer.setFirmwareVersion(version);
            f.computer.plugFirmware();
            QCOMPARE(int(HIDDevice::enumerate(4, 0x213, 0xFFF0).size()), 1);
        }
    }

    void transfersOfPaddedReports()
    {
        PluggedFirmware f;
        QVERIFY(!f.device.write(HIDPacket(17, {2}), 100)); // closed: nothing sent
        QVERIFY(f.device.open());
        HIDPacket packet;
        QVERIFY(f.device.write(HIDPacket(24), 5000));
        QVERIFY(f.device.read(packet, 3000000));
        QCOMPARE(int(packet.code), 5);
        QCOMPARE(int(packet.data.size()), HIDPacket::DataSize);
        CapturedOutput out;
        QVERIFY(!f.device.read(packet)); // nothing queued: a time-out
        QCOMPARE(out.text(), std::string("failed to rx\n"));
        QCOMPARE(f.backend.transfers().back().timeoutMs, uint32_t(500));

        f.backend.clearTransfers();
        out.clear();
        QVERIFY(f.device.write(HIDPacket(17, {2}), 30000));
        QVERIFY(!f.device.write(HIDPacket(1), 100)); // code 1 is refused
        QVERIFY(!f.device.write(HIDPacket(1)));
        QCOMPARE(out.text(), std::string("ERROR - CODE READS 1!ERROR"));
        const auto transfers = f.backend.transfers();
        QCOMPARE(int(transfers.size()), 1);
        QVERIFY(transfers[0].report == reportOf(17, {2}));
        QCOMPARE(transfers[0].timeoutMs, uint32_t(30000));

        f.computer.unplug();
        QVERIFY(!f.device.write(HIDPacket(24), 5000));
        QVERIFY(!f.device.read(packet, 5000));
        QCOMPARE(f.device.flush(), 6);
    }

    void copyBytesStopsAtTheEndOfData()
    {
        HIDPacket packet(2, {1, 2, 3, 4});
        uint8_t out[4] = {9, 9, 9, 9};
        packet.copyBytes(out, 4, 2);
        QCOMPARE(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{3, 4, 9, 9}));
        packet.copyBytes(out, 4, 200);
        QCOMPARE(out[0], uint8_t(3));
    }

    void copiesNeverShareTheHandle()
    {
        PluggedFirmware f;
        QVERIFY(f.device.open());
        {
            HIDDevice copy(f.device);
            QVERIFY(!copy.isOpen());
            QCOMPARE(copy.pathString(), f.device.pathString());
            HIDDevice assigned;
            assigned = f.device;
            QVERIFY(assigned.open());
            QCOMPARE(f.backend.openHandleCount(), 2);
            assigned = HIDDevice(); // closes what it held
            QCOMPARE(f.backend.openHandleCount(), 1);
        }
        QVERIFY(f.device.isOpen());
        QCOMPARE(f.backend.openHandleCount(), 1);
        f.device.close();
        QVERIFY(!f.device.isOpen());
        QCOMPARE(f.backend.openHandleCount(), 0);
    }

    void flushSkipsStaleReportsButGivesUpOnSilenceAndEndlessStreams()
    {
        PluggedFirmware f;
        QCOMPARE(f.device.flush(), 1);
        QVERIFY(f.device.open());
        f.computer.setFault(255, faultOf(&CommandFault::staleReports, 2));
        f.backend.clearTransfers();
        QCOMPARE(f.device.flush(), 0);
        auto transfers = f.backend.transfers();
        QCOMPARE(int(transfers.size()), 4);
        QVERIFY(transfers[0].report == reportOf(255));
        QCOMPARE(transfers[0].timeoutMs, uint32_t(5000));
        for (int i = 1; i < 4; ++i)
            QCOMPARE(transfers[i].timeoutMs, uint32_t(500));
        QCOMPARE(int(transfers[3].report[1]), 1);

        f.computer.setFault(255, silence());
        CapturedOutput quiet;
        QCOMPARE(f.device.flush(), 6);
        QCOMPARE(f.backend.transfers().back().timeoutMs, uint32_t(500));

        BabblingDevice babbler;
        const std::string path = f.backend.plug(babbler, HIDDevice::VendorId, 9, 0x100);
        HIDDevice stuck = HIDDevice::enumerate(9, 0, 0).at(0);
        QVERIFY(stuck.open());
        f.backend.clearTransfers();
        QCOMPARE(stuck.flush(500), 6);
        transfers = f.backend.transfers();
        QVERIFY(transfers.size() > 100 && transfers.size() < 10000);
        QCOMPARE(transfers.front().timeoutMs, uint32_t(500));
        f.backend.unplug(path);
    }

    void matchesComparesPathsWithoutCase()
    {
        PluggedFirmware f;
        const std::string path = f.device.pathString();
        std::string upper = path;
        for (char &c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        CapturedOutput out;
        QVERIFY(f.device.matches({5, upper}));
        QCOMPARE(out.text(), "->" + path + "\n->" + upper + "\n");

        out.clear();
        QVERIFY(!f.device.matches({5, "/sim/hid/99/4"}));
        QCOMPARE(out.text(), "->" + path + "\n->/sim/hid/99/4\nMatch Failed.\n");

        out.clear();
        QVERIFY(!f.device.matches({2, path}));
        QCOMPARE(out.text(), std::string("Match Failed.\n"));

        QVERIFY(!HIDDevice().matches({5, ""})); // an empty record matches nothing and opens nothing
        QVERIFY(!HIDDevice().open());
    }
};

QTEST_GUILESS_MAIN(TestHIDDevice)
#include "TestHIDDevice.moc"
