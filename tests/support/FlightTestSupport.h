#pragma once

#include "CapturedOutput.h"
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
#include <sstream>

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

// Asks a loaded flight for what its flight window shows: the figures and the trim it offers.
inline void askWindowFigures(NUVQORAFlight &flight)
{
    flight.groundAltitude();
    flight.peakAcceleration();
    flight.peakGyroZ();
    flight.peakLateralAcceleration();
    flight.burnoutTime();
    if (flight.detectLaunch())
        flight.autoTrim();
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
        return QStringLiteral("none");
    switch (e->code()) {
    case NUVEventCode::Text: out << "Text " << bytes(e->as<NUVEvent_Text>()->text); break;
    case NUVEventCode::Ident: out << "Ident " << bytes(e->as<NUVEvent_Ident>()->ident); break;
    case NUVEventCode::AccelZ: out << "AccelZ " << e->as<NUVEvent_AccelZ>()->acceleration; break;
    case NUVEventCode::AccelXY: {
        const auto *x = e->as<NUVEvent_AccelXY>();
        out << "AccelXY " << x->x << ' ' << x->y;
        break;
    }
    case NUVEventCode::Pressure: out << "Pressure " << e->as<NUVEvent_Pressure>()->pressure; break;
    case NUVEventCode::ComputerBattery:
        out << "ComputerBattery " << e->as<NUVEvent_ComputerBattery>()->voltage;
        break;
    case NUVEventCode::EjectionBattery:
        out << "EjectionBattery " << e->as<NUVEvent_EjectionBattery>()->voltage;
        break;
    case NUVEventCode::Temperature: out << "Temperature " << e->as<NUVEvent_Temperature>()->temperature; break;
    case NUVEventCode::AuxDInput: out << "AuxD " << e->as<NUVEvent_AuxDInput>()->value; break;
    case NUVEventCode::AuxEInput: out << "AuxE " << e->as<NUVEvent_AuxEInput>()->value; break;
    case NUVEventCode::RSSI: out << "RSSI " << e->as<NUVEvent_RSSI>()->rssi; break;
    case NUVEventCode::GPSLLSol: {
        const auto *x = e->as<NUVEvent_GPSLLSol>();
        out << "GPSLLSol " << std::setprecision(12) << x->latitude << ' ' << x->longitude << std::setprecision(6)
            << ' ' << x->altitude << ' ' << x->fixValid << ' ' << x->satellites;
        break;
    }
    case NUVEventCode::Status: {
        const auto *x = e->as<NUVEvent_Status>();
        out << "Status " << x->state << flags(x->lineOn) << flags(x->lineContinuity) << flags(x->lineLowBits);
        break;
    }
    case NUVEventCode::GPSTime: {
        const auto *x = e->as<NUVEvent_GPSTime>();
        out << "GPSTime " << x->timeOfWeek << ' ' << x->week << ' ' << x->timeValid << ' ' << x->flagBit6 << ' '
            << x->seconds;
        break;
    }
    case NUVEventCode::GyroXYZ: {
        const auto *x = e->as<NUVEvent_GyroXYZ>();
        out << "Gyro " << x->x << ' ' << x->y << ' ' << x->z;
        break;
    }
    case NUVEventCode::MagXYZ: {
        const auto *x = e->as<NUVEvent_MagXYZ>();
        out << "Mag " << x->x << ' ' << x->y << ' ' << x->z;
        break;
    }
    case NUVEventCode::LineA: line("LineA", *e->as<NUVEvent_LineA>()); break;
    case NUVEventCode::LineB: line("LineB", *e->as<NUVEvent_LineB>()); break;
    case NUVEventCode::LineC: line("LineC", *e->as<NUVEvent_LineC>()); break;
    case NUVEventCode::LineD: line("LineD", *e->as<NUVEvent_LineD>()); break;
    case NUVEventCode::Orientation: {
        const auto *x = e->as<NUVEvent_Orientation>();
        out << "Orientation " << x->x << ' ' << x->y << ' ' << x->z << ' ' << x->w;
        break;
    }
    case NUVEventCode::DeltaTime: out << "DeltaTime " << e->as<NUVEvent_DeltaTime>()->milliseconds; break;
    case NUVEventCode::EndOfFlight:
    case NUVEventCode::FlightMarker:
    case NUVEventCode::Unclassified:
    case NUVEventCode::EndOfMemory:
        out << "unknown";
        break;
    }
    return QString::fromStdString(out.str());
}

// A temporary folder with whole-file reads and writes.
class ScratchDir
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString filePath(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
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
    QTemporaryDir m_dir;
};
