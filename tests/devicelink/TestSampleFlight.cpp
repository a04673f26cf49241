#include "CapturedOutput.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_Orientation.h"
#include "NUVEvent_Status.h"
#include "NUVQORAFlight.h"
#include "SampleFlight.h"
#include "SampleFlightMemory.h"

#include <QQuaternion>
#include <QtTest>

#include <cmath>

#include <set>

// The simulator's sample flight must read as a real flight to the processing and the windows.
class TestSampleFlight : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CapturedOutput quiet;
        const auto flights = NUVQORAFlight::parseMemory(SampleFlightMemory::build());
        QCOMPARE(int(flights.size()), 1);
        m_flight = flights.front();
        m_flight->buildSplines();
    }

    void holdsEveryRecordTypeTheDeviceWrites()
    {
        std::set<uint8_t> codes;
        for (const SampleFlight::TimedRecord &timed : SampleFlight::records())
            codes.insert(timed.record.front());
        QCOMPARE(codes, (std::set<uint8_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 18, 21}));
    }

    void processesIntoALaunchApogeeAndLanding()
    {
        CapturedOutput quiet;
        QVERIFY(m_flight->detectLaunch());
        QVERIFY(qAbs(m_flight->launchTime() - 3.0f) < 0.1f);
        const float apogee = m_flight->apogeeTime();
        QVERIFY2(apogee > 12 && apogee < 16, qPrintable(QString::number(apogee)));
        QVERIFY(m_flight->landingTime() > apogee + 60);
        QVERIFY(qAbs(m_flight->groundAltitude() - SampleFlight::PadAltitude) < 5);
        QVERIFY(m_flight->peakAcceleration().second > 5);
    }

    // The lines fire as the settings block the flight carries sets them: A at apogee, B at its
    // altitude above the pad on the way down, each for its on-time; A then loses its continuity.
    // The status walks through the phases.
    void firesTheLinesAsItsSettingsSay()
    {
        CapturedOutput quiet;
        const NUVQORASettings &settings = m_flight->settings;
        const float apogee = m_flight->apogeeTime();
        float firstOn[2] = {-1, -1}, lastOn[2] = {-1, -1};
        bool continuityLost = false;
        std::set<int> states;
        for (const auto &event : m_flight->events) {
            const auto *status = dynamic_cast<const NUVEvent_Status *>(event.get());
            if (!status)
                continue;
            states.insert(status->state);
            for (int line = 0; line < 2; ++line) {
                if (!status->lineOn[line])
                    continue;
                if (firstOn[line] < 0)
                    firstOn[line] = status->time;
                lastOn[line] = status->time;
            }
            continuityLost |= firstOn[0] >= 0 && !status->lineOn[0] && !status->lineContinuity[0];
        }
        QVERIFY2(qAbs(firstOn[0] - apogee) < 0.5f, qPrintable(QString("%1 %2").arg(firstOn[0]).arg(apogee)));
        QVERIFY(continuityLost);
        QCOMPARE(states, (std::set<int>{0, 1, 2, 3, 4}));

        QVERIFY(firstOn[1] > apogee);
        const float lineBHeight = NUVQORAFlight::sampleAt(m_flight->pressureAltitude, firstOn[1]).value
            - m_flight->groundAltitude();
        QVERIFY2(qAbs(lineBHeight - settings.lineAltitude(1)) < 10, qPrintable(QString::number(lineBHeight)));
        for (int line = 0; line < 2; ++line) {
            const float onFor = lastOn[line] - firstOn[line];
            QVERIFY2(qAbs(onFor - settings.lineOnTime(line) * 0.1f) <= 0.15f, qPrintable(QString::number(onFor)));
        }
    }

    // The GPS fixes start on the pad and end downwind, east of it.
    void driftsDownrangeWithTheWind()
    {
        const NUVEvent_GPSLLSol *first = nullptr, *last = nullptr;
        for (const auto &event : m_flight->events) {
            if (const auto *fix = dynamic_cast<const NUVEvent_GPSLLSol *>(event.get())) {
                QVERIFY(fix->fixValid);
                if (!first)
                    first = fix;
                last = fix;
            }
        }
        QVERIFY(first && last);
        QVERIFY(qAbs(first->latitude - SampleFlight::PadLatitude) < 1e-4);
        QVERIFY(qAbs(first->longitude - SampleFlight::PadLongitude) < 1e-4);
        QVERIFY(last->longitude - first->longitude > 0.002); // over 150 m east
    }

    // An airframe has inertia: leaving the rail, weathercocking, swinging under the opened
    // parachute and tipping over on landing all take time. Neither the gyro nor the recorded
    // attitude may show it snapping round within a step.
    void turnsNoFasterThanAnAirframeCan()
    {
        constexpr float MaximumRate = 400; // degrees per second
        float fastest = 0, fastestAt = 0;
        const NUVEvent_Orientation *previous = nullptr;
        for (const auto &event : m_flight->events) {
            if (const auto *gyro = dynamic_cast<const NUVEvent_GyroXYZ *>(event.get())) {
                const float rate = std::sqrt(gyro->x * gyro->x + gyro->y * gyro->y + gyro->z * gyro->z);
                if (rate > fastest) {
                    fastest = rate;
                    fastestAt = gyro->time;
                }
            } else if (const auto *orientation = dynamic_cast<const NUVEvent_Orientation *>(event.get())) {
                if (previous) {
                    const QQuaternion before(previous->w, previous->x, previous->y, previous->z);
                    const QQuaternion after(orientation->w, orientation->x, orientation->y, orientation->z);
                    const float dot = std::min(1.0f, std::abs(QQuaternion::dotProduct(before.normalized(),
                                                                                      after.normalized())));
                    const float turned = 2 * std::acos(dot) * 180 / float(M_PI);
                    const float rate = turned / (orientation->time - previous->time);
                    QVERIFY2(rate < MaximumRate, qPrintable(QString("%1 deg/s at %2 s").arg(rate).arg(orientation->time)));
                }
                previous = orientation;
            }
        }
        QVERIFY2(fastest < MaximumRate, qPrintable(QString("%1 deg/s at %2 s").arg(fastest).arg(fastestAt)));
    }

    // Live reads on the pad: upright, still, with a fix, and never twice the same pressure.
    void padReadingsMoveAroundRest()
    {
        SampleFlight::PadReadings pad;
        const std::vector<uint8_t> accel = pad.next(2);
        QCOMPARE(accel.size(), size_t(3));
        const int16_t raw = int16_t(accel[1] << 8 | accel[2]);
        QVERIFY(qAbs(raw / 256.0 - 1.0) < 0.1);
        const std::vector<uint8_t> fix = pad.next(14);
        QCOMPARE(fix.size(), size_t(14));
        QVERIFY(fix[13] & 0x20);
        std::set<std::vector<uint8_t>> pressures;
        for (int i = 0; i < 10; ++i)
            pressures.insert(pad.next(3));
        QVERIFY(pressures.size() > 5);
    }

private:
    std::shared_ptr<NUVQORAFlight> m_flight;
};

QTEST_GUILESS_MAIN(TestSampleFlight)
#include "TestSampleFlight.moc"
