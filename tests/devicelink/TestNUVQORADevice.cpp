#include "CapturedOutput.h"
#include "DeviceNotice.h"
#include "NUVEvent_Ident.h"
#include "NUVEvent_Text.h"
#include "NUVQORADevice.h"
#include "SimulatorFixture.h"

#include <QtTest>

#include <functional>

namespace {

struct DeviceFixture : SimulatorFixture
{
    NUVQORADevice device;
};

// The command layer connected to the simulated firmware, the connection's transfers forgotten.
struct ConnectedDevice : DeviceFixture
{
    ConnectedDevice()
    {
        computer.plugFirmware();
        uint16_t version = 0;
        QCOMPARE(device.connectFirmware(version), 0);
        backend.clearTransfers();
    }
};

// One command: its request, the read time-out it asks for, and its result when unanswered.
struct CommandCase
{
    const char *name;
    uint8_t code;
    std::vector<uint8_t> data;
    uint32_t readTimeoutMs;
    int timeoutResult; // when no reply arrives in time
    std::function<int(NUVQORADevice &)> run;
};

const std::vector<CommandCase> &commandCases()
{
    static uint8_t bytes[44];
    static std::vector<uint8_t> memory;
    static const std::vector<CommandCase> cases{
        {"exitFirmware", 10, {}, 5000, 6, [](NUVQORADevice &d) { return d.exitFirmware(); }},
        {"readAlmanacList", 11, {}, 5000, 5, [](NUVQORADevice &d) { return d.readAlmanacList(bytes); }},
        {"readAlmanac", 13, {3}, 5000, 5, [](NUVQORADevice &d) { return d.readAlmanac(bytes); }},
        {"storeAlmanacs", 15, {}, 60000, 6, [](NUVQORADevice &d) { return d.storeAlmanacs(); }},
        {"uploadAlmanacs", 16, {}, 10000, 5, [](NUVQORADevice &d) { return d.uploadAlmanacs(bytes[0]); }},
        {"fireLine", 17, {2}, 30000, 6, [](NUVQORADevice &d) { return d.fireLine(2); }},
        {"clearSVData", 19, {}, 5000, 6, [](NUVQORADevice &d) { return d.clearSVData(); }},
        {"resetSettings", 20, {}, 5000, 5, [](NUVQORADevice &d) { return d.resetSettings(); }},
        {"clearFlightMemory", 21, {}, 60000, 6, [](NUVQORADevice &d) { return d.clearFlightMemory(); }},
        {"totalDataSize", 24, {}, 3000000, 5, [](NUVQORADevice &d) { uint32_t size; return d.totalDataSize(size); }},
        {"initEmulation", 25, {0x78, 0x56, 0x34, 0x12}, 5000, 6,
         [](NUVQORADevice &d) { return d.initEmulation(0x12345678); }},
        {"emulationStep", 32, {0xA0, 0x86, 0x01, 0x00, 0x24, 0xFA, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x02, 0x00, 0x03, 0x00,
                               0x04, 0x00, 0xFB, 0xFF, 0x06, 0x00}, 5000, 6, [](NUVQORADevice &d) {
             return d.emulationStep({100000, uint32_t(-1500), 0xFF, {-256, 2, 3}, {4, -5, 6}}, nullptr);
         }},
        {"readSettings", 6, {}, 5000, 5, [](NUVQORADevice &d) { return d.readSettings(); }},
        {"writeSettings", 7, {}, 5000, 5, [](NUVQORADevice &d) { return d.writeSettings(); }},
        {"downloadData", 22, {0, 0, 0, 0, 100, 0, 0, 0}, 5000, 5,
         [](NUVQORADevice &d) { memory.clear(); return d.downloadData(memory, 100, nullptr); }},
    };
    return cases;
}

CommandFault chunkFault(int index, int count)
{
    CommandFault fault;
    fault.chunkIndex = index;
    fault.chunkCount = count;
    return fault;
}

enum Fault { Answered, Closed, Silent, WrongReply, Rejected, StaleReport };

std::vector<uint8_t> dataOf(const Transfer &t, int from, int count)
{
    return {t.report.begin() + 2 + from, t.report.begin() + 2 + from + count};
}

bool flushed(const SimulatorFixture &f)
{
    const std::vector<int> codes = f.requestCodes();
    return std::find(codes.begin(), codes.end(), 255) != codes.end();
}

} // namespace

Q_DECLARE_METATYPE(CommandFault)

class TestNUVQORADevice : public QObject
{
    Q_OBJECT

private slots:
    void commands_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("result");
        for (size_t i = 0; i < commandCases().size(); ++i) {
            const CommandCase &c = commandCases()[i];
            const auto row = [&](const char *fault, Fault f, int result) {
                QTest::addRow("%s %s", c.name, fault) << int(i) << int(f) << result;
            };
            row("answered", Answered, 0);
            row("closed", Closed, 1);
            row("unanswered", Silent, c.timeoutResult);
            row("wrong reply", WrongReply, 5);
            row("rejected", Rejected, 6);
            row("behind a stale report", StaleReport, 5); // judged on the code alone
        }
    }
    void commands()
    {
        QFETCH(int, index);
        QFETCH(int, fault);
        QFETCH(int, result);
        const CommandCase &c = commandCases()[index];
        ConnectedDevice f;
        CommandFault misbehaviour;
        switch (fault) {
        case Closed: f.device.close(); break;
        case Silent: misbehaviour = silence(); break;
        case WrongReply: misbehaviour = replyWithCode(7); break;
        case Rejected: misbehaviour = rejection(); break;
        case StaleReport: misbehaviour = faultOf(&CommandFault::staleReports, 1); break;
        }
        f.computer.setFault(c.code, misbehaviour);

        CapturedOutput quiet;
        QCOMPARE(c.run(f.device), result);
        const auto transfers = f.backend.transfers();
        QCOMPARE(transfers.empty(), fault == Closed);
        if (fault == Answered) {
            QVERIFY(transfers[0].report == reportOf(c.code, c.data));
            for (const Transfer &t : transfers)
                QCOMPARE(t.timeoutMs, t.kind == Transfer::Write ? 5000u : c.readTimeoutMs);
        }
        // Only leaving the firmware closes the record; no fault does.
        QCOMPARE(f.device.isOpen(), fault != Closed && !(fault == Answered && c.code == 10));
    }

    void bootloaderStartsTheFirmware()
    {
        DeviceFixture f;
        CapturedOutput out;
        QCOMPARE(f.device.startFirmware(), -7); // no bootloader to open
        f.computer.plugBootloader();
        uint16_t version = 0;
        QCOMPARE(f.device.connectBootloader(version), 0);
        QCOMPARE(f.device.connectBootloader(version), 0); // closes the record it held
        QCOMPARE(f.backend.openHandleCount(), 1);
        f.computer.setFault(3, rejection());
        out.clear();
        QCOMPARE(f.device.startFirmware(), -4);
        QCOMPARE(out.text(), std::string("Failed to write.\n"));
        QCOMPARE(f.computer.mode(), SimulatedFlightComputer::Mode::Bootloader);

        f.computer.clearFaults();
        f.backend.clearTransfers();
        QCOMPARE(f.device.startFirmware(), 0);
        QVERIFY(!f.device.bootloader.isOpen());
        const auto transfers = f.backend.transfers();
        QCOMPARE(int(transfers.size()), 1);
        QVERIFY(transfers[0].report == reportOf(3));
        QCOMPARE(transfers[0].timeoutMs, uint32_t(3000));
        QCOMPARE(f.computer.mode(), SimulatedFlightComputer::Mode::Firmware);
        QCOMPARE(f.device.connectFirmware(version), 0);
        QCOMPARE(version, uint16_t(0x213));
        QVERIFY(f.device.matches({5, f.computer.path()}));
        QVERIFY(!f.device.bootloader.matches({5, f.computer.path()}));
    }

    void otherIdentitiesReuseTheConnection()
    {
        // The ground station: bootloader 5 / 0x200, firmware 6 / 0x202.
        const DeviceIdentity groundStation{5, 0x200, 6, 0x202};
        DeviceFixture f;
        f.backend.plug(f.computer, HIDDevice::VendorId, 6, 0x203); // only its identity matters
        HIDDevice firmware;
        HIDDevice bootloader;
        uint16_t version = 0;
        CapturedOutput quiet;
        QCOMPARE(NUVQORADevice::connectFirmware(firmware, groundStation, version), 0);
        QCOMPARE(version, uint16_t(0x203));
        QVERIFY(firmware.isOpen());
        QCOMPARE(NUVQORADevice::connectBootloader(bootloader, groundStation, version), -1);
        QCOMPARE(NUVQORADevice::connectFirmware(f.device, NUVQORADevice::Identity, version), 1);
    }

    void failedSettingsReadKeepsTheBlock_data()
    {
        QTest::addColumn<CommandFault>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<bool>("flushes");
        QTest::newRow("refused") << replyWithCode(9) << 6 << "error - checksum or firmware clash\nexit settings\n"
                                 << true;
        QTest::newRow("silent") << silence() << 5 << "Wrong code: 6\n" << true;
        QTest::newRow("stale report") << faultOf(&CommandFault::staleReports, 1) << 5 << "Wrong code: 2\n" << true;
        QTest::newRow("short second chunk") << chunkFault(1, 36) << 5 << "Incorrect byte count1\n" << false;
        QTest::newRow("oversized chunk") << chunkFault(0, 61) << 5 << "Incorrect byte count2\n" << false;
        QTest::newRow("unplugged after a chunk")
            << faultOf(&CommandFault::unplugAfterReports, 1) << 5 << "Wrong code: 6\n" << true;
        QTest::newRow("request lost") << rejection() << 6 << "FAILED TO READ. (read settings 1): \nexit settings\n"
                                      << false;
    }
    void failedSettingsReadKeepsTheBlock()
    {
        QFETCH(CommandFault, fault);
        QFETCH(int, result);
        QFETCH(QString, printed);
        QFETCH(bool, flushes);
        ConnectedDevice f;
        f.computer.setFault(6, fault);
        auto image = f.computer.settingsImage();
        image[10] = 99;
        f.computer.setSettingsImage(image);
        const NUVQORASettings::Image before = f.device.settings.image;

        CapturedOutput out;
        QCOMPARE(f.device.readSettings(), result);
        QVERIFY(f.device.settings.image == before);
        QVERIFY(QString::fromStdString(out.text()).endsWith(printed));
        QCOMPARE(flushed(f), flushes);
    }

    void settingsTravelInTwoChunks()
    {
        ConnectedDevice f;
        NUVQORASettings &settings = f.device.settings;
        settings.image[38] = 'Z';
        settings.image[95] = 0; // stale checksum: the write computes it
        CapturedOutput out;
        QCOMPARE(f.device.writeSettings(), 0);
        QCOMPARE(out.text(), std::string("bytes: 60\nwrote packet: 0\nbytes: 37\nwrote packet: 1\nsuccessful write\n"));
        QVERIFY(f.computer.settingsImage() == settings.image);
        QCOMPARE(settings.storedChecksum(), settings.calculatedChecksum());
        auto transfers = f.backend.transfers();
        QCOMPARE(int(transfers.size()), 4);
        QVERIFY(dataOf(transfers[1], 0, 3) == (std::vector<uint8_t>{0, 0, 60}));
        const std::vector<uint8_t> written(settings.image.begin(), settings.image.end());
        QVERIFY(dataOf(transfers[1], 3, 60) == std::vector<uint8_t>(written.begin(), written.begin() + 60));
        QVERIFY(dataOf(transfers[2], 0, 3) == (std::vector<uint8_t>{1, 0, 37}));
        QVERIFY(dataOf(transfers[2], 3, 37) == std::vector<uint8_t>(written.begin() + 60, written.end()));
        QCOMPARE(int(transfers[2].report[2 + 3 + 37]), 0); // zero padded

        auto image = f.computer.settingsImage();
        image[96] ^= 0xFF; // the host does not judge the checksum of what it reads
        f.computer.setSettingsImage(image);
        settings = NUVQORASettings();
        settings.valid = false;
        f.backend.clearTransfers();
        out.clear();
        QCOMPARE(f.device.readSettings(), 0);
        QVERIFY(settings.image == image && settings.valid);
        QCOMPARE(out.text(), std::string("enter settings\ndone txing\nexit settings\n"));
        transfers = f.backend.transfers();
        QCOMPARE(int(transfers.size()), 3);
        QVERIFY(dataOf(transfers[1], 0, 3) == (std::vector<uint8_t>{0, 0, 60}));
        QVERIFY(dataOf(transfers[2], 0, 3) == (std::vector<uint8_t>{1, 0, 37}));

        f.computer.setFault(7, replyWithCode(9));
        QCOMPARE(f.device.writeSettings(), 6);
        QVERIFY(out.contains("error\nerror - checksum or firmware clash\n"));
        f.computer.setFault('!', rejection()); // a chunk not taken
        QCOMPARE(f.device.writeSettings(), 6);
    }

    void downloadReportsProgressAndCanBeCancelled()
    {
        ConnectedDevice f;
        std::vector<uint8_t> memory(1000);
        for (size_t i = 0; i < memory.size(); ++i)
            memory[i] = uint8_t(i * 7);
        f.computer.setMemoryImage(memory);
        std::vector<uint8_t> buffer;
        std::vector<std::pair<int, int>> calls;
        QCOMPARE(f.device.downloadData(buffer, 1000, [&](int total, int received) {
            calls.emplace_back(total, received);
            return false;
        }), 0);
        QVERIFY(buffer == memory);
        QCOMPARE(int(calls.size()), 17);
        QCOMPARE(calls.front(), std::make_pair(1000, 60));
        QCOMPARE(calls.back(), std::make_pair(1000, 1000));

        f.backend.clearTransfers();
        buffer.clear();
        QCOMPARE(f.device.downloadData(buffer, 1000, [](int, int) { return true; }), 0);
        QCOMPARE(int(buffer.size()), 60);
        QCOMPARE(f.requestCodes(), (std::vector<int>{22, 255}));
        // The stream has stopped: the next command gets its own reply.
        uint32_t size = 0;
        QCOMPARE(f.device.totalDataSize(size), 0);
        QCOMPARE(size, uint32_t(1000));
    }

    void brokenDownloadStreams()
    {
        ConnectedDevice f;
        CapturedOutput quiet;
        f.computer.setMemoryImage(std::vector<uint8_t>(500, 1));
        std::vector<uint8_t> buffer(600);
        QCOMPARE(f.device.downloadData(buffer, 600, nullptr), 0); // nothing wanted: no read
        QCOMPARE(int(f.backend.transfers().size()), 1);

        f.computer.setFault(22, chunkFault(0, 200)); // more than a report holds: only the report's 60 bytes count
        buffer.clear();
        QCOMPARE(f.device.downloadData(buffer, 120, nullptr), 0);
        QCOMPARE(int(buffer.size()), 120);

        f.computer.setFault(22, faultOf(&CommandFault::unplugAfterReports, 3));
        buffer.clear();
        QCOMPARE(f.device.downloadData(buffer, 500, nullptr), 5);
        QCOMPARE(int(buffer.size()), 180);
    }

    void liveRecordsAreCutToTheirLength()
    {
        ConnectedDevice f;
        auto ident = f.device.readEvent(17);
        QCOMPARE(dynamic_cast<NUVEvent_Ident &>(*ident).ident, std::string("QORA21"));
        auto text = f.device.readEvent(1);
        QCOMPARE(dynamic_cast<NUVEvent_Text &>(*text).text, std::string("QORA ready"));
        f.computer.setLiveRecord(20, {20, 1, 2, 3, 4});
        QVERIFY(!f.device.readEvent(20)); // no class for this record
        QVERIFY(f.device.isOpen());
    }

    void failedLiveReads_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("closed") << int(Closed) << "" << false;
        QTest::newRow("wrong reply") << int(WrongReply) << "not an event. code: 7\n" << true;
        QTest::newRow("silent") << int(Silent) << "failed to rx\nfailed to read event" << false;
        QTest::newRow("rejected") << int(Rejected) << "FAILED TO WRITE. code: 11\n" << false;
    }
    void failedLiveReads()
    {
        QFETCH(int, fault);
        QFETCH(QString, printed);
        QFETCH(bool, staysOpen);
        ConnectedDevice f;
        f.computer.setFault(3, fault == Silent ? silence() : fault == Rejected ? rejection() : replyWithCode(7));
        if (fault == Closed)
            f.device.close();
        CapturedOutput out;
        QVERIFY(!f.device.readEvent(17));
        QCOMPARE(QString::fromStdString(out.text()), printed);
        QCOMPARE(f.device.isOpen(), staysOpen);
        QCOMPARE(flushed(f), staysOpen); // a wrong reply is flushed; a failed transfer closes the record
    }
};

QTEST_GUILESS_MAIN(TestNUVQORADevice)
#include "TestNUVQORADevice.moc"
