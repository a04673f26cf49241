#include "FlightFileBytes.h"

#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_AuxDInput.h"
#include "NUVEvent_AuxEInput.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_EjectionBattery.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GPSTime.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_Ident.h"
#include "NUVEvent_LineA.h"
#include "NUVEvent_LineB.h"
#include "NUVEvent_LineC.h"
#include "NUVEvent_LineD.h"
#include "NUVEvent_MagXYZ.h"
#include "NUVEvent_Orientation.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_RSSI.h"
#include "NUVEvent_Status.h"
#include "NUVEvent_Temperature.h"
#include "NUVEvent_Text.h"
#include "FlightFile.h"
#include "NUVQORAFlight.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>

namespace {

// Class ids in a flight file: the flight is 0, the event classes follow in registration order.
enum ClassId : uint16_t {
    TextId = 1, AccelZId, AccelXYId, PressureId, ComputerBatteryId, EjectionBatteryId, TemperatureId,
    AuxDId, AuxEId, GPSLLSolId, RSSIId, IdentId, StatusId, GPSTimeId, GyroId, MagId, LineAId, LineBId,
    LineCId, LineDId, OrientationId
};

// Collects what the flight code prints while it lives.
class ConsoleCapture
{
public:
    ConsoleCapture() : previous(std::cout.rdbuf(captured.rdbuf())) {}
    ~ConsoleCapture() { std::cout.rdbuf(previous); }
    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
    std::streambuf *previous;
};

template<class Event>
Event *add(NUVQORAFlight &flight, float time)
{
    auto event = std::make_unique<Event>();
    event->time = time;
    Event *raw = event.get();
    flight.appendEvent(std::move(event));
    return raw;
}

// The members of a flight after the event list, as a default flight stores them.
FlightFileBytes &defaultTail(FlightFileBytes &bytes)
{
    return bytes.u16(0x0100).text("").classInfo(false, 2).u8(0).raw(NUVQORASettings().image.data(), 97).u8(0);
}

// A current-version flight holding one event of the given class and version.
std::string oneEventFile(uint16_t classId, uint32_t version, const FlightFileBytes &body, uint32_t headVersion = 1)
{
    FlightFileBytes bytes;
    bytes.header().classInfo(false, 3).classInfo(false, 0).u32(1).u32(0);
    bytes.u16(classId).classInfo(true, version).u32(0).classInfo(true, headVersion).u32(1);
    bytes.bytes += body.bytes;
    return defaultTail(bytes).bytes;
}

} // namespace

class TestFlightFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultFlightGoldenBytes();
    void eventsGoldenBytes();
    void everyClassSurvivesSaveAndLoad();
    void oldEventVersionsConvert();
    void oldFlightVersionsConvert();
    void oldSettingsVersionsConvert();
    void newerVersionsAreRefused();
    void damagedReferencesAreHandled();
    void unreadableFilesFail();
    void saveReplacesOnlyWhenComplete();
    void truncatedAndFlippedFilesNeverCrash();

private:
    std::wstring path(const QString &name) const { return QDir(dir.path()).filePath(name).toStdWString(); }
    std::string readFile(const QString &name) const;
    void writeFile(const QString &name, const std::string &bytes) const;
    // Loads bytes into a new flight; the console text goes to console when given.
    std::unique_ptr<NUVQORAFlight> loadBytes(const std::string &bytes, bool *loaded = nullptr,
                                             std::string *console = nullptr) const;

    QTemporaryDir dir;
};

void TestFlightFile::init()
{
    QVERIFY(dir.isValid());
}

std::string TestFlightFile::readFile(const QString &name) const
{
    std::ifstream in(QDir(dir.path()).filePath(name).toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void TestFlightFile::writeFile(const QString &name, const std::string &bytes) const
{
    std::ofstream(QDir(dir.path()).filePath(name).toStdString(), std::ios::binary) << bytes;
}

std::unique_ptr<NUVQORAFlight> TestFlightFile::loadBytes(const std::string &bytes, bool *loaded,
                                                         std::string *console) const
{
    writeFile("in.qora", bytes);
    auto flight = std::make_unique<NUVQORAFlight>();
    ConsoleCapture capture;
    const bool ok = flight->load(path("in.qora"));
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
    QVERIFY(flight.save(path("default.qora")));
    QCOMPARE(QString::fromStdString(capture.text()),
             QString("Saving...\nSerializing...\nclass {NUVQORAFlight} version: 3\nSettings version: 2\n"
                     "Firmware version: 210\n"));

    FlightFileBytes expected;
    expected.header().classInfo(false, 3).classInfo(false, 0).u32(0).u32(0);
    QCOMPARE(readFile("default.qora"), defaultTail(expected).bytes);

    const auto loaded = loadBytes(expected.bytes);
    QVERIFY(loaded->events.empty());
    QCOMPARE(loaded->storedWord, uint16_t(0x0100));
    QVERIFY(loaded->settings == NUVQORASettings());
    QVERIFY(!loaded->accelInverted);
}

void TestFlightFile::eventsGoldenBytes()
{
    NUVQORAFlight flight;
    add<NUVEvent_AccelZ>(flight, 1.0f)->acceleration = 2.5f;
    auto *fix = add<NUVEvent_GPSLLSol>(flight, 1.5f);
    fix->latitude = 47.25;
    fix->longitude = -8.5;
    fix->altitude = 420.5f;
    fix->satellites = 9;
    fix->fixValid = true;
    add<NUVEvent_AccelZ>(flight, 2.0f)->acceleration = 3.0f;
    auto *status = add<NUVEvent_Status>(flight, 2.5f);
    status->state = 2;
    status->lineOn = {true, false, false, true};
    status->lineContinuity = {true, true, false, false};
    flight.setName("note");
    flight.settings.valid = true;
    flight.accelInverted = true;
    {
        ConsoleCapture capture;
        QVERIFY(flight.save(path("events.qora")));
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
    QCOMPARE(readFile("events.qora"), expected.bytes);
}

void TestFlightFile::everyClassSurvivesSaveAndLoad()
{
    NUVQORAFlight flight;
    // Saved out of time order; equal times must keep their stored order.
    add<NUVEvent_Pressure>(flight, 9.0f)->pressure = 95000.5f;
    add<NUVEvent_Text>(flight, 1.0f)->text = std::string("hi\0there", 8);
    add<NUVEvent_Ident>(flight, 1.0f)->ident = std::string("QO\0RA\xff", 6);
    add<NUVEvent_AccelZ>(flight, 2.0f)->acceleration = 4.25f;
    auto *xy = add<NUVEvent_AccelXY>(flight, 2.0f);
    xy->x = 0.5f;
    xy->y = -0.75f;
    add<NUVEvent_ComputerBattery>(flight, 3.0f)->voltage = 7.4f;
    add<NUVEvent_EjectionBattery>(flight, 3.0f)->voltage = 8.1f;
    add<NUVEvent_Temperature>(flight, 3.0f)->temperature = -12.5f;
    add<NUVEvent_AuxDInput>(flight, 3.5f)->value = 0xBEEF;
    add<NUVEvent_AuxEInput>(flight, 3.5f)->value = 7;
    auto *fix = add<NUVEvent_GPSLLSol>(flight, 4.0f);
    fix->latitude = -33.8567844;
    fix->longitude = 151.2152967;
    fix->altitude = 12.5f;
    fix->satellites = 11;
    fix->fixValid = true;
    add<NUVEvent_RSSI>(flight, 4.0f)->rssi = -87.0f;
    auto *status = add<NUVEvent_Status>(flight, 4.5f);
    status->state = 4;
    status->lineOn = {false, true, false, true};
    status->lineContinuity = {true, false, true, false};
    status->lineLowBits = {false, false, true, true};
    auto *gpsTime = add<NUVEvent_GPSTime>(flight, 5.0f);
    gpsTime->timeOfWeek = 345600123;
    gpsTime->week = 2201;
    gpsTime->timeValid = true;
    gpsTime->seconds = 18;
    auto *gyro = add<NUVEvent_GyroXYZ>(flight, 5.5f);
    gyro->x = 1.5f;
    gyro->y = -2.5f;
    gyro->z = 3.5f;
    auto *mag = add<NUVEvent_MagXYZ>(flight, 5.5f);
    mag->x = 1e-6f;
    mag->z = -2e-6f;
    auto *lineA = add<NUVEvent_LineA>(flight, 6.0f);
    lineA->flagBit15 = true;
    lineA->voltage = 3.1f;
    add<NUVEvent_LineB>(flight, 6.0f)->flagBit14 = true;
    add<NUVEvent_LineC>(flight, 6.0f)->voltage = 0.25f;
    add<NUVEvent_LineD>(flight, 6.0f)->vref = 5.0f;
    auto *orientation = add<NUVEvent_Orientation>(flight, 7.0f);
    orientation->w = 0.5f;
    orientation->x = -0.5f;
    flight.storedWord = 0x1234;
    flight.setName("Flug über den Wolken");
    flight.settings.valid = true;
    flight.settings.setLineMode(2, 4);
    {
        ConsoleCapture capture;
        QVERIFY(flight.save(path("all.qora")));
    }
    bool loaded = false;
    const auto back = loadBytes(readFile("all.qora"), &loaded);
    QVERIFY(loaded);
    QCOMPARE(back->events.size(), std::size_t(21));
    QCOMPARE(back->storedWord, uint16_t(0x1234));
    QCOMPARE(back->name(), flight.name());
    QVERIFY(back->settings == flight.settings);

    const auto &e = back->events;
    QCOMPARE(dynamic_cast<NUVEvent_Text &>(*e[0]).text, std::string("hi\0there", 8));
    QCOMPARE(dynamic_cast<NUVEvent_Ident &>(*e[1]).ident, std::string("QO\0RA\xff", 6));
    QCOMPARE(dynamic_cast<NUVEvent_AccelZ &>(*e[2]).acceleration, 4.25f);
    QCOMPARE(dynamic_cast<NUVEvent_AccelXY &>(*e[3]).y, -0.75f);
    QCOMPARE(dynamic_cast<NUVEvent_ComputerBattery &>(*e[4]).voltage, 7.4f);
    QCOMPARE(dynamic_cast<NUVEvent_EjectionBattery &>(*e[5]).voltage, 8.1f);
    QCOMPARE(dynamic_cast<NUVEvent_Temperature &>(*e[6]).temperature, -12.5f);
    QCOMPARE(dynamic_cast<NUVEvent_AuxDInput &>(*e[7]).value, uint16_t(0xBEEF));
    QCOMPARE(dynamic_cast<NUVEvent_AuxEInput &>(*e[8]).value, uint16_t(7));
    const auto &backFix = dynamic_cast<NUVEvent_GPSLLSol &>(*e[9]);
    QCOMPARE(backFix.latitude, -33.8567844);
    QCOMPARE(backFix.longitude, 151.2152967);
    QCOMPARE(backFix.satellites, 11u);
    QVERIFY(backFix.fixValid);
    QCOMPARE(dynamic_cast<NUVEvent_RSSI &>(*e[10]).rssi, -87.0f);
    const auto &backStatus = dynamic_cast<NUVEvent_Status &>(*e[11]);
    QCOMPARE(backStatus.state, 4);
    QVERIFY(backStatus.lineOn == status->lineOn);
    QVERIFY(backStatus.lineContinuity == status->lineContinuity);
    QVERIFY(backStatus.lineLowBits == status->lineLowBits);
    const auto &backTime = dynamic_cast<NUVEvent_GPSTime &>(*e[12]);
    QCOMPARE(backTime.timeOfWeek, 345600123u);
    QCOMPARE(backTime.week, uint16_t(2201));
    QVERIFY(backTime.timeValid && !backTime.flagBit6);
    QCOMPARE(backTime.seconds, 18u);
    QCOMPARE(dynamic_cast<NUVEvent_GyroXYZ &>(*e[13]).z, 3.5f);
    QCOMPARE(dynamic_cast<NUVEvent_MagXYZ &>(*e[14]).z, -2e-6f);
    QVERIFY(dynamic_cast<NUVEvent_LineA &>(*e[15]).flagBit15);
    QVERIFY(dynamic_cast<NUVEvent_LineB &>(*e[16]).flagBit14);
    QCOMPARE(dynamic_cast<NUVEvent_LineC &>(*e[17]).voltage, 0.25f);
    QCOMPARE(e[18]->vref, 5.0f);
    QVERIFY(dynamic_cast<NUVEvent_LineD *>(e[18].get()));
    QCOMPARE(dynamic_cast<NUVEvent_Orientation &>(*e[19]).x, -0.5f);
    QCOMPARE(dynamic_cast<NUVEvent_Orientation &>(*e[19]).z, 1.0f);
    QCOMPARE(dynamic_cast<NUVEvent_Pressure &>(*e[20]).pressure, 95000.5f);
    QCOMPARE(back->accelZ.size(), std::size_t(1)); // processed on load
}

void TestFlightFile::oldEventVersionsConvert()
{
    struct Case
    {
        const char *name;
        uint16_t classId;
        uint32_t version;
        FlightFileBytes body;
        std::function<void(const NUVEvent &)> check;
        uint32_t headVersion;
    };
    FlightFileBytes h;
    h.head(10.0f);
    const auto with = [&h](const std::function<void(FlightFileBytes &)> &fields) {
        FlightFileBytes b = h;
        fields(b);
        return b;
    };
    const Case cases[] = {
        {"head in milliseconds", PressureId, 1, FlightFileBytes().f32(3.3f).u8(0).u32(1500).f32(1000.0f),
         [](const NUVEvent &e) { QCOMPARE(e.time, 1.5f); }, 0},
        {"accel v2 high range", AccelZId, 2, with([](auto &b) { b.f32(12.0f); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_AccelZ &>(e).acceleration, 23.26087f); }, 1},
        {"accel v2 low range", AccelZId, 2, with([](auto &b) { b.f32(7.9f); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_AccelZ &>(e).acceleration, 7.9f); }, 1},
        {"accel v2 negative", AccelZId, 2, with([](auto &b) { b.f32(-8.0f); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_AccelZ &>(e).acceleration, -17.21344f); }, 1},
        {"accel v1", AccelZId, 1, with([](auto &b) { b.u16(0xFF00); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_AccelZ &>(e).acceleration, -1.0f); }, 1},
        {"accel v0 zero", AccelZId, 0, with([](auto &b) { b.u16(2048); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_AccelZ &>(e).acceleration, 0.0f); }, 1},
        {"accel v0 bottom", AccelZId, 0, with([](auto &b) { b.u16(0); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_AccelZ &>(e).acceleration, -125.0f); }, 1},
        {"lateral v2 swapped", AccelXYId, 2, with([](auto &b) { b.f32(1.0f).f32(2.0f); }),
         [](const NUVEvent &e) {
             const auto &xy = static_cast<const NUVEvent_AccelXY &>(e);
             QCOMPARE(xy.x, 2.0f);
             QCOMPARE(xy.y, 1.0f);
         }, 1},
        {"lateral v1", AccelXYId, 1, with([](auto &b) { b.u16(0x0080).u16(0x0200); }),
         [](const NUVEvent &e) {
             const auto &xy = static_cast<const NUVEvent_AccelXY &>(e);
             QCOMPARE(xy.x, 0.5f);
             QCOMPARE(xy.y, 2.0f);
         }, 1},
        {"lateral v0 raw", AccelXYId, 0, with([](auto &b) { b.u16(256).u16(0xFE00).u16(0xFFFF); }),
         [](const NUVEvent &e) {
             const auto &xy = static_cast<const NUVEvent_AccelXY &>(e);
             QCOMPARE(xy.x, 1.0f);
             QCOMPARE(xy.y, -2.0f);
         }, 1},
        {"pressure v0", PressureId, 0, with([](auto &b) { b.u16(1000); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_Pressure &>(e).pressure, 17337.24f); }, 1},
        {"battery v0", ComputerBatteryId, 0, with([](auto &b) { b.u16(10000); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_ComputerBattery &>(e).voltage, 6.2996073f); }, 1},
        {"ejection battery v0 with its own reference", EjectionBatteryId, 0,
         FlightFileBytes().f32(5.0f).u8(0).f32(1.0f).u16(10000),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_EjectionBattery &>(e).voltage, 9.5448595f); }, 1},
        {"temperature v0", TemperatureId, 0, with([](auto &b) { b.u16(10000); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_Temperature &>(e).temperature, 151.41602f); }, 1},
        {"rssi v0", RSSIId, 0, with([](auto &b) { b.u32(16384); }),
         [](const NUVEvent &e) { QCOMPARE(static_cast<const NUVEvent_RSSI &>(e).rssi, 86.666671f); }, 1},
        {"gps time v1", GPSTimeId, 1, with([](auto &b) { b.u32(1000).u16(2000).u8(1).u32(17); }),
         [](const NUVEvent &e) {
             const auto &t = static_cast<const NUVEvent_GPSTime &>(e);
             QVERIFY(t.timeValid && t.flagBit6);
             QCOMPARE(t.seconds, 17u);
         }, 1},
        {"gps time v0", GPSTimeId, 0, with([](auto &b) { b.u32(1000).u16(2000).u8(0xD2); }),
         [](const NUVEvent &e) {
             const auto &t = static_cast<const NUVEvent_GPSTime &>(e);
             QVERIFY(t.timeValid && t.flagBit6);
             QCOMPARE(t.seconds, 18u);
             QCOMPARE(t.week, uint16_t(2000));
         }, 1},
        {"fix v3", GPSLLSolId, 3, with([](auto &b) { b.f64(1.5).f64(2.5).f32(300.0f).u8(0x2C); }),
         [](const NUVEvent &e) {
             const auto &f = static_cast<const NUVEvent_GPSLLSol &>(e);
             QVERIFY(f.fixValid);
             QCOMPARE(f.satellites, 12u);
             QCOMPARE(f.longitude, 2.5);
         }, 1},
        {"fix v2", GPSLLSolId, 2, with([](auto &b) { b.f64(1.5).f64(2.5).f32(300.0f).u32(99).u8(0x0C); }),
         [](const NUVEvent &e) {
             const auto &f = static_cast<const NUVEvent_GPSLLSol &>(e);
             QVERIFY(!f.fixValid);
             QCOMPARE(f.satellites, 12u);
             QCOMPARE(f.altitude, 300.0f);
         }, 1},
        {"fix v1 single precision", GPSLLSolId, 1, with([](auto &b) { b.f32(47.5f).f32(-8.25f).f32(3.0f).u32(0).u8(0x25); }),
         [](const NUVEvent &e) {
             const auto &f = static_cast<const NUVEvent_GPSLLSol &>(e);
             QCOMPARE(f.latitude, 47.5);
             QCOMPARE(f.longitude, -8.25);
             QVERIFY(f.fixValid);
             QCOMPARE(f.satellites, 5u);
         }, 1},
        {"fix v0 3D", GPSLLSolId, 0, with([](auto &b) { b.u32(0).f64(1.0).f64(2.0).f32(3.0f).u32(0).u32(0x27).u32(3).u8(1); }),
         [](const NUVEvent &e) {
             const auto &f = static_cast<const NUVEvent_GPSLLSol &>(e);
             QVERIFY(f.fixValid);
             QCOMPARE(f.satellites, 7u);
             QCOMPARE(f.altitude, 3.0f);
         }, 1},
        {"fix v0 2D", GPSLLSolId, 0, with([](auto &b) { b.u32(0).f64(1.0).f64(2.0).f32(3.0f).u32(0).u32(4).u32(2).u8(1); }),
         [](const NUVEvent &e) { QVERIFY(!static_cast<const NUVEvent_GPSLLSol &>(e).fixValid); }, 1},
        {"status v0", StatusId, 0, with([](auto &b) { b.u8(0xC5); }),
         [](const NUVEvent &e) {
             const auto &s = static_cast<const NUVEvent_Status &>(e);
             QCOMPARE(s.state, 3);
             QVERIFY((s.lineOn == NUVEvent_Status::LineFlags{true, false, true, false}));
             QVERIFY((s.lineContinuity == NUVEvent_Status::LineFlags{}));
         }, 1},
        {"status v1 short arrays", StatusId, 1, with([](auto &b) { b.u32(1).u32(2).u8(1).u8(1).u32(0).u32(1).u8(1); }),
         [](const NUVEvent &e) {
             const auto &s = static_cast<const NUVEvent_Status &>(e);
             QCOMPARE(s.state, 1);
             QVERIFY((s.lineOn == NUVEvent_Status::LineFlags{true, true, false, false}));
             QVERIFY((s.lineLowBits == NUVEvent_Status::LineFlags{true, false, false, false}));
         }, 1},
    };
    for (const Case &c : cases) {
        bool loaded = false;
        std::string console;
        const auto flight = loadBytes(oneEventFile(c.classId, c.version, c.body, c.headVersion), &loaded, &console);
        QVERIFY2(loaded, c.name);
        QVERIFY2(console.find("Error") == std::string::npos, c.name);
        QVERIFY2(flight->events.size() == 1, c.name);
        c.check(*flight->events.front());
        if (QTest::currentTestFailed())
            QFAIL(c.name);
    }
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
    const NUVQORASettings &s = flight->settings;
    QVERIFY(s.valid);
    QCOMPARE(s.firmwareVersion(), uint16_t(0x0201));
    QCOMPARE(s.lineAltitude(1), uint16_t(0x0123));
    for (int kind = 0; kind < 15; ++kind)
        QCOMPARE(s.txPriority(kind), uint8_t(10 + kind));
    QCOMPARE(s.writeRate(15), defaults.writeRate(15));
    QCOMPARE(s.txPriority(15), defaults.txPriority(15));
    QCOMPARE(s.rfChannel(), uint8_t(42));
    QCOMPARE(s.gpsGate(), defaults.gpsGate());
    for (int line = 0; line < 4; ++line) {
        QCOMPARE(s.lineMaxAngle(line), int16_t(-10000));
        QCOMPARE(s.lineStage(line), uint8_t(2 + line));
    }
    QCOMPARE(s.storedChecksum(), s.calculatedChecksum());

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
    auto flight = loadBytes(oneEventFile(AccelZId, 4, FlightFileBytes().head(1.0f).f32(2.0f)), &loaded, &console);
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
        QVERIFY(!flight.load(path("missing ä.qora")));
        const std::string expected = "Checking...\nfile not good: " + QDir(dir.path()).filePath("missing ä.qora").toStdString() + "\n";
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
    add<NUVEvent_AccelZ>(flight, 1.0f)->acceleration = 2.0f;
    QVERIFY(QDir(dir.path()).mkdir("saves"));
    writeFile("saves/keep.qora", "previous contents");
    ConsoleCapture capture;
    QVERIFY(!flight.save(path("no such folder/keep.qora")));
    QVERIFY(flight.save(path("saves/keep.qora")));
    const std::string saved = readFile("saves/keep.qora");
    QCOMPARE(saved.substr(0, 36), FlightFileBytes().header().bytes);
    QCOMPARE(QDir(dir.path() + "/saves").entryList(QDir::Files), QStringList{"keep.qora"});
}

void TestFlightFile::truncatedAndFlippedFilesNeverCrash()
{
    NUVQORAFlight flight;
    for (int i = 0; i < 4; ++i) {
        add<NUVEvent_AccelZ>(flight, 0.5f * i)->acceleration = 1.0f + i;
        add<NUVEvent_Text>(flight, 0.5f * i)->text = "t";
        add<NUVEvent_Status>(flight, 0.5f * i)->state = i;
        add<NUVEvent_GPSLLSol>(flight, 0.5f * i)->fixValid = true;
    }
    {
        ConsoleCapture capture;
        QVERIFY(flight.save(path("whole.qora")));
    }
    const std::string whole = readFile("whole.qora");
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
        writeFile("damaged.qora", damaged);
        NUVQORAFlight read;
        ConsoleCapture capture;
        FlightFile::read(read, path("damaged.qora"));
    }
}

QTEST_GUILESS_MAIN(TestFlightFile)
#include "TestFlightFile.moc"
