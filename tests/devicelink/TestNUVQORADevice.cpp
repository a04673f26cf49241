#include "CapturedOutput.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_Ident.h"
#include "NUVEvent_Orientation.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_Text.h"
#include "NUVQORADevice.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <QtTest>

#include <cstring>
#include <functional>
#include <typeinfo>

namespace {

using Transfer = SimulatedHidBackend::Transfer;
using Command = std::function<int(NUVQORADevice &)>;

struct CommandCase
{
    const char *name;
    uint8_t code;
    std::vector<uint8_t> data;
    uint32_t readTimeoutMs;
    int timeoutResult; // when no reply arrives in time
    Command run;
};

const std::vector<CommandCase> &commandCases()
{
    static uint8_t bytes[44];
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
        {"totalDataSize", 24, {}, 3000000, 5,
         [](NUVQORADevice &d) { uint32_t size; return d.totalDataSize(size); }},
        {"initEmulation", 25, {0x78, 0x56, 0x34, 0x12}, 5000, 6,
         [](NUVQORADevice &d) { return d.initEmulation(0x12345678); }},
        {"emulationStep", 32, std::vector<uint8_t>(21), 5000, 6,
         [](NUVQORADevice &d) { return d.emulationStep({}, nullptr); }},
    };
    return cases;
}

SimulatedDevice::Report report(uint8_t code, const std::vector<uint8_t> &data = {})
{
    SimulatedDevice::Report r{};
    r[1] = code;
    std::copy(data.begin(), data.end(), r.begin() + 2);
    return r;
}

std::vector<uint8_t> bytesOf(const Transfer &t, int from, int count)
{
    return {t.report.begin() + 2 + from, t.report.begin() + 2 + from + count};
}

} // namespace

Q_DECLARE_METATYPE(SimulatedDevice::Report)

class TestNUVQORADevice : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_backend.reset(new SimulatedHidBackend);
        m_backend->setNoticeListener(nullptr);
        HidBackend::setCurrent(m_backend.get());
        m_computer.reset(new SimulatedFlightComputer(*m_backend));
        m_computer->plugFirmware();
        m_device.reset(new NUVQORADevice);
        uint16_t version = 0;
        CapturedOutput quiet;
        QCOMPARE(m_device->connectFirmware(version), 0);
        m_backend->clearTransfers();
    }
    void cleanup()
    {
        m_device.reset();
        m_computer.reset();
        HidBackend::setCurrent(nullptr);
        m_backend.reset();
    }

    void resultAndVersionTexts()
    {
        const char *texts[] = {"Ok", "No device", "Incorrect boot version", "Incorrect version",
                               "Checksum error", "Protocol error", "Generic error", "Unknown error"};
        for (int code = 0; code < 8; ++code)
            QCOMPARE(NUVQORADevice::resultText(code), QString(texts[code]));
        QCOMPARE(NUVQORADevice::resultText(-1), QString("Unknown error"));
        QCOMPARE(NUVQORADevice::versionText(0x213), QString("2.13"));
        QCOMPARE(NUVQORADevice::versionText(0x1005), QString("10.05"));
        QCOMPARE(m_device->expectedVersionText(), QString("2.1x"));
        QCOMPARE(NUVQORADevice::expectedVersionText(0x202), QString("2.0x"));
    }

    void freshDeviceHoldsValidDefaults()
    {
        NUVQORADevice fresh;
        QVERIFY(!fresh.isOpen() && !fresh.bootloader.isOpen());
        QVERIFY(fresh.settings.valid);
        QVERIFY(fresh.settings.image == SimulatedFlightComputer::defaultSettingsImage());
    }

    void closedRecordSendsNothing()
    {
        NUVQORADevice closed;
        for (const CommandCase &c : commandCases())
            QCOMPARE(c.run(closed), 1);
        std::vector<uint8_t> buffer;
        QCOMPARE(closed.readSettings(), 1);
        QCOMPARE(closed.writeSettings(), 1);
        QCOMPARE(closed.downloadData(buffer, 100, [](int, int) { return false; }), 1);
        QVERIFY(!closed.readEvent(2));
        QVERIFY(m_backend->transfers().empty());
    }

    void commandExchange_data()
    {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < commandCases().size(); ++i)
            QTest::newRow(commandCases()[i].name) << int(i);
    }
    void commandExchange()
    {
        QFETCH(int, index);
        const CommandCase &c = commandCases()[index];
        CapturedOutput quiet;

        QCOMPARE(c.run(*m_device), 0);
        auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers.size()), 2);
        QCOMPARE(transfers[0].kind, Transfer::Write);
        QCOMPARE(transfers[0].timeoutMs, uint32_t(5000));
        QVERIFY(transfers[0].report == report(c.code, c.data));
        QCOMPARE(transfers[1].kind, Transfer::Read);
        QCOMPARE(transfers[1].timeoutMs, c.readTimeoutMs);
        if (c.code == 10) { // leaving the firmware closes the record; come back for the faults
            QVERIFY(!m_device->isOpen());
            m_computer->plugFirmware();
            uint16_t version;
            QCOMPARE(m_device->connectFirmware(version), 0);
        }

        CommandFault fault;
        fault.noReply = true;
        m_computer->setFault(c.code, fault);
        QCOMPARE(c.run(*m_device), c.timeoutResult);
        fault = {};
        fault.replyCode = 7;
        m_computer->setFault(c.code, fault);
        QCOMPARE(c.run(*m_device), 5);
        fault = {};
        fault.rejectRequest = true;
        m_computer->setFault(c.code, fault);
        QCOMPARE(c.run(*m_device), 6);
        fault = {};
        fault.staleReports = 1; // judged on the code alone: a leftover report is a wrong reply
        m_computer->setFault(c.code, fault);
        QCOMPARE(c.run(*m_device), 5);
        QVERIFY(m_device->isOpen());
    }

    void repliesAreCopiedOut()
    {
        CapturedOutput out;
        SimulatedFlightComputer::AlmanacList list{};
        list[0] = 5;
        list[1] = 255;
        list[2] = 12;
        m_computer->setAlmanacList(list);
        uint8_t received[32] = {};
        QCOMPARE(m_device->readAlmanacList(received), 0);
        QCOMPARE(received[0], uint8_t(5));
        QCOMPARE(received[2], uint8_t(12));
        QVERIFY(out.contains("[5][255][12][0]"));

        SimulatedFlightComputer::Almanac almanac;
        for (int i = 0; i < 44; ++i)
            almanac[i] = uint8_t(i + 1);
        m_computer->setAlmanac(almanac);
        uint8_t record[44] = {};
        QCOMPARE(m_device->readAlmanac(record), 0);
        QCOMPARE(record[43], uint8_t(44));

        uint8_t count = 0;
        QCOMPARE(m_device->uploadAlmanacs(count), 0);
        QCOMPARE(count, uint8_t(2));

        m_computer->setMemoryImage(std::vector<uint8_t>(0x012345, 0xAA));
        uint32_t size = 0;
        QCOMPARE(m_device->totalDataSize(size), 0);
        QCOMPARE(size, uint32_t(0x012345));
        QCOMPARE(m_device->clearFlightMemory(), 0);
        QCOMPARE(m_device->totalDataSize(size), 0);
        QCOMPARE(size, uint32_t(0));

        QCOMPARE(m_device->fireLine(3), 0);
        QCOMPARE(m_computer->firedLines(), std::vector<int>{3});
        QCOMPARE(m_device->storeAlmanacs(), 0);
        QCOMPARE(m_computer->almanacStoreCount(), 1);
        QCOMPARE(m_device->clearSVData(), 0);
        QCOMPARE(m_computer->almanacList()[0], uint8_t(0));
    }

    void emulationStepLayouts()
    {
        QCOMPARE(m_device->initEmulation(101325), 0);
        QCOMPARE(m_computer->emulationStartValue(), uint32_t(101325));
        EmulationStepRequest step;
        step.pressure = 100000;
        step.gpsAltitude = uint32_t(-1500);
        step.gpsValid = 0xFF;
        step.acceleration = {-256, 2, 3};
        step.gyro = {4, -5, 6};
        EmulationStepReply reply;
        reply.w = 0;
        QCOMPARE(m_device->emulationStep(step, &reply), 0);

        const Transfer request = m_backend->transfers()[2];
        QVERIFY(bytesOf(request, 0, 21)
                == (std::vector<uint8_t>{0xA0, 0x86, 0x01, 0x00, 0x24, 0xFA, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x02, 0x00,
                                         0x03, 0x00, 0x04, 0x00, 0xFB, 0xFF, 0x06, 0x00}));
        const auto steps = m_computer->emulationSteps();
        QCOMPARE(int(steps.size()), 1);
        QCOMPARE(steps[0].gpsAltitude, -1500);
        QCOMPARE(steps[0].gyro[1], int16_t(-5));

        // The reply's floats come back as the device wrote them.
        const Transfer answer = m_backend->transfers()[3];
        float altitude;
        const uint32_t bits = answer.report[3] | answer.report[4] << 8 | answer.report[5] << 16 | uint32_t(answer.report[6]) << 24;
        std::memcpy(&altitude, &bits, sizeof altitude);
        QCOMPARE(reply.altitude, altitude);
        QVERIFY(altitude > 100); // 100000 Pa lies about 110 m above 101325 Pa
        QCOMPARE(reply.w, 1.0f);
        QCOMPARE(int(reply.flightState), int(answer.report[2]));
    }

    void exitFirmwareReturnsTheDeviceToItsBootloader()
    {
        QCOMPARE(m_device->exitFirmware(), 0);
        QVERIFY(!m_device->isOpen());
        QCOMPARE(m_computer->mode(), SimulatedFlightComputer::Mode::Bootloader);
    }

    void settingsReadTakesTwoChunks()
    {
        auto image = SimulatedFlightComputer::defaultSettingsImage();
        image[38] = 'X';
        image[96] ^= 0xFF; // the host does not judge the checksum of what it reads
        m_computer->setSettingsImage(image);
        m_device->settings.valid = false;
        CapturedOutput out;
        QCOMPARE(m_device->readSettings(), 0);
        QVERIFY(m_device->settings.image == image);
        QVERIFY(m_device->settings.valid);
        QCOMPARE(out.text(), std::string("enter settings\ndone txing\nexit settings\n"));
        const auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers.size()), 3);
        QVERIFY(transfers[0].report == report(6));
        for (const Transfer &t : transfers)
            QCOMPARE(t.timeoutMs, uint32_t(5000));
        QCOMPARE(int(transfers[1].report[4]), 60);
        QCOMPARE(int(transfers[2].report[2]), 1); // chunk number 1
        QCOMPARE(int(transfers[2].report[4]), 37);
    }

    void settingsReadFailuresKeepTheBlock_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<bool>("flushes");
        QTest::newRow("refused") << 0 << 6 << "error - checksum or firmware clash\nexit settings\n" << true;
        QTest::newRow("silent") << 1 << 5 << "Wrong code: 6\n" << true;
        QTest::newRow("stale report") << 2 << 5 << "Wrong code: 2\n" << true;
        QTest::newRow("short second chunk") << 3 << 5 << "Incorrect byte count1\n" << false;
        QTest::newRow("oversized chunk") << 4 << 5 << "Incorrect byte count2\n" << false;
        QTest::newRow("unplugged after a chunk") << 5 << 5 << "Wrong code: 6\n" << true;
        QTest::newRow("request lost") << 6 << 6 << "FAILED TO READ. (read settings 1): \nexit settings\n" << false;
    }
    void settingsReadFailuresKeepTheBlock()
    {
        QFETCH(int, setup);
        QFETCH(int, result);
        QFETCH(QString, printed);
        QFETCH(bool, flushes);
        CommandFault fault;
        switch (setup) {
        case 0: fault.replyCode = 9; break;
        case 1: fault.noReply = true; break;
        case 2: fault.staleReports = 1; break;
        case 3: fault.chunkIndex = 1; fault.chunkCount = 36; break;
        case 4: fault.chunkIndex = 0; fault.chunkCount = 61; break;
        case 5: fault.unplugAfterReports = 1; break;
        case 6: fault.rejectRequest = true; break;
        }
        m_computer->setFault(6, fault);
        auto image = m_computer->settingsImage();
        image[10] = 99;
        m_computer->setSettingsImage(image);
        const NUVQORASettings before = m_device->settings;

        CapturedOutput out;
        QCOMPARE(m_device->readSettings(), result);
        QVERIFY(m_device->settings.image == before.image);
        QVERIFY(QString::fromStdString(out.text()).endsWith(printed));
        bool flushed = false;
        for (const Transfer &t : m_backend->transfers())
            flushed |= t.kind == Transfer::Write && t.report[1] == 255;
        QCOMPARE(flushed, flushes);
    }

    void settingsWriteSendsThreeReports()
    {
        m_device->settings.image[38] = 'Z';
        m_device->settings.image[95] = 0; // stale checksum: the write computes it
        CapturedOutput out;
        QCOMPARE(m_device->writeSettings(), 0);
        QCOMPARE(out.text(), std::string("bytes: 60\nwrote packet: 0\nbytes: 37\nwrote packet: 1\nsuccessful write\n"));
        QVERIFY(m_computer->settingsImage() == m_device->settings.image);
        QCOMPARE(m_device->settings.storedChecksum(), m_device->settings.calculatedChecksum());

        const auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers.size()), 4);
        QVERIFY(transfers[0].report == report(7));
        QVERIFY(bytesOf(transfers[1], 0, 3) == (std::vector<uint8_t>{0, 0, 60}));
        QVERIFY(bytesOf(transfers[1], 3, 60) == std::vector<uint8_t>(m_device->settings.image.begin(), m_device->settings.image.begin() + 60));
        QVERIFY(bytesOf(transfers[2], 0, 3) == (std::vector<uint8_t>{1, 0, 37}));
        QVERIFY(bytesOf(transfers[2], 3, 37) == std::vector<uint8_t>(m_device->settings.image.begin() + 60, m_device->settings.image.end()));
        QCOMPARE(int(transfers[2].report[2 + 3 + 37]), 0); // zero padded
        for (const Transfer &t : transfers)
            QCOMPARE(t.timeoutMs, uint32_t(5000));
    }

    void settingsWriteFailures()
    {
        CapturedOutput out;
        CommandFault fault;
        fault.replyCode = 9;
        m_computer->setFault(7, fault);
        QCOMPARE(m_device->writeSettings(), 6);
        QVERIFY(out.contains("error\nerror - checksum or firmware clash\n"));

        fault = {};
        fault.noReply = true;
        m_computer->setFault(7, fault);
        QCOMPARE(m_device->writeSettings(), 5);

        fault = {};
        fault.rejectRequest = true;
        m_computer->setFault('!', fault);
        QCOMPARE(m_device->writeSettings(), 6);
        m_computer->setFault(7, fault);
        QCOMPARE(m_device->writeSettings(), 6);
    }

    void resetRestoresTheDefaults()
    {
        auto image = m_computer->settingsImage();
        image[5] = 0;
        m_computer->setSettingsImage(image);
        CapturedOutput quiet;
        QCOMPARE(m_device->resetSettings(), 0);
        QVERIFY(m_computer->settingsImage() == SimulatedFlightComputer::defaultSettingsImage());
    }

    void downloadReportsProgress()
    {
        std::vector<uint8_t> memory(1000);
        for (size_t i = 0; i < memory.size(); ++i)
            memory[i] = uint8_t(i * 7);
        m_computer->setMemoryImage(memory);
        std::vector<uint8_t> buffer;
        std::vector<std::pair<int, int>> calls;
        QCOMPARE(m_device->downloadData(buffer, 1000, [&](int total, int received) {
            calls.emplace_back(total, received);
            return false;
        }), 0);
        QVERIFY(buffer == memory);
        QCOMPARE(int(calls.size()), 17);
        QCOMPARE(calls.front(), std::make_pair(1000, 60));
        QCOMPARE(calls.back(), std::make_pair(1000, 1000));

        const auto transfers = m_backend->transfers();
        QVERIFY(transfers[0].report == report(22, {0, 0, 0, 0, 0xE8, 0x03, 0, 0}));
        for (const Transfer &t : transfers)
            QCOMPARE(t.timeoutMs, uint32_t(5000));

        // Beyond the recorded data the device sends erased flash.
        buffer.clear();
        QCOMPARE(m_device->downloadData(buffer, 1010, [](int, int) { return false; }), 0);
        QCOMPARE(int(buffer.size()), 1010);
        QCOMPARE(int(buffer.back()), 0xFF);
    }

    void cancelledDownloadKeepsItsBytesAndFlushes()
    {
        m_computer->setMemoryImage(std::vector<uint8_t>(5000, 0x42));
        std::vector<uint8_t> buffer;
        QCOMPARE(m_device->downloadData(buffer, 5000, [](int, int) { return true; }), 0);
        QCOMPARE(int(buffer.size()), 60);
        const auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers[2].report[1]), 255);
        QCOMPARE(int(transfers.back().report[1]), 1);
        // The stream has stopped: the next command gets its own reply.
        uint32_t size = 0;
        QCOMPARE(m_device->totalDataSize(size), 0);
        QCOMPARE(size, uint32_t(5000));
    }

    void downloadFailures()
    {
        m_computer->setMemoryImage(std::vector<uint8_t>(500, 1));
        const auto never = [](int, int) { return false; };
        std::vector<uint8_t> buffer(600);
        QCOMPARE(m_device->downloadData(buffer, 600, never), 0); // nothing wanted: no read
        QCOMPARE(int(m_backend->transfers().size()), 1);

        CapturedOutput out;
        CommandFault fault;
        fault.replyCode = 5;
        m_computer->setFault(22, fault);
        buffer.clear();
        QCOMPARE(m_device->downloadData(buffer, 500, never), 5);
        QVERIFY(out.contains("Wrong code: 5\n"));

        fault = {};
        fault.unplugAfterReports = 3;
        m_computer->setFault(22, fault);
        QCOMPARE(m_device->downloadData(buffer, 500, never), 5);
        QCOMPARE(int(buffer.size()), 180);

        m_computer->plugFirmware();
        m_device->close();
        uint16_t version;
        QCOMPARE(m_device->connectFirmware(version), 0);
        fault = {};
        fault.chunkIndex = 0;
        fault.chunkCount = 200; // more than a report holds: only the report's 60 bytes count
        m_computer->setFault(22, fault);
        buffer.clear();
        QCOMPARE(m_device->downloadData(buffer, 120, never), 0);
        QCOMPARE(int(buffer.size()), 120);
        fault = {};
        fault.rejectRequest = true;
        m_computer->setFault(22, fault);
        QCOMPARE(m_device->downloadData(buffer, 500, never), 6);
    }

    void liveEventsOfEveryCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("type");
        const char *types[] = {"", "NUVEvent_Text", "NUVEvent_AccelZ", "NUVEvent_Pressure", "NUVEvent_ComputerBattery",
                               "NUVEvent_EjectionBattery", "NUVEvent_Temperature", "NUVEvent_LineA", "NUVEvent_LineB",
                               "NUVEvent_LineC", "NUVEvent_LineD", "NUVEvent_AccelXY", "NUVEvent_GyroXYZ",
                               "NUVEvent_MagXYZ", "NUVEvent_GPSLLSol", "NUVEvent_RSSI", "NUVEvent_Status",
                               "NUVEvent_Ident", "NUVEvent_GPSTime"};
        for (int code = 1; code <= 18; ++code)
            QTest::newRow(types[code]) << code << types[code];
        QTest::newRow("NUVEvent_Orientation") << 21 << "NUVEvent_Orientation";
    }
    void liveEventsOfEveryCode()
    {
        QFETCH(int, code);
        QFETCH(QString, type);
        const auto event = m_device->readEvent(uint8_t(code));
        QVERIFY(event);
        QVERIFY(QString(typeid(*event).name()).contains(type));
        const auto transfers = m_backend->transfers();
        QCOMPARE(int(transfers.size()), 2);
        QVERIFY(transfers[0].report == report(3, {uint8_t(code)}));
        QCOMPARE(transfers[0].timeoutMs, uint32_t(10));
        QCOMPARE(transfers[1].timeoutMs, uint32_t(10));
    }

    void liveRecordsAreCutToTheirLength()
    {
        auto ident = m_device->readEvent(17);
        QCOMPARE(dynamic_cast<NUVEvent_Ident &>(*ident).ident, std::string("QORA21"));
        auto text = m_device->readEvent(1);
        QCOMPARE(dynamic_cast<NUVEvent_Text &>(*text).text, std::string("QORA ready"));
        auto pressure = m_device->readEvent(3);
        QCOMPARE(dynamic_cast<NUVEvent_Pressure &>(*pressure).pressure, 101325.0f);
        auto gps = m_device->readEvent(14);
        QCOMPARE(dynamic_cast<NUVEvent_GPSLLSol &>(*gps).satellites, uint32_t(10));
        m_computer->setLiveRecord(21, {21, 0x80, 0x00, 0, 0, 0, 0, 0x7F, 0xFF});
        auto orientation = m_device->readEvent(21);
        QCOMPARE(dynamic_cast<NUVEvent_Orientation &>(*orientation).x, -1.0f);
        m_computer->setLiveRecord(20, {20, 1, 2, 3, 4});
        QVERIFY(!m_device->readEvent(20)); // no class for this record
        QVERIFY(m_device->isOpen());
    }

    void liveReadFailures()
    {
        CapturedOutput out;
        CommandFault fault;
        fault.replyCode = 7;
        m_computer->setFault(3, fault);
        QVERIFY(!m_device->readEvent(2));
        QCOMPARE(out.text(), std::string("not an event. code: 7\n"));
        QCOMPARE(int(m_backend->transfers()[2].report[1]), 255); // flushed
        QVERIFY(m_device->isOpen());

        out.clear();
        fault = {};
        fault.noReply = true;
        m_computer->setFault(3, fault);
        QVERIFY(!m_device->readEvent(2));
        QCOMPARE(out.text(), std::string("failed to rx\nfailed to read event"));
        QVERIFY(!m_device->isOpen());

        uint16_t version;
        QCOMPARE(m_device->connectFirmware(version), 0);
        out.clear();
        fault = {};
        fault.rejectRequest = true;
        m_computer->setFault(3, fault);
        QVERIFY(!m_device->readEvent(17));
        QCOMPARE(out.text(), std::string("FAILED TO WRITE. code: 11\n"));
        QVERIFY(!m_device->isOpen());
    }

private:
    std::unique_ptr<SimulatedHidBackend> m_backend;
    std::unique_ptr<SimulatedFlightComputer> m_computer;
    std::unique_ptr<NUVQORADevice> m_device;
};

QTEST_GUILESS_MAIN(TestNUVQORADevice)
#include "TestNUVQORADevice.moc"
