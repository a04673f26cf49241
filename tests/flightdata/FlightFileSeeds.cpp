// Writes the seed flight files of the flight-file fuzz target into a folder: files of every
// stored version of the flight, the settings and each event class, as the file tests build
// them, and flights saved by this program.
//   flightfile_seeds <folder>

#include "FlightFileBytes.h"
#include "SyntheticFlight.h"

#include "ConsoleSink.h"

#include <QDir>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

struct Writer
{
    QDir folder;
    int written = 0;

    void write(const std::string &name, const std::string &bytes)
    {
        std::ofstream(folder.filePath(QString::fromStdString(name + ".qora")).toStdString(), std::ios::binary)
            << bytes;
        ++written;
    }
    void save(const std::string &name, const NUVQORAFlight &flight)
    {
        written += flight.save(folder.filePath(QString::fromStdString(name + ".qora")).toStdWString());
    }
};

// A current flight holding one event of the given class and version, then a second event
// of the same class so that later events take the short form.
std::string oneEventFile(uint16_t classId, uint32_t version, const FlightFileBytes &body, uint32_t headVersion = 1)
{
    FlightFileBytes bytes;
    bytes.flightStart(2).u16(classId).classInfo(true, version).u32(0).classInfo(true, headVersion).u32(1);
    bytes.bytes += body.bytes;
    bytes.u16(classId).u32(2).u32(3);
    bytes.bytes += body.bytes;
    return bytes.defaultTail().bytes;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || !QDir().mkpath(argv[1])) {
        std::fprintf(stderr, "usage: flightfile_seeds <folder>\n");
        return 2;
    }
    std::ostringstream quiet;
    ConsoleSink::setStream(&quiet);
    Writer out{QDir(argv[1])};

    // The flight versions, each with an event and (from version 1) its settings.
    NUVQORASettings settings;
    settings.setFirmwareVersion(0x0201);
    for (uint32_t version = 0; version <= 3; ++version) {
        FlightFileBytes file;
        file.flightStart(1, version).firstAccelZ(10.0f, 1.0f).u16(0x0100).text("seed");
        if (version >= 1)
            file.classInfo(false, 2).u8(1).raw(settings.image.data(), 97);
        if (version >= 2)
            file.u8(1);
        out.write("flight-v" + std::to_string(version), file.bytes);
    }

    // The older settings versions.
    uint8_t earlier[82] = {};
    std::copy(settings.image.begin(), settings.image.begin() + 82, earlier);
    out.write("settings-v1", FlightFileBytes().flightStart(0).u16(0x0100).text("").classInfo(false, 1).u8(1)
                                 .raw(earlier, 82).u8(0).bytes);
    FlightFileBytes oldest;
    oldest.flightStart(0).u16(0x0100).text("").classInfo(false, 0).u8(1).u16(0x0105);
    for (int i = 0; i < 8; ++i)
        oldest.u8(0xAA);
    for (int i = 0; i < 9; ++i)
        oldest.u16(0xBBBB);
    oldest.u8(0xCC).u32(6).raw("QORA\0\0", 6).u8(0xDD).u16(1).u16(2).u16(3).u16(4).u8(5).u8(6).u8(7).u16(8).u8(0);
    out.write("settings-v0", oldest.bytes);

    // Every older version of every event class, with its head of version 1 (and one of version 0).
    const auto at = [](float time) { return FlightFileBytes().head(time); };
    out.write("head-v0", oneEventFile(PressureId, 1, FlightFileBytes().f32(3.3f).u8(0).u32(1500).f32(1000.0f), 0));
    out.write("accelz-v2", oneEventFile(AccelZId, 2, at(10).f32(12.0f)));
    out.write("accelz-v1", oneEventFile(AccelZId, 1, at(10).u16(0xFF00)));
    out.write("accelz-v0", oneEventFile(AccelZId, 0, at(10).u16(2048)));
    out.write("accelxy-v2", oneEventFile(AccelXYId, 2, at(10).f32(1.0f).f32(2.0f)));
    out.write("accelxy-v1", oneEventFile(AccelXYId, 1, at(10).u16(0x0080).u16(0x0200)));
    out.write("accelxy-v0", oneEventFile(AccelXYId, 0, at(10).u16(256).u16(0xFE00).u16(0xFFFF)));
    out.write("pressure-v0", oneEventFile(PressureId, 0, at(10).u16(1000)));
    out.write("battery-v0", oneEventFile(ComputerBatteryId, 0, at(10).u16(10000)));
    out.write("ejection-v0", oneEventFile(EjectionBatteryId, 0, at(10).u16(10000)));
    out.write("temperature-v0", oneEventFile(TemperatureId, 0, at(10).u16(10000)));
    out.write("rssi-v0", oneEventFile(RSSIId, 0, at(10).u32(16384)));
    out.write("gpstime-v1", oneEventFile(GPSTimeId, 1, at(10).u32(1000).u16(2000).u8(1).u32(17)));
    out.write("gpstime-v0", oneEventFile(GPSTimeId, 0, at(10).u32(1000).u16(2000).u8(0xD2)));
    out.write("fix-v3", oneEventFile(GPSLLSolId, 3, at(10).f64(1.5).f64(2.5).f32(300.0f).u8(0x2C)));
    out.write("fix-v2", oneEventFile(GPSLLSolId, 2, at(10).f64(1.5).f64(2.5).f32(300.0f).u32(99).u8(0x0C)));
    out.write("fix-v1", oneEventFile(GPSLLSolId, 1, at(10).f32(47.5f).f32(-8.25f).f32(3.0f).u32(0).u8(0x25)));
    out.write("fix-v0", oneEventFile(GPSLLSolId, 0,
                                     at(10).u32(0).f64(1.0).f64(2.0).f32(3.0f).u32(0).u32(0x27).u32(3).u8(1)));
    out.write("status-v0", oneEventFile(StatusId, 0, at(10).u8(0xC5)));

    // Saved by this program: one event of every stored class, and the boost of a flight.
    NUVQORAFlight every;
    addEvent<NUVEvent_Text>(every, 0.5f)->text = "note";
    addEvent<NUVEvent_AccelZ>(every, 1.0f)->acceleration = 2.5f;
    addEvent<NUVEvent_AccelXY>(every, 1.0f)->x = 0.5f;
    addEvent<NUVEvent_Pressure>(every, 1.0f)->pressure = 99000.0f;
    addEvent<NUVEvent_ComputerBattery>(every, 1.5f)->voltage = 7.4f;
    addEvent<NUVEvent_EjectionBattery>(every, 1.5f)->voltage = 8.1f;
    addEvent<NUVEvent_Temperature>(every, 1.5f)->temperature = 21.0f;
    addEvent<NUVEvent_AuxDInput>(every, 2.0f)->value = 7;
    addEvent<NUVEvent_AuxEInput>(every, 2.0f)->value = 9;
    addFix(every, 2.0f, 8.5, 47.25, 420.5f);
    addEvent<NUVEvent_RSSI>(every, 2.5f)->rssi = -80.0f;
    addEvent<NUVEvent_Ident>(every, 2.5f)->ident = "QORA";
    addEvent<NUVEvent_Status>(every, 2.5f)->state = 3;
    addEvent<NUVEvent_GPSTime>(every, 3.0f)->timeValid = true;
    addEvent<NUVEvent_GyroXYZ>(every, 3.0f)->z = 90.0f;
    addEvent<NUVEvent_MagXYZ>(every, 3.0f)->x = 0.2f;
    addEvent<NUVEvent_LineA>(every, 3.5f)->voltage = 3.3f;
    addEvent<NUVEvent_LineB>(every, 3.5f)->voltage = 3.3f;
    addEvent<NUVEvent_LineC>(every, 3.5f)->voltage = 3.3f;
    addEvent<NUVEvent_LineD>(every, 3.5f)->voltage = 3.3f;
    addEvent<NUVEvent_Orientation>(every, 4.0f)->w = 1.0f;
    every.settings.valid = true;
    every.setName("every class");
    out.save("every-class", every);

    SyntheticFlight::Profile profile;
    profile.launch = 1.0;
    SyntheticFlight boost(profile);
    boost.flight->trim(0.5f, 2.0f);
    out.save("boost", *boost.flight);

    std::printf("%d seed files in %s\n", out.written, argv[1]);
    return 0;
}
