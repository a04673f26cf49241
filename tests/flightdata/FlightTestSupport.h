#ifndef FLIGHTTESTSUPPORT_H
#define FLIGHTTESTSUPPORT_H

#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_AuxDInput.h"
#include "NUVEvent_AuxEInput.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_DeltaTime.h"
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
#include "NUVQORAFlight.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

// Collects what the flight code prints on standard output while it lives.
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

// Appends an event of the given class at a time and returns it for filling in.
template<class Event>
Event *addEvent(NUVQORAFlight &flight, float time)
{
    auto event = std::make_unique<Event>();
    event->time = time;
    Event *raw = event.get();
    flight.appendEvent(std::move(event));
    return raw;
}

inline NUVEvent_GPSLLSol *addFix(NUVQORAFlight &flight, float time, double longitude, double latitude,
                                 float altitude, bool valid = true)
{
    auto *fix = addEvent<NUVEvent_GPSLLSol>(flight, time);
    fix->longitude = longitude;
    fix->latitude = latitude;
    fix->altitude = altitude;
    fix->fixValid = valid;
    fix->satellites = 9;
    return fix;
}

// An event's class and every field but time and vref on one line (floats to 6 significant
// digits and doubles to 12, as Qt Test compares them), so that a whole event compares at once.
inline QString describe(const NUVEvent *e)
{
    std::ostringstream out;
    out.precision(6);
    const auto bytes = [](const std::string &s) {
        std::string text;
        for (const char c : s) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
            text += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, c) : std::string(escaped);
        }
        return text;
    };
    const auto flags = [](const NUVEvent_Status::LineFlags &f) {
        std::string text = " ";
        for (const bool flag : f)
            text += flag ? '1' : '0';
        return text;
    };
    const auto line = [&out](const char *name, const auto &l) {
        out << name << ' ' << l.flagBit15 << ' ' << l.flagBit14 << ' ' << l.voltage;
    };
    if (!e)
        out << "none";
    else if (auto *x = dynamic_cast<const NUVEvent_Text *>(e))
        out << "Text " << bytes(x->text);
    else if (auto *x = dynamic_cast<const NUVEvent_Ident *>(e))
        out << "Ident " << bytes(x->ident);
    else if (auto *x = dynamic_cast<const NUVEvent_AccelZ *>(e))
        out << "AccelZ " << x->acceleration;
    else if (auto *x = dynamic_cast<const NUVEvent_AccelXY *>(e))
        out << "AccelXY " << x->x << ' ' << x->y;
    else if (auto *x = dynamic_cast<const NUVEvent_Pressure *>(e))
        out << "Pressure " << x->pressure;
    else if (auto *x = dynamic_cast<const NUVEvent_ComputerBattery *>(e))
        out << "ComputerBattery " << x->voltage;
    else if (auto *x = dynamic_cast<const NUVEvent_EjectionBattery *>(e))
        out << "EjectionBattery " << x->voltage;
    else if (auto *x = dynamic_cast<const NUVEvent_Temperature *>(e))
        out << "Temperature " << x->temperature;
    else if (auto *x = dynamic_cast<const NUVEvent_AuxDInput *>(e))
        out << "AuxD " << x->value;
    else if (auto *x = dynamic_cast<const NUVEvent_AuxEInput *>(e))
        out << "AuxE " << x->value;
    else if (auto *x = dynamic_cast<const NUVEvent_RSSI *>(e))
        out << "RSSI " << x->rssi;
    else if (auto *x = dynamic_cast<const NUVEvent_GPSLLSol *>(e))
        out << "GPSLLSol " << std::setprecision(12) << x->latitude << ' ' << x->longitude << std::setprecision(6) << ' '
            << x->altitude << ' ' << x->fixValid << ' ' << x->satellites;
    else if (auto *x = dynamic_cast<const NUVEvent_Status *>(e))
        out << "Status " << x->state << flags(x->lineOn) << flags(x->lineContinuity) << flags(x->lineLowBits);
    else if (auto *x = dynamic_cast<const NUVEvent_GPSTime *>(e))
        out << "GPSTime " << x->timeOfWeek << ' ' << x->week << ' ' << x->timeValid << ' ' << x->flagBit6 << ' '
            << x->seconds;
    else if (auto *x = dynamic_cast<const NUVEvent_GyroXYZ *>(e))
        out << "Gyro " << x->x << ' ' << x->y << ' ' << x->z;
    else if (auto *x = dynamic_cast<const NUVEvent_MagXYZ *>(e))
        out << "Mag " << x->x << ' ' << x->y << ' ' << x->z;
    else if (auto *x = dynamic_cast<const NUVEvent_LineA *>(e))
        line("LineA", *x);
    else if (auto *x = dynamic_cast<const NUVEvent_LineB *>(e))
        line("LineB", *x);
    else if (auto *x = dynamic_cast<const NUVEvent_LineC *>(e))
        line("LineC", *x);
    else if (auto *x = dynamic_cast<const NUVEvent_LineD *>(e))
        line("LineD", *x);
    else if (auto *x = dynamic_cast<const NUVEvent_Orientation *>(e))
        out << "Orientation " << x->x << ' ' << x->y << ' ' << x->z << ' ' << x->w;
    else if (auto *x = dynamic_cast<const NUVEvent_DeltaTime *>(e))
        out << "DeltaTime " << x->milliseconds;
    else
        out << "unknown";
    return QString::fromStdString(out.str());
}

// A temporary folder with whole-file reads and writes.
class ScratchDir
{
public:
    bool isValid() const { return dir.isValid(); }
    QString filePath(const QString &name) const { return QDir(dir.path()).filePath(name); }
    std::wstring path(const QString &name) const { return filePath(name).toStdWString(); }
    std::string read(const QString &name) const
    {
        std::ifstream in(filePath(name).toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write(const QString &name, const std::string &bytes) const
    {
        std::ofstream(filePath(name).toStdString(), std::ios::binary) << bytes;
    }

private:
    QTemporaryDir dir;
};

#endif // FLIGHTTESTSUPPORT_H
