#include "FlightFile.h"
#include "FlightFileBytes.h"
#include "FlightTestSupport.h"

#include <QtTest>

#include <algorithm>
#include <random>

namespace {

// A current-version flight holding one event of the given class and version.
std::string oneEventFile(uint16_t classId, uint32_t version, const std::string &body, uint32_t headVersion = 1)
{
    FlightFileBytes bytes;
    bytes.flightStart(1).u16(classId).classInfo(true, version).u32(0).classInfo(true, headVersion).u32(1);
    bytes.bytes += body;
    return bytes.defaultTail().bytes;
}

} // namespace

class TestFlightFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir.isValid()); }
    void defaultFlightGoldenBytes();
    void eventsGoldenBytes();
    void everyClassSurvivesSaveAndLoad();
    void oldEventVersionsConvert_data();
    void oldEventVersionsConvert();
    void oldFlightVersionsConvert_data();
    void oldFlightVersionsConvert();
    void oldSettingsVersionsConvert();
    void damagedAndForeignFiles_data();
    void damagedAndForeignFiles();
    void oddBytesAndTimesAreTolerated();
    void loneEventsFarFromZeroAreProcessedAroundThemselves_data();
    void loneEventsFarFromZeroAreProcessedAroundThemselves();
    void missingFileFails();
    void saveReplacesOnlyWhenComplete();
    void truncatedAndFlippedFilesNeverCrash();

private:
    struct Loaded
    {
        bool ok = false;
        std::string console;
        std::unique_ptr<NUVQORAFlight> flight = std::make_unique<NUVQORAFlight>();
    };
    // Loads bytes into a new flight.
    Loaded load(const std::string &bytes) const;

    ScratchDir dir;
};

TestFlightFile::Loaded TestFlightFile::load(const std::string &bytes) const
{
    dir.write("in.qora", bytes);
    Loaded loaded;
    CapturedOutput capture;
    loaded.ok = loaded.flight->load(dir.path("in.qora"));
    loaded.console = capture.text();
    return loaded;
}

void TestFlightFile::defaultFlightGoldenBytes()
{
    NUVQORAFlight flight;
    CapturedOutput capture;
    QVERIFY(flight.save(dir.path("default.qora")));
    QCOMPARE(QString::fromStdString(capture.text()),
             QString("Saving...\nSerializing...\nclass {NUVQORAFlight} version: 3\nSettings version: 2\n"
                     "Firmware version: 210\n"));
    const std::string expected = FlightFileBytes().flightStart(0).defaultTail().bytes;
    QCOMPARE(dir.read("default.qora"), expected);

    const Loaded back = load(expected);
    QVERIFY(back.ok);
    QVERIFY(back.flight->events.empty());
    QVERIFY(back.flight->settings == NUVQORASettings());
}

void TestFlightFile::eventsGoldenBytes()
{
    NUVQORAFlight flight;
    addEvent<NUVEvent_AccelZ>(flight, 1.0f)->acceleration = 2.5f;
    addFix(flight, 1.5f, -8.5, 47.25, 420.5f);
    addEvent<NUVEvent_AccelZ>(flight, 2.0f)->acceleration = 3.0f;
    auto *status = addEvent<NUVEvent_Status>(flight, 2.5f);
    status->state = 2;
    status->lineOn = {true, false, false, true};
    status->lineContinuity = {true, true, false, false};
    flight.setName("note");
    flight.settings.valid = true;
    flight.accelInverted = true;
    {
        CapturedOutput capture;
        QVERIFY(flight.save(dir.path("events.qora")));
    }

    // Class information comes once per class, the head's with the first event; every event
    // and its head take one object id each.
    FlightFileBytes expected;
    expected.flightStart(4).firstAccelZ(1.0f, 2.5f);
    expected.u16(GPSLLSolId).classInfo(true, 4).u32(2).u32(3).head(1.5f).f64(47.25).f64(-8.5).f32(420.5f).u32(9).u8(1);
    expected.u16(AccelZId).u32(4).u32(5).head(2.0f).f32(3.0f);
    expected.u16(StatusId).classInfo(true, 1).u32(6).u32(7).head(2.5f).u32(2);
    expected.u32(4).u8(1).u8(0).u8(0).u8(1).u32(4).u8(1).u8(1).u8(0).u8(0).u32(4).u8(0).u8(0).u8(0).u8(0);
    expected.u16(0x0100).text("note").classInfo(false, 2).u8(1).raw(flight.settings.image.data(), 97).u8(1);
    QCOMPARE(dir.read("events.qora"), expected.bytes);
}

void TestFlightFile::everyClassSurvivesSaveAndLoad()
{
    // One record of every class the device sends, with distinct values in every field, then
    // the classes only files hold. Times fall in pairs and run backwards: a load sorts by time
    // and keeps the stored order of equal times.
    const std::vector<std::vector<uint8_t>> records = {
        {0x01, 0x08, 'h', 'i', 0, 't', 'h', 'e', 'r', 'e'}, {0x11, 'Q', 'O', 0, 'R', 'A', 0xFF},
        {0x02, 0x04, 0x40}, {0x0B, 0x00, 0x80, 0xFF, 0x40}, {0x04, 0x8F, 0x00}, {0x05, 0x9B, 0x07},
        {0x06, 0xFB, 0x1E}, {0x0F, 0xFF, 0xA9}, {0x10, 0x65, 0x9C}, {0x12, 0x14, 0x99, 0x1D, 0x7B, 0x08, 0x99, 0xD2},
        {0x0E, 0xEB, 0xD1, 0x6C, 0x5C, 0x5A, 0x21, 0x14, 0x87, 0x00, 0x00, 0x30, 0xD4, 0x2B},
        {0x0C, 0x00, 0x15, 0xFF, 0xDB, 0x00, 0x32}, {0x0D, 0x00, 0x01, 0x00, 0x03, 0xFF, 0xFE},
        {0x07, 0x8C, 0x00}, {0x08, 0x40, 0x01}, {0x09, 0x04, 0xD8}, {0x0A, 0x3F, 0xFF},
        {0x15, 0x40, 0x00, 0xC0, 0x00, 0x20, 0x00, 0x10, 0x00}, {0x03, 0x01, 0x73, 0x18}};
    NUVQORAFlight flight;
    for (std::size_t i = 0; i < records.size(); ++i)
        flight.appendEvent(NUVEvent::fromBytes(records[i].data(), records[i].size(), 500 * uint32_t(20 - i / 2)));
    addEvent<NUVEvent_AuxDInput>(flight, 3.5f)->value = 0xBEEF;
    addEvent<NUVEvent_AuxEInput>(flight, 3.5f)->value = 7;
    QCOMPARE(flight.events.size(), records.size() + 2);
    flight.events[16]->vref = 5.0f;
    flight.storedWord = 0x1234;
    flight.setName("Flug über den Wolken");
    flight.settings.valid = true;
    flight.settings.setLineMode(2, 4);
    {
        CapturedOutput capture;
        QVERIFY(flight.save(dir.path("all.qora")));
    }
    const Loaded loaded = load(dir.read("all.qora"));
    const auto &back = loaded.flight;
    QVERIFY(loaded.ok);
    QCOMPARE(back->storedWord, uint16_t(0x1234));
    QCOMPARE(back->name(), flight.name());
    QVERIFY(back->settings == flight.settings);

    std::vector<const NUVEvent *> expected;
    for (const auto &event : flight.events)
        expected.push_back(event.get());
    std::stable_sort(expected.begin(), expected.end(), [](auto *a, auto *b) { return a->time < b->time; });
    QCOMPARE(back->events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(describe(back->events[i].get()), describe(expected[i]));
        QCOMPARE(back->events[i]->time, expected[i]->time);
        QCOMPARE(back->events[i]->vref, expected[i]->vref);
    }
    QCOMPARE(back->accelZ.size(), std::size_t(1)); // processed on load
}

void TestFlightFile::oldEventVersionsConvert_data()
{
    QTest::addColumn<int>("classId");
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("headVersion");
    QTest::addColumn<float>("time");
    QTest::addColumn<QString>("fields");
    const auto row = [](const char *name, ClassId id, int version, const FlightFileBytes &body, const char *fields,
                        float time = 10.0f, int headVersion = 1) {
        QTest::newRow(name) << int(id) << version << QByteArray::fromStdString(body.bytes) << headVersion << time
                            << QString(fields);
    };
    // The head of version 1 with its time at 10 s.
    const auto at10 = [] { return FlightFileBytes().head(10.0f); };
    row("head in milliseconds", PressureId, 1, FlightFileBytes().f32(3.3f).u8(0).u32(1500).f32(1000.0f),
        "Pressure 1000", 1.5f, 0);
    row("accel v2 high range", AccelZId, 2, at10().f32(12.0f), "AccelZ 23.2609");
    row("accel v2 low range", AccelZId, 2, at10().f32(7.9f), "AccelZ 7.9");
    row("accel v2 negative", AccelZId, 2, at10().f32(-8.0f), "AccelZ -17.2134");
    row("accel v1", AccelZId, 1, at10().u16(0xFF00), "AccelZ -1");
    row("accel v0 zero", AccelZId, 0, at10().u16(2048), "AccelZ 0");
    row("accel v0 bottom", AccelZId, 0, at10().u16(0), "AccelZ -125");
    row("lateral v2 swapped", AccelXYId, 2, at10().f32(1.0f).f32(2.0f), "AccelXY 2 1");
    row("lateral v1", AccelXYId, 1, at10().u16(0x0080).u16(0x0200), "AccelXY 0.5 2");
    row("lateral v0 raw", AccelXYId, 0, at10().u16(256).u16(0xFE00).u16(0xFFFF), "AccelXY 1 -2");
    row("pressure v0", PressureId, 0, at10().u16(1000), "Pressure 17337.2");
    row("battery v0", ComputerBatteryId, 0, at10().u16(10000), "ComputerBattery 6.29961");
    row("ejection battery v0 with its own reference", EjectionBatteryId, 0,
        FlightFileBytes().f32(5.0f).u8(0).f32(1.0f).u16(10000), "EjectionBattery 9.54486", 1.0f);
    row("temperature v0", TemperatureId, 0, at10().u16(10000), "Temperature 151.416");
    row("rssi v0", RSSIId, 0, at10().u32(16384), "RSSI 86.6667");
    row("gps time v1", GPSTimeId, 1, at10().u32(1000).u16(2000).u8(1).u32(17), "GPSTime 1000 2000 1 1 17");
    row("gps time v0", GPSTimeId, 0, at10().u32(1000).u16(2000).u8(0xD2), "GPSTime 1000 2000 1 1 18");
    row("fix v3", GPSLLSolId, 3, at10().f64(1.5).f64(2.5).f32(300.0f).u8(0x2C), "GPSLLSol 1.5 2.5 300 1 12");
    row("fix v2", GPSLLSolId, 2, at10().f64(1.5).f64(2.5).f32(300.0f).u32(99).u8(0x0C), "GPSLLSol 1.5 2.5 300 0 12");
    row("fix v1 single precision", GPSLLSolId, 1, at10().f32(47.5f).f32(-8.25f).f32(3.0f).u32(0).u8(0x25),
        "GPSLLSol 47.5 -8.25 3 1 5");
    row("fix v0 3D", GPSLLSolId, 0, at10().u32(0).f64(1.0).f64(2.0).f32(3.0f).u32(0).u32(0x27).u32(3).u8(1),
        "GPSLLSol 1 2 3 1 7");
    row("fix v0 2D", GPSLLSolId, 0, at10().u32(0).f64(1.0).f64(2.0).f32(3.0f).u32(0).u32(4).u32(2).u8(1),
        "GPSLLSol 1 2 3 0 4");
    row("status v0", StatusId, 0, at10().u8(0xC5), "Status 3 1010 0000 0000");
    row("status v1 short arrays", StatusId, 1, at10().u32(1).u32(2).u8(1).u8(1).u32(0).u32(1).u8(1),
        "Status 1 1100 0000 1000");
}

void TestFlightFile::oldEventVersionsConvert()
{
    QFETCH(int, classId);
    QFETCH(int, version);
    QFETCH(QByteArray, body);
    QFETCH(int, headVersion);
    const Loaded loaded = load(oneEventFile(classId, version, body.toStdString(), headVersion));
    QVERIFY(loaded.ok);
    QVERIFY2(loaded.console.find("Error") == std::string::npos, loaded.console.c_str());
    QCOMPARE(loaded.flight->events.size(), std::size_t(1));
    QTEST(loaded.flight->events.front()->time, "time");
    QTEST(describe(loaded.flight->events.front().get()), "fields");
}

void TestFlightFile::oldFlightVersionsConvert_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("firmware");
    QTest::addColumn<int>("invertedByte");
    QTest::addColumn<float>("time");
    QTest::addColumn<bool>("inverted");
    // Version 2 has a byte that means inverted only when it is 1.
    QTest::newRow("v2 inverted") << 2 << true << 0x0210 << 1 << 10.0f << true;
    QTest::newRow("v2 other byte") << 2 << true << 0x0210 << 2 << 10.0f << false;
    // Version 1: flights of firmware 2.00 to 2.02 ran slow; only valid settings tell.
    QTest::newRow("v1 firmware 2.01") << 1 << true << 0x0201 << 0 << 10.297601f << false;
    QTest::newRow("v1 firmware 2.00") << 1 << true << 0x0200 << 0 << 10.297601f << false;
    QTest::newRow("v1 firmware 2.03") << 1 << true << 0x0203 << 0 << 10.0f << false;
    QTest::newRow("v1 settings not valid") << 1 << false << 0x0201 << 0 << 10.0f << false;
    // Version 0 has no settings at all.
    QTest::newRow("v0") << 0 << false << 0x0210 << 0 << 10.0f << false;
}

void TestFlightFile::oldFlightVersionsConvert()
{
    QFETCH(int, version);
    QFETCH(bool, valid);
    QFETCH(int, firmware);
    QFETCH(int, invertedByte);
    NUVQORASettings settings;
    settings.setFirmwareVersion(firmware);
    FlightFileBytes file;
    file.flightStart(1, version).firstAccelZ(10.0f, 1.0f).u16(0x0100).text("old");
    if (version >= 1)
        file.classInfo(false, 2).u8(valid).raw(settings.image.data(), 97);
    if (version >= 2)
        file.u8(invertedByte);
    const Loaded loaded = load(file.bytes);
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.flight->name(), std::string("old"));
    QCOMPARE(loaded.flight->events.size(), std::size_t(1));
    QTEST(loaded.flight->events.front()->time, "time");
    QTEST(loaded.flight->accelInverted, "inverted");
    QCOMPARE(loaded.flight->settings.valid, valid);
    QVERIFY(loaded.flight->settings.image == settings.image);
}

void TestFlightFile::oldSettingsVersionsConvert()
{
    const auto withSettings = [](uint32_t version, const FlightFileBytes &settings) {
        FlightFileBytes bytes;
        bytes.flightStart(0).u16(0x0100).text("").classInfo(false, version);
        bytes.bytes += settings.bytes;
        return bytes.u8(0).bytes;
    };

    // Version 1: 82 bytes, the first 64 as today, then 15 priorities, the channel, a checksum.
    const NUVQORASettings defaults;
    uint8_t earlier[82];
    std::copy(defaults.image.begin(), defaults.image.begin() + 64, earlier);
    earlier[0] = 0x01;
    earlier[1] = 0x02;
    earlier[23] = 0x23;
    earlier[24] = 0x01;
    for (int i = 0; i < 15; ++i)
        earlier[64 + i] = static_cast<uint8_t>(10 + i);
    earlier[79] = 42;
    earlier[80] = earlier[81] = 0xEE;
    Loaded loaded = load(withSettings(1, FlightFileBytes().u8(1).raw(earlier, 82)));
    QVERIFY(loaded.console.find("Settings version: 1\nALT: 291\n") != std::string::npos);
    QVERIFY(loaded.console.find("Firmware version: 201\n") != std::string::npos);
    // The fields added since come from the factory image; the checksum is made anew.
    NUVQORASettings converted;
    std::copy(earlier, earlier + 64, converted.image.begin());
    for (int kind = 0; kind < 15; ++kind)
        converted.setTxPriority(kind, uint8_t(10 + kind));
    converted.setRfChannel(42);
    converted.updateChecksum();
    QVERIFY(loaded.flight->settings.valid);
    QVERIFY(loaded.flight->settings.image == converted.image);

    // Version 0: single fields; only the firmware version is taken.
    FlightFileBytes oldest;
    oldest.u8(1).u16(0x0105);
    for (int i = 0; i < 8; ++i)
        oldest.u8(0xAA);
    for (int i = 0; i < 9; ++i)
        oldest.u16(0xBBBB);
    oldest.u8(0xCC).u32(6).text("ABCDE").u8(0xDD).u16(1).u16(2).u16(3).u16(4).u8(5).u8(6).u8(7).u16(8);
    oldest.bytes.erase(oldest.bytes.size() - 31, 4); // the callsign is an array: count, then 6 chars
    loaded = load(withSettings(0, oldest));
    QVERIFY(loaded.ok);
    QVERIFY2(loaded.console.find("Error") == std::string::npos, loaded.console.c_str());
    NUVQORASettings expected;
    expected.setFirmwareVersion(0x0105);
    QVERIFY(loaded.flight->settings.image == expected.image);
    QVERIFY(loaded.flight->settings.valid);
}

void TestFlightFile::damagedAndForeignFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("opens"); // with its readable part
    QTest::addColumn<int>("events");
    QTest::addColumn<QString>("console"); // a part of what is printed
    const auto row = [](const char *name, const std::string &file, bool opens, int events, const char *console) {
        QTest::newRow(name) << QByteArray::fromStdString(file) << opens << events << QString(console);
    };
    row("newer event version", oneEventFile(AccelZId, 4, FlightFileBytes().head(1).f32(2).bytes),
        true, 0, "Error: class version NUVEvent_AccelZ\n");
    row("newer flight version", FlightFileBytes().flightStart(0, 4).defaultTail().bytes, false, 0,
        "Error: class version NUVQORAFlight\n");
    row("newer settings version",
        FlightFileBytes().flightStart(0).u16(0x0100).text("").classInfo(false, 3).u8(1)
            .raw(NUVQORASettings().image.data(), 97).u8(0).bytes, true, 0,
        "Settings version: 3\nError: class version NUVQORASettings\n");
    row("second entry refers back to the first: kept once",
        FlightFileBytes().flightStart(2).firstAccelZ(1, 2).u16(AccelZId).u32(0).defaultTail().bytes, true, 1, "");
    row("entry refers to the flight itself: not adopted as an event",
        FlightFileBytes().header().classInfo(true, 3).u32(0).classInfo(false, 0).u32(1).u32(0)
            .u16(AccelZId).classInfo(true, 3).u32(0).defaultTail().bytes, true, 0, "Error: ");
    row("null entries and damaged class ids",
        FlightFileBytes().flightStart(3).u16(0xFFFF).firstAccelZ(1, 2).u16(0xFFFE).defaultTail().bytes, true, 1,
        "Error: ");
    row("count far beyond the file: refused before allocating",
        FlightFileBytes().flightStart(0x7FFFFFFF).defaultTail().bytes, true, 0, "Error: input stream error");
    row("text", "not a flight file at all", false, 0, "Checking...\nError: invalid signature\n");
    row("header only", FlightFileBytes().header().bytes, false, 0, "");
}

void TestFlightFile::damagedAndForeignFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, console);
    const Loaded loaded = load(file.toStdString());
    QTEST(loaded.ok, "opens");
    QTEST(int(loaded.flight->events.size()), "events");
    QVERIFY(!loaded.flight->settings.valid);
    QVERIFY2(loaded.console.find(console.toStdString()) != std::string::npos, loaded.console.c_str());
}

void TestFlightFile::oddBytesAndTimesAreTolerated()
{
    // A bool byte other than 0 or 1 reads as true; an event without a finite time is dropped.
    FlightFileBytes odd;
    odd.flightStart(1).firstAccelZ(std::nanf(""), 2.0f);
    odd.u16(0x0100).text("").classInfo(false, 2).u8(7).raw(NUVQORASettings().image.data(), 97).u8(2);
    const Loaded loaded = load(odd.bytes);
    QVERIFY(loaded.ok);
    QVERIFY(loaded.flight->settings.valid);
    QVERIFY(loaded.flight->accelInverted);
    QVERIFY(loaded.flight->events.empty());
}

void TestFlightFile::loneEventsFarFromZeroAreProcessedAroundThemselves_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("events");
    const auto row = [](const char *name, const std::string &file, int events) {
        QTest::newRow(name) << QByteArray::fromStdString(file) << events;
    };
    const float far = -1653049.0f;
    const auto head = [far] { return FlightFileBytes().head(far); };
    // Signal strength gives a flight no end time of its own.
    row("signal strength", oneEventFile(RSSIId, 1, head().f32(-80.0f).bytes), 1);
    row("text", oneEventFile(TextId, 0, head().text("x").bytes), 1);
    row("status", oneEventFile(StatusId, 1, head().u32(0).u32(0).u32(0).u32(0).bytes), 1);
    FlightFileBytes twoEvents;
    twoEvents.flightStart(2).u16(RSSIId).classInfo(true, 1).u32(0).classInfo(true, 1).u32(1).head(far).f32(-80.0f);
    twoEvents.u16(PressureId).classInfo(true, 1).u32(2).u32(3).head(0.0f).f32(100000.0f).defaultTail();
    row("signal strength, then a pressure at 0 s", twoEvents.bytes, 2);
}

void TestFlightFile::loneEventsFarFromZeroAreProcessedAroundThemselves()
{
    // The filter takes one sample per 0.1 s it covers: 5 s either side of the events, not the
    // stretch from them to 0 s.
    QFETCH(QByteArray, file);
    const Loaded loaded = load(file.toStdString());
    QVERIFY(loaded.ok);
    QTEST(int(loaded.flight->events.size()), "events");
    QVERIFY2(loaded.flight->velocity.size() <= 101, qPrintable(QString::number(loaded.flight->velocity.size())));
}

void TestFlightFile::missingFileFails()
{
    NUVQORAFlight flight;
    CapturedOutput capture;
    QVERIFY(!flight.load(dir.path("missing ä.qora")));
    QCOMPARE(capture.text(), "Checking...\nfile not good: " + dir.filePath("missing ä.qora").toStdString() + "\n");
}

void TestFlightFile::saveReplacesOnlyWhenComplete()
{
    NUVQORAFlight flight;
    addEvent<NUVEvent_AccelZ>(flight, 1.0f)->acceleration = 2.0f;
    QVERIFY(QDir().mkdir(dir.filePath("saves")));
    dir.write("saves/keep.qora", "previous contents");
    CapturedOutput capture;
    QVERIFY(!flight.save(dir.path("no such folder/keep.qora")));
    QVERIFY(flight.save(dir.path("saves/keep.qora")));
    const std::string saved = dir.read("saves/keep.qora");
    QCOMPARE(saved.substr(0, 36), FlightFileBytes().header().bytes);
    QCOMPARE(QDir(dir.filePath("saves")).entryList(QDir::Files), QStringList{"keep.qora"});
}

void TestFlightFile::truncatedAndFlippedFilesNeverCrash()
{
    NUVQORAFlight flight;
    for (int i = 0; i < 4; ++i) {
        addEvent<NUVEvent_AccelZ>(flight, 0.5f * i)->acceleration = 1.0f + i;
        addEvent<NUVEvent_Text>(flight, 0.5f * i)->text = "t";
        addEvent<NUVEvent_Status>(flight, 0.5f * i)->state = i;
        addEvent<NUVEvent_GPSLLSol>(flight, 0.5f * i)->fixValid = true;
    }
    {
        CapturedOutput capture;
        QVERIFY(flight.save(dir.path("whole.qora")));
    }
    const std::string whole = dir.read("whole.qora");
    const std::size_t firstEvent = 36 + 5 + 5 + 8; // header, flight and list class info, count and item version
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Loaded cut = load(whole.substr(0, size));
        QCOMPARE(cut.ok, size >= 41);
        QVERIFY(cut.flight->events.size() <= flight.events.size());
        if (size < firstEvent)
            QVERIFY(cut.flight->events.empty());
    }
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = whole;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            damaged[36 + random() % (damaged.size() - 36)] = static_cast<char>(random());
        // Read only: processing a damaged time axis can take long, but not crash.
        dir.write("damaged.qora", damaged);
        NUVQORAFlight read;
        CapturedOutput capture;
        FlightFile::read(read, dir.path("damaged.qora"));
    }
}

QTEST_GUILESS_MAIN(TestFlightFile)
#include "TestFlightFile.moc"
