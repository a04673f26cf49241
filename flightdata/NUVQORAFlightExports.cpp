// The KML, CSV, emulation-data and thrust-data exports of a flight.

#include "NUVQORAFlight.h"

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
#include "SparseCellTable.h"
#include "TimeStep.h"
#include "WidePath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {

// Closes the file and tells whether everything reached it.
bool finish(std::ofstream &out)
{
    out.close();
    return !out.fail();
}

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

} // namespace

bool NUVQORAFlight::exportKML(const std::wstring &path) const
{
    std::ofstream out(localFileName(path));
    if (!out.is_open())
        return false;
    std::cout << "KML path: " << printablePath(path) << std::endl;
    out.precision(10);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://earth.google.com/kml/2.1\">\n"
           "<Document><name>NUV QORA Flight</name><visibility>1</visibility><Folder><name>Track</name>\n"
           "<Placemark><name>Aeronautic</name>\n"
           "<Style><LineStyle><color>C80000FF</color><width>4</width></LineStyle></Style>\n"
           "<LineString><altitudeMode>absolute</altitudeMode><coordinates>\n";
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const auto *fix = dynamic_cast<const NUVEvent_GPSLLSol *>(event.get());
        if (fix && fix->fixValid)
            out << fix->longitude << ',' << fix->latitude << ',' << fix->altitude << " \n";
    }
    out << "</coordinates></LineString></Placemark>\n"
           "<Placemark><name>Clamped to ground</name>\n"
           "<Style><LineStyle><color>C800FFFF</color><width>4</width></LineStyle></Style>\n"
           "<LineString><altitudeMode>clampToGround</altitudeMode><coordinates>\n";
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const auto *fix = dynamic_cast<const NUVEvent_GPSLLSol *>(event.get());
        if (fix && fix->fixValid)
            out << fix->longitude << ',' << fix->latitude << " \n";
    }
    out << "</coordinates></LineString>\n"
           "</Placemark></Folder></Document></kml>\n";
    return finish(out);
}

bool NUVQORAFlight::exportCSV(const std::wstring &path)
{
    std::ofstream out(localFileName(path));
    if (!out.is_open())
        return false;
    std::cout << "CSV path: " << printablePath(path) << std::endl;

    enum Kind { Gps, Axial, Lateral, Gyro, Mag, Pressure, Temperature, Computer, Ejection, Rssi, Status,
                GpsTime, LineA, LineB, LineC, LineD, KindCount };
    static const char *const headers[KindCount] = {
        "time,lat,long,GPS MSL,SVs",
        "time,acceleration",
        "time,lat. X accel.,lat. Y accel.",
        "time,Gyro X,Gyro Y,Gyro Z",
        "time,Mag X,Mag Y,Mag Z",
        "time,pressure,Pressure MSL,Pressure AGL",
        "time,temperature",
        "time,comp. bat. voltage",
        "time,eject. bat. voltage",
        "time,RSSI",
        "time,launch detect,apogee detect,A cont.,B cont.,C cont.,D cont.,A on., B on,C on,D on",
        "time,GPS Time of Week",
        "time,A Voltage",
        "time,B Voltage",
        "time,C Voltage",
        "time,D Voltage",
    };
    std::vector<CsvBlock> blocks;
    int blockOfKind[KindCount];
    std::fill(std::begin(blockOfKind), std::end(blockOfKind), -1);

    std::ostringstream line;
    for (const std::unique_ptr<NUVEvent> &event : events) {
        const NUVEvent *e = event.get();
        // Each line starts in the stream's default format.
        line.str(std::string());
        line.precision(6);
        line << e->time;
        Kind kind;
        if (const auto *fix = dynamic_cast<const NUVEvent_GPSLLSol *>(e)) {
            if (!fix->fixValid)
                continue;
            kind = Gps;
            line.precision(8);
            line << ',' << fix->latitude << ',' << fix->longitude << ',' << fix->altitude << ',' << fix->satellites;
        } else if (const auto *axial = dynamic_cast<const NUVEvent_AccelZ *>(e)) {
            kind = Axial;
            line << ',' << axial->acceleration;
        } else if (const auto *lateral = dynamic_cast<const NUVEvent_AccelXY *>(e)) {
            kind = Lateral;
            line << ',' << lateral->x << ',' << lateral->y;
        } else if (const auto *gyro = dynamic_cast<const NUVEvent_GyroXYZ *>(e)) {
            kind = Gyro;
            line << ',' << gyro->x << ',' << gyro->y << ',' << gyro->z;
        } else if (const auto *mag = dynamic_cast<const NUVEvent_MagXYZ *>(e)) {
            kind = Mag;
            line << ',' << mag->x << ',' << mag->y << ',' << mag->z;
        } else if (const auto *pressure = dynamic_cast<const NUVEvent_Pressure *>(e)) {
            kind = Pressure;
            const float altitude = pressureAltitudeOf(pressure->pressure);
            line << ',' << pressure->pressure << ',' << altitude << ',' << altitude - groundAltitude();
        } else if (const auto *temperature = dynamic_cast<const NUVEvent_Temperature *>(e)) {
            kind = Temperature;
            line << ',' << temperature->temperature;
        } else if (const auto *computer = dynamic_cast<const NUVEvent_ComputerBattery *>(e)) {
            kind = Computer;
            line << ',' << computer->voltage;
        } else if (const auto *ejection = dynamic_cast<const NUVEvent_EjectionBattery *>(e)) {
            kind = Ejection;
            line << ',' << ejection->voltage;
        } else if (const auto *rssi = dynamic_cast<const NUVEvent_RSSI *>(e)) {
            kind = Rssi;
            line << ',' << rssi->rssi;
        } else if (const auto *status = dynamic_cast<const NUVEvent_Status *>(e)) {
            kind = Status;
            line << ',' << (status->state > 0) << ',' << (status->state >= 3);
            for (const bool continuity : status->lineContinuity)
                line << ',' << continuity;
            for (const bool on : status->lineOn)
                line << ',' << on;
        } else if (const auto *gpsTime = dynamic_cast<const NUVEvent_GPSTime *>(e)) {
            kind = GpsTime;
            line << ',' << gpsTime->timeOfWeek;
        } else if (const auto *a = dynamic_cast<const NUVEvent_LineA *>(e)) {
            kind = LineA;
            line.precision(3);
            line << ',' << a->voltage;
        } else if (const auto *b = dynamic_cast<const NUVEvent_LineB *>(e)) {
            kind = LineB;
            line.precision(3);
            line << ',' << b->voltage;
        } else if (const auto *c = dynamic_cast<const NUVEvent_LineC *>(e)) {
            kind = LineC;
            line.precision(3);
            line << ',' << c->voltage;
        } else if (const auto *d = dynamic_cast<const NUVEvent_LineD *>(e)) {
            kind = LineD;
            line.precision(3);
            line << ',' << d->voltage;
        } else {
            continue;
        }
        if (blockOfKind[kind] < 0) {
            blockOfKind[kind] = static_cast<int>(blocks.size());
            const std::string header = headers[kind];
            blocks.push_back({std::string(std::count(header.begin(), header.end(), ','), ','), {header}});
        }
        blocks[blockOfKind[kind]].lines.push_back(line.str());
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
    return finish(out);
}

bool NUVQORAFlight::exportEmulationData(const std::wstring &path) const
{
    std::ofstream out(localFileName(path));
    if (!out.is_open())
        return false;
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
                const auto *fix = dynamic_cast<const NUVEvent_GPSLLSol *>(events[gpsSearch].get());
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
    return finish(out);
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
        std::cout << "Error: " << e.what() << std::endl;
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

    std::ofstream out(localFileName(path));
    if (!out.is_open())
        return false;
    table.write(out);
    return finish(out);
}
