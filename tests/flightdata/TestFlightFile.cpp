#include "FlightFile.h"
#include "FlightFileBytes.h"
#include "FlightTestSupport.h"

#include <QtTest>

#include <algorithm>
#include <functional>
#include <random>

namespace {

// Class ids in a flight file: the flight is 0, the event classes follow in registration order.
enum ClassId : uint16_t {
    TextId = 1, AccelZId, AccelXYId, PressureId, ComputerBatteryId, EjectionBatteryId, TemperatureId,
    AuxDId, AuxEId, GPSLLSolId, RSSIId, IdentId, StatusId, GPSTimeId, GyroId, MagId, LineAId, LineBId,
    LineCId, LineDId, OrientationId
};

// The members of a flight after the event list, as a default flight stores them.
FlightFileBytes &defaultTail(FlightFileBytes &bytes)
{
    return bytes.u16(0x0100).text("").classInfo(false, 2).u8(0).raw(NUVQORASettings().image.data(), 97).u8(0);
}

// A current-version flight holding one event of the given class and version.
std::string oneEventFile(uint16_t classId, uint32_t version, const std::string &body, uint32_t headVersion = 1)
{
    FlightFileBytes bytes;
    bytes.header().classInfo(false, 3).classInfo(false, 0).u32(1).u32(0);
    bytes.u16(classId).classInfo(true, version).u32(0).classInfo(true, headVersion).u32(1);
    bytes.bytes += body;
    return defaultTail(bytes).bytes;
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
    void oldFlightVersionsConvert();
    void oldSettingsVersionsConvert();
    void newerVersionsAreRefused();
    void damagedReferencesAreHandled();
    void unreadableFilesFail();
    void saveReplacesOnlyWhenComplete();
    void truncatedAndFlippedFilesNeverCrash();

private:
    // Loads bytes into a new flight; the console text goes to console when given.
    std::unique_ptr<NUVQORAFlight> loadBytes(const std::string &bytes, bool *loaded = nullptr,
                                             std::string *console = nullptr) const;

    ScratchDir dir;
};

std::unique_ptr<NUVQORAFlight> TestFlightFile::loadBytes(const std::string &bytes, bool *loaded,
                                                         std::string *console) const
{
    dir.write("in.qora", bytes);
    auto flight = std::make_unique<NUVQORAFlight>();
    ConsoleCapture capture;
    const bool ok = flight->load(dir.path("in.qora"));
    if (loaded)
        *loaded = ok;
    if (console)
        *console = capture.text();
    return flight;
}

void TestFlightFile::defaultFlightGoldenBytes()
{
    NUVQORAFlight flight;
    ConsoleCapture capture;
    QVERIFY(flight.save(dir.path("default.qora")));
    QCOMPARE(QString::fromStdString(capture.text()),
             QString("Saving...\nSerializing...\nclass {NUVQORAFlight} version: 3\nSettings version: 2\n"
                     "Firmware version: 210\n"));

    FlightFileBytes expected;
    expected.header().classInfo(false, 3).classInfo(false, 0).u32(0).u32(0);
    QCOMPARE(dir.read("default.qora"), defaultTail(expected).bytes);

    const auto loaded = loadBytes(expected.bytes);
    QVERIFY(loaded->events.empty());
    QCOMPARE(loaded->storedWord, uint16_t(0x0100));
    QVERIFY(loaded->settings == NUVQORASettings());
    QVERIFY(!loaded->accelInverted);
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
        ConsoleCapture capture;
        QVERIFY(flight.save(dir.path("events.qora")));
    }

    // Class information comes once per class, the head's with the first event; every event
    // and its head take one object id each.
    FlightFileBytes expected;
    expected.header().classInfo(false, 3).classInfo(false, 0).u32(4).u32(0);
    expected.u16(AccelZId).classInfo(true, 3).u32(0).classInfo(true, 1).u32(1).head(1.0f).f32(2.5f);
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
        ConsoleCapture capture;
        QVERIFY(flight.save(dir.path("all.qora")));
    }
    bool loaded = false;
    const auto back = loadBytes(dir.read("all.qora"), &loaded);
    QVERIFY(loaded);
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
    bool loaded = false;
    std::string console;
    const auto flight = loadBytes(oneEventFile(classId, version, body.toStdString(), headVersion), &loaded, &console);
    QVERIFY(loaded);
    QVERIFY2(console.find("Error") == std::string::npos, console.c_str());
    QCOMPARE(flight->events.size(), std::size_t(1));
    QTEST(flight->events.front()->time, "time");
    QTEST(describe(flight->events.front().get()), "fields");
}

void TestFlightFile::oldFlightVersionsConvert()
{
    const auto flightFile = [](uint32_t version, const std::function<void(FlightFileBytes &)> &tail) {
        FlightFileBytes bytes;
        bytes.header().classInfo(false, version).classInfo(false, 0).u32(1).u32(0);
        bytes.u16(AccelZId).classInfo(true, 3).u32(0).classInfo(true, 1).u32(1).head(10.0f).f32(1.0f);
        bytes.u16(0x0100).text("old");
        tail(bytes);
        return bytes.bytes;
    };
    const auto settingsWith = [](FlightFileBytes &bytes, bool valid, uint16_t firmware) {
        NUVQORASettings settings;
        settings.setFirmwareVersion(firmware);
        bytes.classInfo(false, 2).u8(valid).raw(settings.image.data(), 97);
    };

    // Version 2: a byte that means inverted only when it is 1.
    for (const uint8_t x : {1, 2}) {
        const auto flight = loadBytes(flightFile(2, [&](FlightFileBytes &b) { settingsWith(b, true, 0x0210); b.u8(x); }));
        QCOMPARE(flight->accelInverted, x == 1);
        QCOMPARE(flight->events.front()->time, 10.0f);
    }
    // Version 1: flights of firmware 2.00 to 2.02 ran slow; only valid settings tell.
    const struct
    {
        bool valid;
        uint16_t firmware;
        float time;
    } version1[] = {{true, 0x0201, 10.297601f}, {true, 0x0200, 10.297601f}, {true, 0x0203, 10.0f}, {false, 0x0201, 10.0f}};
    for (const auto &c : version1) {
        const auto flight = loadBytes(flightFile(1, [&](FlightFileBytes &b) { settingsWith(b, c.valid, c.firmware); }));
        QCOMPARE(flight->events.front()->time, c.time);
        QVERIFY(!flight->accelInverted);
    }
    // Version 0: no settings at all.
    bool loaded = false;
    const auto flight = loadBytes(flightFile(0, [](FlightFileBytes &) {}), &loaded);
    QVERIFY(loaded);
    QCOMPARE(flight->name(), std::string("old"));
    QVERIFY(flight->settings == NUVQORASettings());
    QVERIFY(!flight->settings.valid);
    QCOMPARE(flight->events.size(), std::size_t(1));
}

void TestFlightFile::oldSettingsVersionsConvert()
{
    const auto withSettings = [](uint32_t version, const FlightFileBytes &settings) {
        FlightFileBytes bytes;
        bytes.header().classInfo(false, 3).classInfo(false, 0).u32(0).u32(0).u16(0x0100).text("");
        bytes.classInfo(false, version);
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
    std::string console;
    auto flight = loadBytes(withSettings(1, FlightFileBytes().u8(1).raw(earlier, 82)), nullptr, &console);
    QVERIFY(console.find("Settings version: 1\nALT: 291\n") != std::string::npos);
    QVERIFY(console.find("Firmware version: 201\n") != std::string::npos);
    // The fields added since come from the factory image; the checksum is made anew.
    NUVQORASettings converted;
    std::copy(earlier, earlier + 64, converted.image.begin());
    for (int kind = 0; kind < 15; ++kind)
        converted.setTxPriority(kind, uint8_t(10 + kind));
    converted.setRfChannel(42);
    converted.updateChecksum();
    QVERIFY(flight->settings.valid);
    QVERIFY(flight->settings.image == converted.image);

    // Version 0: single fields; only the firmware version is taken.
    FlightFileBytes oldest;
    oldest.u8(1).u16(0x0105);
    for (int i = 0; i < 8; ++i)
        oldest.u8(0xAA);
    for (int i = 0; i < 9; ++i)
        oldest.u16(0xBBBB);
    oldest.u8(0xCC).u32(6).text("ABCDE").u8(0xDD).u16(1).u16(2).u16(3).u16(4).u8(5).u8(6).u8(7).u16(8);
    oldest.bytes.erase(oldest.bytes.size() - 31, 4); // the callsign is an array: count, then 6 chars
    bool loaded = false;
    flight = loadBytes(withSettings(0, oldest), &loaded, &console);
    QVERIFY(loaded);
    QVERIFY2(console.find("Error") == std::string::npos, console.c_str());
    NUVQORASettings expected;
    expected.setFirmwareVersion(0x0105);
    QVERIFY(flight->settings.image == expected.image);
    QVERIFY(flight->settings.valid);
}

void TestFlightFile::newerVersionsAreRefused()
{
    bool loaded = false;
    std::string console;
    auto flight = loadBytes(oneEventFile(AccelZId, 4, FlightFileBytes().head(1.0f).f32(2.0f).bytes), &loaded, &console);
    QVERIFY(loaded); // the readable part opens
    QVERIFY(flight->events.empty());
    QVERIFY2(console.find("Error: class version NUVEvent_AccelZ\n") != std::string::npos, console.c_str());

    FlightFileBytes newerFlight;
    newerFlight.header().classInfo(false, 4).classInfo(false, 0).u32(0).u32(0);
    flight = loadBytes(defaultTail(newerFlight).bytes, &loaded, &console);
    QVERIFY(!loaded);
    QVERIFY2(console.find("Error: class version NUVQORAFlight\n") != std::string::npos, console.c_str());

    FlightFileBytes newerSettings;
    newerSettings.header().classInfo(false, 3).classInfo(false, 0).u32(0).u32(0).u16(0x0100).text("");
    newerSettings.classInfo(false, 3).u8(1).raw(NUVQORASettings().image.data(), 97).u8(0);
    flight = loadBytes(newerSettings.bytes, &loaded, &console);
    QVERIFY(loaded);
    QVERIFY(!flight->settings.valid);
    QVERIFY2(console.find("Settings version: 3\nError: class version NUVQORASettings\n") != std::string::npos,
             console.c_str());
}

void TestFlightFile::damagedReferencesAreHandled()
{
    // The second list entry refers back to the first event: it is kept once.
    FlightFileBytes twice;
    twice.header().classInfo(false, 3).classInfo(false, 0).u32(2).u32(0);
    twice.u16(AccelZId).classInfo(true, 3).u32(0).classInfo(true, 1).u32(1).head(1.0f).f32(2.0f);
    twice.u16(AccelZId).u32(0);
    auto flight = loadBytes(defaultTail(twice).bytes);
    QCOMPARE(flight->events.size(), std::size_t(1));

    // A list entry that refers to the flight itself is refused, not adopted as an event.
    FlightFileBytes toFlight;
    toFlight.header().classInfo(true, 3).u32(0).classInfo(false, 0).u32(1).u32(0);
    toFlight.u16(AccelZId).classInfo(true, 3).u32(0);
    std::string console;
    bool loaded = false;
    flight = loadBytes(defaultTail(toFlight).bytes, &loaded, &console);
    QVERIFY(loaded);
    QVERIFY(flight->events.empty());
    QVERIFY(console.find("Error: ") != std::string::npos);

    // Null entries and damaged class ids.
    FlightFileBytes nulls;
    nulls.header().classInfo(false, 3).classInfo(false, 0).u32(3).u32(0).u16(0xFFFF);
    nulls.u16(AccelZId).classInfo(true, 3).u32(0).classInfo(true, 1).u32(1).head(1.0f).f32(2.0f);
    nulls.u16(0xFFFE);
    flight = loadBytes(defaultTail(nulls).bytes, &loaded, &console);
    QVERIFY(loaded);
    QCOMPARE(flight->events.size(), std::size_t(1));
    QVERIFY(console.find("Error: ") != std::string::npos);

    // A count far beyond the file is refused before anything is allocated for it.
    FlightFileBytes huge;
    huge.header().classInfo(false, 3).classInfo(false, 0).u32(0x7FFFFFFF).u32(0);
    flight = loadBytes(defaultTail(huge).bytes, &loaded, &console);
    QVERIFY(loaded);
    QVERIFY(flight->events.empty());
    QVERIFY(console.find("Error: input stream error") != std::string::npos);

    // A bool byte other than 0 or 1 reads as true; an event without a finite time is dropped.
    FlightFileBytes odd;
    odd.header().classInfo(false, 3).classInfo(false, 0).u32(1).u32(0);
    odd.u16(AccelZId).classInfo(true, 3).u32(0).classInfo(true, 1).u32(1).head(std::nanf("")).f32(2.0f);
    odd.u16(0x0100).text("").classInfo(false, 2).u8(7).raw(NUVQORASettings().image.data(), 97).u8(2);
    flight = loadBytes(odd.bytes, &loaded);
    QVERIFY(loaded);
    QVERIFY(flight->settings.valid);
    QVERIFY(flight->accelInverted);
    QVERIFY(flight->events.empty());
}

void TestFlightFile::unreadableFilesFail()
{
    NUVQORAFlight flight;
    {
        ConsoleCapture capture;
        QVERIFY(!flight.load(dir.path("missing ä.qora")));
        const std::string expected = "Checking...\nfile not good: " + dir.filePath("missing ä.qora").toStdString() + "\n";
        QCOMPARE(capture.text(), expected);
    }
    std::string console;
    bool loaded = true;
    loadBytes("not a flight file at all, just some text", &loaded, &console);
    QVERIFY(!loaded);
    QCOMPARE(console, std::string("Checking...\nError: invalid signature\n"));
    loadBytes(FlightFileBytes().header().bytes, &loaded, &console);
    QVERIFY(!loaded);
}

void TestFlightFile::saveReplacesOnlyWhenComplete()
{
    NUVQORAFlight flight;
    addEvent<NUVEvent_AccelZ>(flight, 1.0f)->acceleration = 2.0f;
    QVERIFY(QDir().mkdir(dir.filePath("saves")));
    dir.write("saves/keep.qora", "previous contents");
    ConsoleCapture capture;
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
        ConsoleCapture capture;
        QVERIFY(flight.save(dir.path("whole.qora")));
    }
    const std::string whole = dir.read("whole.qora");
    const std::size_t firstEvent = 36 + 5 + 5 + 8; // header, flight and list class info, count and item version
    for (std::size_t size = 0; size < whole.size(); ++size) {
        bool loaded = false;
        const auto cut = loadBytes(whole.substr(0, size), &loaded);
        QCOMPARE(loaded, size >= 41);
        QVERIFY(cut->events.size() <= flight.events.size());
        if (size < firstEvent)
            QVERIFY(cut->events.empty());
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
        ConsoleCapture capture;
        FlightFile::read(read, dir.path("damaged.qora"));
    }
}

QTEST_GUILESS_MAIN(TestFlightFile)
#include "TestFlightFile.moc"
