// The KML, CSV, emulation-data and thrust-data exports of a flight.

#include "NUVQORAFlight.h"

#include "ConsoleSink.h"
#include "CubicFit.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_EjectionBattery.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GPSTime.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_LineA.h"
#include "NUVEvent_LineB.h"
#include "NUVEvent_LineC.h"
#include "NUVEvent_LineD.h"
#include "NUVEvent_MagXYZ.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_RSSI.h"
#include "NUVEvent_Status.h"
#include "NUVEvent_Temperature.h"
#include "PressureAltitude.h"
#include "SafeFileWriter.h"
#include "SparseCellTable.h"
#include "TimeStep.h"
#include "WidePath.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace {

// Time truncated to the 0.01 s grid, toward zero.
float onCentisecondGrid(float time)
{
    return std::trunc(time * 100.0f) * 0.01f;
}

// One column block of the CSV export: the lines of one kind of event.
struct CsvBlock
{
    std::string filler;
    std::vector<std::string> lines;
};

// The letter of an output line's event kind.
char lineLetter(NUVEventCode code)
{
    return static_cast<char>('A' + (toByte(code) - toByte(NUVEventCode::LineA)));
}

// The voltage of an output line's event: the four line classes differ only in their line.
float lineVoltage(const NUVEvent &event)
{
    if (const auto *a = event.as<NUVEvent_LineA>())
        return a->voltage;
    if (const auto *b = event.as<NUVEvent_LineB>())
        return b->voltage;
    if (const auto *c = event.as<NUVEvent_LineC>())
        return c->voltage;
    return event.as<NUVEvent_LineD>()->voltage;
}

} // namespace

bool NUVQORAFlight::exportKML(const std::wstring &path) const
{
    SafeFileWriter file(QString::fromStdWString(path));
    if (!file.open())
        return false;
    std::ostream &out = file.stream();
    ConsoleSink::out() << "KML path: " << printablePath(path) << std::endl;
    out.precision(10);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://earth.google.com/kml/2.1\">\n"
           "<Document><name>NUV QORA Flight</name><visibility>1</visibility><Folder><name>Track</name>\n"
           "<Placemark><name>Aeronautic</name>\n"
           "<Style><LineStyle><color>C80000FF</color><width>4</width></LineStyle></Style>\n"
           "<LineString><altitudeMode>absolute</altitudeMode><coordinates>\n";
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const auto *fix = event->as<NUVEvent_GPSLLSol>();
        if (fix && fix->fixValid)
            out << fix->longitude << ',' << fix->latitude << ',' << fix->altitude << " \n";
    }
    out << "</coordinates></LineString></Placemark>\n"
           "<Placemark><name>Clamped to ground</name>\n"
           "<Style><LineStyle><color>C800FFFF</color><width>4</width></LineStyle></Style>\n"
           "<LineString><altitudeMode>clampToGround</altitudeMode><coordinates>\n";
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const auto *fix = event->as<NUVEvent_GPSLLSol>();
        if (fix && fix->fixValid)
            out << fix->longitude << ',' << fix->latitude << " \n";
    }
    out << "</coordinates></LineString>\n"
           "</Placemark></Folder></Document></kml>\n";
    return file.commit();
}

bool NUVQORAFlight::exportCSV(const std::wstring &path)
{
    SafeFileWriter file(QString::fromStdWString(path));
    if (!file.open())
        return false;
    std::ostream &out = file.stream();
    ConsoleSink::out() << "CSV path: " << printablePath(path) << std::endl;

    std::vector<CsvBlock> blocks;
    std::array<int, 256> blockOfKind;
    blockOfKind.fill(-1);

    std::ostringstream line;
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const NUVEvent *e = event.get();
        // Each line starts in the stream's default format.
        line.str(std::string());
        line.precision(6);
        line << e->time;
        std::string header;
        switch (e->code()) {
        case NUVEventCode::GPSLLSol: {
            const auto *fix = e->as<NUVEvent_GPSLLSol>();
            if (!fix->fixValid)
                continue;
            header = "time,lat,long,GPS MSL,SVs";
            line.precision(8);
            line << ',' << fix->latitude << ',' << fix->longitude << ',' << fix->altitude << ',' << fix->satellites;
            break;
        }
        case NUVEventCode::AccelZ:
            header = "time,acceleration";
            line << ',' << e->as<NUVEvent_AccelZ>()->acceleration;
            break;
        case NUVEventCode::AccelXY: {
            const auto *lateral = e->as<NUVEvent_AccelXY>();
            header = "time,lat. X accel.,lat. Y accel.";
            line << ',' << lateral->x << ',' << lateral->y;
            break;
        }
        case NUVEventCode::GyroXYZ: {
            const auto *gyro = e->as<NUVEvent_GyroXYZ>();
            header = "time,Gyro X,Gyro Y,Gyro Z";
            line << ',' << gyro->x << ',' << gyro->y << ',' << gyro->z;
            break;
        }
        case NUVEventCode::MagXYZ: {
            const auto *mag = e->as<NUVEvent_MagXYZ>();
            header = "time,Mag X,Mag Y,Mag Z";
            line << ',' << mag->x << ',' << mag->y << ',' << mag->z;
            break;
        }
        case NUVEventCode::Pressure: {
            const float pressure = e->as<NUVEvent_Pressure>()->pressure;
            const float altitude = pressureAltitudeOf(pressure);
            header = "time,pressure,Pressure MSL,Pressure AGL";
            line << ',' << pressure << ',' << altitude << ',' << altitude - groundAltitude();
            break;
        }
        case NUVEventCode::Temperature:
            header = "time,temperature";
            line << ',' << e->as<NUVEvent_Temperature>()->temperature;
            break;
        case NUVEventCode::ComputerBattery:
            header = "time,comp. bat. voltage";
            line << ',' << e->as<NUVEvent_ComputerBattery>()->voltage;
            break;
        case NUVEventCode::EjectionBattery:
            header = "time,eject. bat. voltage";
            line << ',' << e->as<NUVEvent_EjectionBattery>()->voltage;
            break;
        case NUVEventCode::RSSI:
            header = "time,RSSI";
            line << ',' << e->as<NUVEvent_RSSI>()->rssi;
            break;
        case NUVEventCode::Status: {
            const auto *status = e->as<NUVEvent_Status>();
            header = "time,launch detect,apogee detect,A cont.,B cont.,C cont.,D cont.,A on., B on,C on,D on";
            line << ',' << (status->state >= FlightPhase::Boost) << ',' << (status->state >= FlightPhase::ApogeeOrDescent);
            for (const bool continuity : status->lineContinuity)
                line << ',' << continuity;
            for (const bool on : status->lineOn)
                line << ',' << on;
            break;
        }
        case NUVEventCode::GPSTime:
            header = "time,GPS Time of Week";
            line << ',' << e->as<NUVEvent_GPSTime>()->timeOfWeek;
            break;
        case NUVEventCode::LineA:
        case NUVEventCode::LineB:
        case NUVEventCode::LineC:
        case NUVEventCode::LineD:
            header = std::string("time,") + lineLetter(e->code()) + " Voltage";
            line.precision(3);
            line << ',' << lineVoltage(*e);
            break;
        case NUVEventCode::Text:
        case NUVEventCode::Ident:
        case NUVEventCode::Orientation:
        case NUVEventCode::AuxDInput:
        case NUVEventCode::AuxEInput:
        case NUVEventCode::DeltaTime:
        case NUVEventCode::EndOfFlight:
        case NUVEventCode::FlightMarker:
        case NUVEventCode::Unclassified:
        case NUVEventCode::EndOfMemory:
            continue;
        }
        int &block = blockOfKind[toByte(e->code())];
        if (block < 0) {
            block = static_cast<int>(blocks.size());
            blocks.push_back({std::string(std::count(header.begin(), header.end(), ','), ','), {header}});
        }
        blocks[block].lines.push_back(line.str());
    }

    std::size_t rows = 0;
    for (const CsvBlock &block : blocks)
        rows = std::max(rows, block.lines.size());
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            if (b > 0)
                out << ',';
            out << (row < blocks[b].lines.size() ? blocks[b].lines[row] : blocks[b].filler);
        }
        out << '\n';
    }
    return file.commit();
}

bool NUVQORAFlight::exportEmulationData(const std::wstring &path) const
{
    SafeFileWriter file(QString::fromStdWString(path));
    if (!file.open())
        return false;
    std::ostream &out = file.stream();
    out << "Time[s],Pressure altitude [m],GPS altitude [m],GPS Valid,Acceleration x [m/s^2], Acceleration y "
           "[m/s^2], Acceleration z [m/s^2], Gyro x [deg/s], Gyro y [deg/s], Gyro z [deg/s]\n";
    const float end = lastListedEventTime();
    const float axialSign = accelInverted ? -1.0f : 1.0f;
    std::size_t gpsSearch = 0;
    bool gpsValid = false;
    long row = 0;
    for (float t = onCentisecondGrid(firstEventTime()); t < end; ++row) {
        // The fix flag is looked up every tenth row and held in between.
        if (row % 10 == 0) {
            gpsValid = false;
            for (; gpsSearch < events.size(); ++gpsSearch) {
                const auto *fix = events[gpsSearch]->as<NUVEvent_GPSLLSol>();
                if (!fix)
                    continue;
                if (fix->time > t)
                    break;
                if (fix->fixValid && std::fabs(fix->time - t) < 0.25f) {
                    gpsValid = true;
                    ++gpsSearch;
                    break;
                }
            }
        }
        char line[512];
        std::snprintf(line, sizeof line, "%.2f,%.2f,%.2f,%d,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f\n", double(t),
                      double(sampleAt(pressureAltitude, t).value), double(sampleAt(gpsAltitude, t).value),
                      gpsValid ? 1 : 0, double(sampleAt(accelX, t).value * 9.81f),
                      double(sampleAt(accelY, t).value * 9.81f),
                      double(sampleAt(accelZ, t).value * 9.81f * axialSign), double(sampleAt(gyroX, t).value),
                      double(sampleAt(gyroY, t).value), double(sampleAt(gyroZ, t).value));
        out << line;
        if (!advanceTime(t, 0.01f))
            break;
    }
    return file.commit();
}

bool NUVQORAFlight::exportThrustData(const std::wstring &path, float totalMass, float propellantMass) const
{
    const float burnoutMass = totalMass - propellantMass;
    SparseCellTable table;
    const char *const headers[] = {"Velocity [m/s]", "Acceleration [m/s^2]", "Time[s]", "Acceleration [m/s^2]",
                                   "Velocity [m/s]", "Rocket mass [kg]",     "Drag [N]", "Motor Thrust [N]"};
    for (int column = 0; column < 8; ++column)
        table.setText(0, column, headers[column]);
    table.setText(0, 10, "Total rocket mass (incl. propellent) [kg]");
    table.setNumber(totalMass, 0, 11);
    table.setText(1, 10, "Total propellent mass [kg]");
    table.setNumber(propellantMass, 1, 11);

    const float launch = launchTime();
    const float burnout = burnoutTime();
    const float coastEnd = apogeeTime() - 1.0f;

    // Drag model: the coast deceleration as a cubic of velocity.
    CubicFit drag;
    for (float t = onCentisecondGrid(burnout); t < coastEnd;) {
        drag.addPoint(sampleAt(velocity, t).value, static_cast<float>(sampleAt(accelZ, t).value * 9.81));
        if (!advanceTime(t, 0.01f))
            break;
    }
    drag.sortByX();
    try {
        drag.fit();
    } catch (const std::exception &e) {
        // No coast samples: nothing to model the drag with.
        ConsoleSink::out() << "Error: " << e.what() << std::endl;
        return false;
    }
    int32_t row = 1;
    for (const CubicFit::Point &point : drag.points()) {
        table.setNumber(point.x, row, 0);
        table.setNumber(point.y, row, 1);
        ++row;
    }

    const float burnTime = burnout - launch;
    const float burnStart = onCentisecondGrid(launch);
    const auto netAcceleration = [this](float t) { return (sampleAt(accelZ, t).value - 1.0f) * 9.81f; };

    // First pass: propellant burnt in proportion to time, giving the impulse curve.
    SampleTable impulse;
    float totalImpulse = 0.0f;
    for (float t = burnStart; t < burnout;) {
        const float u = t - launch;
        const float mass = totalMass - std::min(u, burnTime) * propellantMass / burnTime;
        const float force = static_cast<float>((netAcceleration(t) + 9.81) * mass);
        const float thrust = force - drag.valueAt(sampleAt(velocity, t).value) * burnoutMass;
        totalImpulse += std::max(thrust, 0.0f) * 0.01f;
        impulse.push_back({u, totalImpulse, 0.0f});
        if (!advanceTime(t, 0.01f))
            break;
    }

    // Second pass: propellant burnt in proportion to impulse.
    float sum = 0.0f;
    row = 1;
    for (float t = burnStart; t < burnout;) {
        const float u = t - launch;
        const float mass = totalMass - sampleAt(impulse, std::min(u, burnTime)).value / totalImpulse * propellantMass;
        const float net = netAcceleration(t);
        const float force = static_cast<float>((net + 9.81) * mass);
        const float v = sampleAt(velocity, t).value;
        const float dragForce = drag.valueAt(v) * burnoutMass;
        const float thrust = std::max(force - dragForce, 0.0f);
        table.setNumber(u, row, 2);
        table.setNumber(net, row, 3);
        table.setNumber(v, row, 4);
        table.setNumber(mass, row, 5);
        table.setNumber(dragForce, row, 6);
        table.setNumber(thrust, row, 7);
        sum += thrust * 0.01f;
        ++row;
        if (!advanceTime(t, 0.01f))
            break;
    }
    table.setText(3, 10, "Total thrust [Ns]");
    table.setNumber(sum, 3, 11);
    table.setText(4, 10, "ISP [s]");
    table.setNumber(static_cast<float>(0.1019367991845056 / propellantMass * sum), 4, 11);

    SafeFileWriter file(QString::fromStdWString(path));
    if (!file.open())
        return false;
    std::ostream &out = file.stream();
    table.write(out);
    return file.commit();
}
