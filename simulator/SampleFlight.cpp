#include "SampleFlight.h"

#include "NUVQORASettings.h"
#include "PressureAltitude.h"

#include <QQuaternion>
#include <QVector3D>

#include <algorithm>
#include <cmath>

namespace {

constexpr float Gravity = 9.81f;
constexpr float StepSeconds = 0.01f;
constexpr int StepMs = 10;
constexpr float PadSeconds = 3.0f;    // recorded before ignition
constexpr float GroundSeconds = 5.0f; // recorded after touch-down
constexpr float Pi = 3.14159265f;
constexpr float DegreesPerRadian = 180.0f / Pi;

// The rocket: a 54 mm airframe on a motor burning 1.8 s.
constexpr float DryMass = 1.25f;        // kg
constexpr float PropellantMass = 0.25f; // kg
constexpr float BurnSeconds = 1.8f;
constexpr float DragArea = 0.5f * 0.00229f; // drag coefficient times the frontal area, m^2
constexpr float RailLength = 1.5f;          // m
constexpr float DescentRate = 6.5f;         // m/s under the parachute
// The airframe turns into the relative wind within this much airflow past it: the faster it
// flies, the quicker it turns.
constexpr float WeathercockLength = 3.0f; // m
constexpr float HangingSeconds = 0.4f;    // time constant of the swing round under the opened parachute
const QVector3D EarthField(0.0f, 21.0f, -43.0f); // micro-tesla east, north, up

// Device phase numbers as the status word carries them.
enum Phase { Pad = 0, Boost = 1, BoostEnd = 2, Coast = 3, Apogee = 4, Descent = 5, Ground = 6 };

float thrustAt(float t)
{
    if (t < 0 || t > BurnSeconds)
        return 0;
    if (t < 0.05f)
        return 140.0f * t / 0.05f;
    if (t < 1.6f)
        return 140.0f - 45.0f * (t - 0.05f) / 1.55f;
    return 95.0f * (BurnSeconds - t) / (BurnSeconds - 1.6f);
}

// A west wind, m/s east and north, stronger aloft.
QVector3D windAt(float altitude)
{
    const float aloft = std::clamp(altitude / 600.0f, 0.0f, 1.0f);
    return QVector3D(2.0f + 6.0f * aloft, 0.5f + 1.0f * aloft, 0.0f);
}

float airDensityAt(float altitude)
{
    return 1.225f * std::pow(1.0f - 2.2557924e-5f * altitude, 4.2558827f);
}

// Deterministic sensor noise.
class Noise
{
public:
    explicit Noise(uint32_t &state)
        : m_state(state)
    {
    }

    // Roughly normal, standard deviation 1.
    float normal()
    {
        return 2.0f * (uniform() + uniform() + uniform() - 1.5f);
    }

private:
    float uniform()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return float(m_state >> 8) / float(1u << 24);
    }

    uint32_t &m_state;
};

// What the sensors would read without noise at one moment.
struct Snapshot
{
    float seconds = 0;   // since the recording started
    Phase phase = Pad;
    QVector3D position;  // m east, north, up from the pad
    QQuaternion attitude;
    QVector3D force;     // specific force in the body frame, m/s^2
    QVector3D rates;     // body rotation rates, degrees per second
    bool lineOn[4] = {};
    bool continuity[4] = {true, true, false, false};
    float computerBattery = 8.3f;
    float ejectionBattery = 8.1f;
    float temperature = 21.5f;
};

class FlightModel
{
public:
    FlightModel()
    {
        m_now.seconds = 0;
    }

    const Snapshot &now() const { return m_now; }
    bool finished() const { return m_now.phase == Ground && m_groundSeconds >= GroundSeconds; }

    void step()
    {
        const float t = m_now.seconds - PadSeconds; // since ignition
        const QQuaternion previous = m_now.attitude;
        QVector3D acceleration;
        switch (m_now.phase) {
        case Pad:
            if (t >= 0)
                m_now.phase = Boost;
            break;
        case Boost:
        case BoostEnd:
        case Coast:
            acceleration = poweredOrCoasting(t);
            break;
        case Apogee:
        case Descent:
            acceleration = underParachute(t);
            break;
        case Ground:
            // Tips over from where it touched down until it lies on its side.
            m_groundSeconds += StepSeconds;
            m_lyingDown = std::min(1.0f, m_lyingDown + StepSeconds * 2);
            m_pointing = (m_touchdownPointing * (1 - m_lyingDown) + QVector3D(1, 0, 0) * m_lyingDown).normalized();
            m_now.attitude = attitudeOf(m_pointing);
            break;
        }
        if (m_now.phase != Pad && m_now.phase != Ground) {
            m_velocity += acceleration * StepSeconds;
            m_now.position += m_velocity * StepSeconds;
            if (m_now.position.z() <= 0 && m_now.phase == Descent) {
                m_now.position.setZ(0);
                m_velocity = QVector3D();
                acceleration = QVector3D();
                m_now.phase = Ground;
                m_touchdownPointing = m_pointing;
            }
        }
        updateLines(t);
        updateBatteriesAndTemperature();
        m_now.force = m_now.attitude.conjugated().rotatedVector(acceleration + QVector3D(0, 0, Gravity))
            + QVector3D(0, 0, m_chuteShock);
        const QQuaternion turn = previous.conjugated() * m_now.attitude;
        m_now.rates = turn.vector() * (2.0f * (turn.scalar() < 0 ? -1 : 1) / StepSeconds * DegreesPerRadian);
        m_now.seconds += StepSeconds;
    }

private:
    QQuaternion rollAttitude() const
    {
        return QQuaternion::fromAxisAndAngle(0, 0, 1, m_roll * DegreesPerRadian);
    }

    // The airframe with its axis along a direction, rolled about that axis.
    QQuaternion attitudeOf(const QVector3D &axis) const
    {
        return QQuaternion::rotationTo(QVector3D(0, 0, 1), axis) * rollAttitude();
    }

    // The airframe has inertia: its axis follows a new direction with a lag, never in one step.
    void turnToward(const QVector3D &direction, float timeConstant)
    {
        const float share = std::min(1.0f, StepSeconds / timeConstant);
        m_pointing = (m_pointing + (direction - m_pointing) * share).normalized();
    }

    // Thrust along the airframe, drag against the airflow; off the rail the airframe turns
    // into the relative wind.
    QVector3D poweredOrCoasting(float t)
    {
        const float mass = DryMass + PropellantMass * std::max(0.0f, 1.0f - t / BurnSeconds);
        const QVector3D airflow = m_velocity - windAt(m_now.position.z());
        const float airspeed = airflow.length();
        if (m_now.position.z() > RailLength && airspeed > 1.0f)
            turnToward(airflow.normalized(), WeathercockLength / airspeed);
        const QVector3D axis = m_pointing;
        const QVector3D drag = -airflow * (0.5f * airDensityAt(PadAltitudeOf() + m_now.position.z()) * DragArea * airspeed);
        QVector3D force = axis * thrustAt(t) + drag;
        QVector3D acceleration = force / mass - QVector3D(0, 0, Gravity);
        if (m_now.position.z() <= RailLength) // the rail holds it upright
            acceleration = QVector3D(0, 0, std::max(0.0f, QVector3D::dotProduct(acceleration, axis)));

        m_rollRate = std::min(m_rollRate + StepSeconds * airspeed * 0.02f, 3.0f); // canted fins spin it up
        m_roll += m_rollRate * StepSeconds;
        m_now.attitude = attitudeOf(axis);

        if (m_now.phase == Boost && t > BurnSeconds) {
            m_now.phase = BoostEnd;
        } else if (m_now.phase == BoostEnd && t > BurnSeconds + 0.1f) {
            m_now.phase = Coast;
        } else if (m_now.phase == Coast && m_velocity.z() <= 0) {
            m_now.phase = Apogee;
            m_apogeeAt = t;
            fire(0, t);
        }
        return acceleration;
    }

    // The parachute opens with a jolt, then the rocket sinks at its descent rate and drifts
    // with the wind, swinging under the canopy.
    QVector3D underParachute(float t)
    {
        const float sinceApogee = t - m_apogeeAt;
        if (m_now.phase == Apogee && sinceApogee > 0.5f)
            m_now.phase = Descent;
        if (m_now.phase == Descent && m_firedAt[1] < 0 && m_now.position.z() < m_settings.lineAltitude(1))
            fire(1, t);
        const QVector3D target = windAt(m_now.position.z()) + QVector3D(0, 0, -DescentRate);
        const QVector3D acceleration(
            (target.x() - m_velocity.x()) / 2.0f, (target.y() - m_velocity.y()) / 2.0f,
            (target.z() - m_velocity.z()) / 1.0f);
        m_chuteShock = sinceApogee < 0.3f ? 6.0f * Gravity * std::exp(-sinceApogee / 0.08f) : 0.0f;

        const float swing = 12.0f * std::exp(-sinceApogee / 25.0f) * std::sin(2 * Pi * sinceApogee / 2.6f) + 3.0f;
        m_roll += 0.5f * StepSeconds;
        turnToward(QQuaternion::fromAxisAndAngle(0.2f, 1, 0, swing).rotatedVector(QVector3D(0, 0, 1)), HangingSeconds);
        m_now.attitude = attitudeOf(m_pointing);
        return acceleration;
    }

    static float PadAltitudeOf() { return SampleFlight::PadAltitude; }

    void fire(int line, float t)
    {
        m_firedAt[line] = t;
    }

    void updateLines(float t)
    {
        for (int line = 0; line < 2; ++line) {
            const bool fired = m_firedAt[line] >= 0;
            m_now.lineOn[line] = fired && t - m_firedAt[line] < m_settings.lineOnTime(line) * 0.1f;
            if (fired && t - m_firedAt[line] > 0.2f) // the igniter has burnt through
                m_now.continuity[line] = false;
        }
    }

    void updateBatteriesAndTemperature()
    {
        const bool firing = m_now.lineOn[0] || m_now.lineOn[1];
        m_now.computerBattery = 8.3f - 0.0008f * m_now.seconds - (firing ? 0.12f : 0.0f);
        m_now.ejectionBattery = 8.1f - 0.0003f * m_now.seconds - (firing ? 1.4f : 0.0f);
        const float ambient = 21.5f - 0.0065f * m_now.position.z();
        m_now.temperature += (ambient - m_now.temperature) * StepSeconds / 20.0f;
    }

    // The block the recording carries: line A fires at apogee and line B at its altitude on the
    // way down, each for its on-time, as the flight window's settings tab then shows.
    const NUVQORASettings m_settings;
    Snapshot m_now;
    QVector3D m_velocity;
    QVector3D m_pointing{0, 0, 1}; // the airframe's axis, nose first, east north up
    QVector3D m_touchdownPointing;
    float m_roll = 0, m_rollRate = 0;
    float m_apogeeAt = 0;
    float m_firedAt[2] = {-1, -1};
    float m_chuteShock = 0;
    float m_groundSeconds = 0;
    float m_lyingDown = 0;
};

void appendBigEndian(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// A signed reading scaled to the device's raw steps, clamped to 16 bits.
uint32_t raw16(float value, float step)
{
    const long raw = std::lround(value / step);
    return static_cast<uint16_t>(static_cast<int16_t>(std::clamp(raw, -32768L, 32767L)));
}

uint32_t lineWord(const Snapshot &s, int line)
{
    const float volts = s.lineOn[line] ? 3.2f : s.continuity[line] ? 1.2f : 0.02f;
    return std::min(0x3FFF, static_cast<int>(volts * 16384 / 3.3f));
}

// The record of one code for the snapshot, with its sensors' noise.
std::vector<uint8_t> recordOf(uint8_t code, const Snapshot &s, Noise &noise)
{
    std::vector<uint8_t> record{code};
    const QVector3D force = s.force / Gravity; // g
    switch (code) {
    case 2:
        appendBigEndian(record, raw16(force.z() + 0.015f * noise.normal(), 1.0f / 256), 2);
        break;
    case 3:
        appendBigEndian(record,
                        static_cast<uint32_t>(standardPressureAt(SampleFlight::PadAltitude + s.position.z())
                                              + 3.0f * noise.normal()),
                        3);
        break;
    case 4:
        appendBigEndian(record, static_cast<uint32_t>((s.computerBattery + 0.01f * noise.normal()) * 65536 / 13.3f), 2);
        break;
    case 5:
        appendBigEndian(record, static_cast<uint32_t>((s.ejectionBattery + 0.01f * noise.normal()) * 65536 / 13.3f), 2);
        break;
    case 6:
        appendBigEndian(record, raw16(s.temperature + 0.03f * noise.normal(), 0.01f), 2);
        break;
    case 7:
    case 8:
    case 9:
    case 10:
        appendBigEndian(record, lineWord(s, code - 7), 2);
        break;
    case 11: {
        const float vibration = s.phase == Boost ? 0.25f : 0.02f;
        appendBigEndian(record, raw16(force.x() + vibration * noise.normal(), 1.0f / 256), 2);
        appendBigEndian(record, raw16(force.y() + vibration * noise.normal(), 1.0f / 256), 2);
        break;
    }
    case 12:
        for (const float rate : {s.rates.x(), s.rates.y(), s.rates.z()})
            appendBigEndian(record, raw16(rate + 0.4f * noise.normal(), 0.07f), 2);
        break;
    case 13: {
        const QVector3D field = s.attitude.conjugated().rotatedVector(EarthField);
        for (const float microTesla : {field.x(), field.y(), field.z()})
            appendBigEndian(record, raw16(microTesla + 0.3f * noise.normal(), 1.0f), 2);
        break;
    }
    case 14: {
        constexpr double MetresPerDegree = 111195.0;
        const double latitude = SampleFlight::PadLatitude + (s.position.y() + 0.6 * noise.normal()) / MetresPerDegree;
        const double longitude = SampleFlight::PadLongitude
            + (s.position.x() + 0.6 * noise.normal()) / (MetresPerDegree * std::cos(SampleFlight::PadLatitude * Pi / 180));
        const double altitude = SampleFlight::PadAltitude + s.position.z() + 1.5 * noise.normal();
        appendBigEndian(record, static_cast<uint32_t>(static_cast<int32_t>(std::lround(latitude * 1e7))), 4);
        appendBigEndian(record, static_cast<uint32_t>(static_cast<int32_t>(std::lround(longitude * 1e7))), 4);
        appendBigEndian(record, static_cast<uint32_t>(static_cast<int32_t>(std::lround(altitude * 1000))), 4);
        const int satellites = 10 + (noise.normal() > 0.8f ? 1 : 0);
        record.push_back(static_cast<uint8_t>(0x20 | satellites)); // fix valid
        break;
    }
    case 16: {
        uint32_t word = uint32_t(s.phase) << 12;
        for (int line = 0; line < 4; ++line) {
            if (s.lineOn[line])
                word |= 0x100u << line;
            if (s.continuity[line])
                word |= 0x80u >> line;
        }
        appendBigEndian(record, word, 2);
        break;
    }
    case 18: {
        constexpr uint32_t StartOfWeekMs = (6 * 86400 + 14 * 3600 + 5 * 60) * 1000u; // Saturday 14:05 UTC
        appendBigEndian(record, StartOfWeekMs + static_cast<uint32_t>(std::lround(s.seconds * 1000)), 4);
        appendBigEndian(record, 2318, 2);
        record.push_back(0x80 | 0x40 | 18); // valid, leap seconds known: 18
        break;
    }
    case 21: {
        const QQuaternion q = s.attitude.normalized();
        for (const float part : {q.x(), q.y(), q.z(), q.scalar()})
            appendBigEndian(record, raw16(part, 1.0f / 32768), 2);
        break;
    }
    }
    return record;
}

// Codes in the order the device writes them within a 10 ms slot, and every how many ms.
struct Schedule
{
    uint8_t code;
    int everyMs;
};
constexpr Schedule RecordSchedule[] = {
    {2, 10}, {3, 10}, {11, 20}, {12, 20}, {13, 50}, {21, 50}, {16, 100}, {6, 100},
    {14, 200}, {4, 500}, {5, 500}, {7, 500}, {8, 500}, {9, 500}, {10, 500}, {18, 1000},
};

} // namespace

std::vector<SampleFlight::TimedRecord> SampleFlight::records()
{
    std::vector<TimedRecord> out;
    uint32_t noiseState = 1;
    Noise noise(noiseState);
    FlightModel model;
    for (uint32_t ms = 0; !model.finished(); ms += StepMs) {
        model.step();
        for (const Schedule &entry : RecordSchedule) {
            if (ms % entry.everyMs == 0)
                out.push_back({ms, recordOf(entry.code, model.now(), noise)});
        }
    }
    return out;
}

std::vector<uint8_t> SampleFlight::PadReadings::next(uint8_t code)
{
    Noise noise(m_noiseState);
    Snapshot pad;
    pad.seconds = 0.1f * float(m_reads++);
    pad.force = QVector3D(0, 0, Gravity);
    switch (code) {
    case 1: {
        const char text[] = "QORA ready";
        std::vector<uint8_t> record{1, static_cast<uint8_t>(sizeof text - 1)};
        record.insert(record.end(), text, text + sizeof text - 1);
        return record;
    }
    case 15:
        return {15, 0xFF, 0xB5};
    case 17:
        return {17, 'Q', 'O', 'R', 'A', '2', '1'};
    default:
        return recordOf(code, pad, noise);
    }
}
