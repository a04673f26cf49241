#include "EmulationResults.h"

#include "FlightPhase.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

constexpr double degreesPerRadian = 57.29577951308232;
constexpr float standardGravity = 9.81f;

} // namespace

QByteArray EmulationResults::header()
{
    return "Time [s],State,Altitude [m],Velocity [m/s],Acceleration [m/s^2],Line A,Line B,Line C,Line D,"
           "Orientation quaturnion w,Orientation quaturnion x,Orientation quaturnion y,"
           "Orientation quaturnion z,Angle (device frame) [deg.]\n";
}

double EmulationResults::tiltAngle(const EmulationStepReply &reply)
{
    const float cosine = reply.w * reply.w - reply.x * reply.x - reply.y * reply.y + reply.z * reply.z;
    // A quaternion that is not quite unit length must not push acos out of its domain.
    return std::acos(std::clamp(static_cast<double>(cosine), -1.0, 1.0)) * degreesPerRadian;
}

QByteArray EmulationResults::line(float time, const EmulationStepReply &reply)
{
    QStringList fields{number(time), FlightPhase::name(reply.flightState), number(reply.altitude),
                       number(reply.velocity), number(reply.acceleration + standardGravity)};
    for (uint8_t on : reply.lineOn)
        fields << (on ? QStringLiteral("100") : QStringLiteral("0"));
    fields << number(reply.w) << number(reply.x) << number(reply.y) << number(reply.z) << number(tiltAngle(reply));
    return fields.join(',').toLatin1() + '\n';
}
