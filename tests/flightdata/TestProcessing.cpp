#include "PressureAltitude.h"
#include "SyntheticFlight.h"

#include <QtTest>

#include <algorithm>

namespace {

SampleTable tableOf(std::initializer_list<std::pair<float, float>> points)
{
    SampleTable table;
    for (const auto &[time, value] : points)
        table.push_back({time, value, 0.0f});
    return table;
}

float maxValue(const SampleTable &table)
{
    float best = -INFINITY;
    for (const Sample &s : table)
        best = std::max(best, s.value);
    return best;
}

} // namespace

class TestProcessing : public QObject
{
    Q_OBJECT

private slots:
    void sampleAtFollowsTheCurve();
    void flightFiguresMatchTheProfile();
    void invertedSensorIsCorrected();
    void flightThatNeverRises();
    void padWindowStepsItsRunningTime();
    void gpsQueries();
    void trimKeepsTheWindow();
    void autoTrimAndShiftMoveLaunchToZero();
    void emptyAndExtremeFlightsEnd();
    void damagedTimeLeavesTheFlightAsItWas_data();
    void damagedTimeLeavesTheFlightAsItWas();
    void wildTimesAreProcessedQuickly_data();
    void wildTimesAreProcessedQuickly();
};

void TestProcessing::sampleAtFollowsTheCurve()
{
    QCOMPARE(NUVQORAFlight::sampleAt(tableOf({{0, 1}, {1, 2}, {2, 3}}), 1.0f).value, 0.0f);

    const SampleTable table = tableOf({{0, 10}, {1, 20}, {2, 40}, {3, 80}});
    Sample before = NUVQORAFlight::sampleAt(table, -3.0f);
    QCOMPARE(before.time, -3.0f);
    QCOMPARE(before.value, 10.0f);
    Sample after = NUVQORAFlight::sampleAt(table, 7.0f);
    QCOMPARE(after.time, 7.0f);
    QCOMPARE(after.value, 80.0f);

    // Inside, the curve passes the samples and stays between its neighbours.
    QVERIFY(std::fabs(NUVQORAFlight::sampleAt(table, 1.0f).value - 20.0f) < 0.01f);
    QVERIFY(std::fabs(NUVQORAFlight::sampleAt(table, 3.0f).value - 80.0f) < 0.01f);
    for (float t = 0.0f; t < 3.0f; t += 0.05f) {
        const Sample s = NUVQORAFlight::sampleAt(table, t);
        QVERIFY(std::fabs(s.time - t) < 1e-3f);
        QVERIFY(s.value >= 10.0f && s.value <= 80.0f);
    }
    // The first segment starts flat, so the value rises slowly there.
    QVERIFY(NUVQORAFlight::sampleAt(table, 0.1f).value < 11.0f);

    // Two last samples at one time: the last sample, not a division by zero.
    const SampleTable doubled = tableOf({{0, 1}, {1, 2}, {2, 3}, {2, 5}});
    const Sample end = NUVQORAFlight::sampleAt(doubled, 2.0f);
    QCOMPARE(end.value, 5.0f);
    QCOMPARE(end.time, 2.0f);
}

void TestProcessing::flightFiguresMatchTheProfile()
{
    SyntheticFlight generated({});
    NUVQORAFlight &flight = *generated.flight;
    CapturedOutput quiet;
    flight.buildSplines();

    QVERIFY(!flight.accelInverted);
    QCOMPARE(flight.pressureAltitude.size(), std::size_t(std::count_if(
        flight.events.begin(), flight.events.end(),
        [](const auto &e) { return dynamic_cast<NUVEvent_Pressure *>(e.get()) != nullptr; })));
    QVERIFY(std::fabs(flight.launchTime() - 10.0f) < 0.05f);
    QVERIFY(flight.detectLaunch());
    QVERIFY2(std::fabs(flight.apogeeTime() - generated.apogee) < 1.0, qPrintable(QString::number(flight.apogeeTime())));
    QVERIFY2(std::fabs(flight.landingTime() - generated.landing) < 5.0,
             qPrintable(QString::number(flight.landingTime())));
    QVERIFY(std::fabs(flight.groundAltitude() - pressureAltitudeOf(float(SyntheticFlight::pressureAt(110)))) < 1.0f);
    QVERIFY(std::fabs(flight.peakVelocityTime() - generated.burnout) < 0.3f);
    const float peakVelocity = NUVQORAFlight::sampleAt(flight.velocity, flight.peakVelocityTime()).value;
    QVERIFY2(std::fabs(peakVelocity - generated.peakVelocity) < 0.05 * generated.peakVelocity,
             qPrintable(QString::number(peakVelocity)));
    QVERIFY(std::fabs(flight.burnoutTime() - generated.burnout) < 0.2f);

    // With GPS the filter works above sea level; its top is the apogee.
    const float top = maxValue(flight.kalmanAltitude) - 110.0f;
    QVERIFY2(std::fabs(top - generated.apogeeHeight) < 0.05 * generated.apogeeHeight, qPrintable(QString::number(top)));
    QCOMPARE(flight.velocity.size(), flight.kalmanAltitude.size());
    QVERIFY(std::fabs(flight.velocity.front().time - (flight.events.front()->time - 5.0f)) < 1e-4f);

    const auto [accelerationTime, acceleration] = flight.peakAcceleration();
    QVERIFY(accelerationTime > 10.0f && accelerationTime < 12.1f);
    QVERIFY(acceleration > 9.0f);
    const auto [gyroTime, rate] = flight.peakGyroZ();
    QVERIFY(gyroTime >= 10.0f && gyroTime < 12.1f);
    QCOMPARE(rate, 90.0f);
    QVERIFY(quiet.text().find("time of launch: ") != std::string::npos);
    QVERIFY(std::fabs(flight.peakGyroX().second) <= 5.0f);
    QVERIFY(flight.peakLateralAcceleration().second <= 0.15f);

    // Cached until the next build.
    const float landing = flight.landingTime();
    flight.events.back()->time += 100.0f;
    QCOMPARE(flight.landingTime(), landing);
}

void TestProcessing::invertedSensorIsCorrected()
{
    SyntheticFlight::Profile profile;
    profile.inverted = true;
    SyntheticFlight generated(profile);
    NUVQORAFlight &flight = *generated.flight;
    CapturedOutput quiet;
    flight.buildSplines();
    QVERIFY(flight.accelInverted);
    QVERIFY(quiet.text().find("Accel data negative, inverting...\n") != std::string::npos);
    const auto boost = [&flight] { return NUVQORAFlight::sampleAt(flight.accelZ, 11.0f).value; };
    QVERIFY(boost() > 8.0f);
    const auto firstAxial = [&flight] {
        for (const auto &e : flight.events)
            if (auto *a = dynamic_cast<NUVEvent_AccelZ *>(e.get()))
                return a->acceleration;
        return 0.0f;
    };
    QVERIFY(firstAxial() > 0.9f);
    QVERIFY(std::fabs(flight.launchTime() - 10.0f) < 0.05f);

    flight.buildSplines();
    QVERIFY(flight.accelInverted);
    QVERIFY(boost() > 8.0f);
    QVERIFY(firstAxial() > 0.9f);
}

void TestProcessing::flightThatNeverRises()
{
    SyntheticFlight::Profile profile;
    profile.rises = false;
    profile.gps = false;
    SyntheticFlight generated(profile);
    NUVQORAFlight &flight = *generated.flight;
    CapturedOutput quiet;
    flight.buildSplines();
    QVERIFY(!flight.detectLaunch());
    QCOMPARE(flight.groundAltitude(), NUVQORAFlight::sampleAt(flight.pressureAltitude, 0.0f).value);
    // Without GPS the filter works in height above the pad.
    QVERIFY(std::fabs(NUVQORAFlight::sampleAt(flight.kalmanAltitude, 20.0f).value) < 3.0f);

    // A GPS offset above 300 m is not taken, and a site above 200 m never counts as GPS:
    // the filter then follows the pressure altitude.
    profile.gps = true;
    profile.gpsOffset = 500.0;
    SyntheticFlight offsetFlight(profile);
    offsetFlight.flight->buildSplines();
    const float pad = NUVQORAFlight::sampleAt(offsetFlight.flight->pressureAltitude, 20.0f).value;
    QVERIFY(std::fabs(NUVQORAFlight::sampleAt(offsetFlight.flight->kalmanAltitude, 20.0f).value - pad) < 3.0f);
}

void TestProcessing::padWindowStepsItsRunningTime()
{
    // From apogee at 100 s, the landing search's 11th window starts at 101 s; its last sample
    // time, 19 steps of 0.2 s added to a float, is 104.79993 s, short of a jump at 104.79997 s
    // (while 101 s + 19 * 0.2 s would reach past it). So the window is steady and ends the search.
    NUVQORAFlight flight;
    addEvent<NUVEvent_AccelZ>(flight, 100.0f);
    addEvent<NUVEvent_AccelZ>(flight, 120.0f);
    for (float t = 90.0f; t < 104.75f; t += 0.1f)
        flight.pressureAltitude.push_back({t, 0.0f, 0.0f});
    flight.pressureAltitude.push_back({104.79995f, 0.0f, 0.0f});
    for (float t = 104.79997f; t < 130.0f; t += 0.1f)
        flight.pressureAltitude.push_back({t, 100.0f, 0.0f});
    CapturedOutput quiet;
    QVERIFY2(flight.landingTime() < 101.1f, qPrintable(QString::number(flight.landingTime())));
}

void TestProcessing::gpsQueries()
{
    NUVQORAFlight flight;
    bool found = true;
    QCOMPARE(flight.firstFixLatitude(&found), 0.0);
    QVERIFY(!found);
    QVERIFY(!flight.firstGPSTime());

    const auto addTime = [&flight](float time, bool valid, bool bit6) {
        auto *event = addEvent<NUVEvent_GPSTime>(flight, time);
        event->timeValid = valid;
        event->flagBit6 = bit6;
        event->seconds = static_cast<uint32_t>(time);
    };
    addFix(flight, 0.0f, 0.0, 1.0, 0.0f, false);
    addFix(flight, 0.0f, -8.5, 47.123456789, 0.0f);
    addTime(1, false, true);
    addTime(2, true, false);
    QCOMPARE(flight.firstGPSTime()->seconds, 2u);
    addTime(3, true, true);
    QCOMPARE(flight.firstGPSTime()->seconds, 3u);
    QCOMPARE(flight.firstFixLatitude(&found), 47.123456789);
    QVERIFY(found);
    QCOMPARE(flight.firstFixLongitude(), -8.5);
}

void TestProcessing::trimKeepsTheWindow()
{
    SyntheticFlight generated({});
    NUVQORAFlight &flight = *generated.flight;
    CapturedOutput quiet;
    flight.buildSplines();
    const std::size_t before = flight.events.size();

    flight.trim(5.0f, 5.0f);
    flight.trim(10.0f, 5.0f);
    QCOMPARE(flight.events.size(), before);
    QVERIFY(quiet.text().find("start: ") == std::string::npos);

    flight.trim(20.005f, 50.0f);
    QVERIFY(flight.events.front()->time < 20.005f);
    QVERIFY(flight.events[1]->time >= 20.005f);
    QVERIFY(flight.events.back()->time <= 50.0f);
    QCOMPARE(flight.events.size(), std::size_t(1 + 2999 * 1 + 600 + 300 * 2 + 30) + 1);
    QVERIFY(quiet.text().find("start: 20.005\nend: 50\n") != std::string::npos);
    QVERIFY(std::fabs(flight.pressureAltitude.back().time - 50.0f) < 0.01f);

    const float last = flight.events.back()->time;
    flight.trim(0.0f, 1e6f);
    QCOMPARE(flight.events.back()->time, last);
}

void TestProcessing::autoTrimAndShiftMoveLaunchToZero()
{
    SyntheticFlight::Profile profile;
    profile.launch = 300.0;
    SyntheticFlight generated(profile);
    NUVQORAFlight &flight = *generated.flight;
    CapturedOutput quiet;
    flight.buildSplines();
    QVERIFY(flight.detectLaunch());
    flight.autoTrim();
    QVERIFY(std::fabs(flight.launchTime()) < 0.05f);
    QVERIFY(flight.events.front()->time < -100.0f);
    QVERIFY(flight.events[1]->time >= -100.0f);
    QVERIFY(flight.events.back()->time <= flight.landingTime() + 10.0f + 0.01f);
    QVERIFY(quiet.text().find("TIME OF LANDING") != std::string::npos);

    flight.shiftTime(-20.0f);
    QVERIFY(std::fabs(flight.launchTime() - 20.0f) < 0.05f);
    flight.shiftTime(flight.launchTime());
    QVERIFY(std::fabs(flight.launchTime()) < 0.02f);
}

void TestProcessing::emptyAndExtremeFlightsEnd()
{
    CapturedOutput quiet;
    NUVQORAFlight empty;
    empty.buildSplines();
    QVERIFY(empty.velocity.size() >= 100 && empty.velocity.size() <= 101);
    QCOMPARE(maxValue(empty.velocity), 0.0f);
    QCOMPARE(empty.launchTime(), 0.0f);
    QCOMPARE(empty.apogeeTime(), 0.0f);
    QCOMPARE(empty.landingTime(), 0.0f);
    QCOMPARE(empty.groundAltitude(), 0.0f);
    QVERIFY(!empty.detectLaunch());
    QCOMPARE(empty.peakLateralAcceleration(), std::make_pair(0.0f, 0.0f));
    empty.trim(-1.0f, 1.0f);
    QVERIFY(empty.events.empty());

    // Times where a step of 0.1 s is lost to rounding: every loop still ends.
    NUVQORAFlight far;
    for (float t : {3e7f, 3e7f, 3.0000004e7f})
        addEvent<NUVEvent_Pressure>(far, t)->pressure = 100000.0f;
    far.buildSplines();
    far.autoTrim();
    QVERIFY(!far.events.empty());
}

void TestProcessing::damagedTimeLeavesTheFlightAsItWas_data()
{
    QTest::addColumn<float>("time");
    QTest::newRow("far after") << 2.9e6f;
    QTest::newRow("far before") << -2.9e6f;
    QTest::newRow("beyond the 0.1 s resolution") << 3e7f;
    QTest::newRow("largest") << 3.4e38f;
}

void TestProcessing::damagedTimeLeavesTheFlightAsItWas()
{
    // A temperature feeds no table: with its time damaged, the flight must process exactly
    // as it did before, the event kept where a load's sort puts it.
    QFETCH(float, time);
    SyntheticFlight undamaged({});
    SyntheticFlight damaged({});
    CapturedOutput console;
    for (SyntheticFlight *generated : {&undamaged, &damaged}) {
        std::vector<std::unique_ptr<NUVEvent>> &events = generated->flight->events;
        addEvent<NUVEvent_Temperature>(*generated->flight, generated == &damaged ? time : 20.0f);
        std::stable_sort(events.begin(), events.end(), [](const auto &a, const auto &b) { return a->time < b->time; });
    }
    undamaged.flight->buildSplines();
    const std::size_t printed = console.text().size();
    damaged.flight->buildSplines();
    QVERIFY(console.text().find("Damaged times: 1 of ", printed) != std::string::npos);

    NUVQORAFlight &a = *undamaged.flight;
    NUVQORAFlight &b = *damaged.flight;
    QCOMPARE(b.events.size(), a.events.size());
    const auto tables = std::make_pair(a.sampleTables(), b.sampleTables());
    for (std::size_t i = 0; i < tables.first.size(); ++i) {
        QCOMPARE(tables.second[i]->size(), tables.first[i]->size());
        QVERIFY(std::equal(tables.first[i]->begin(), tables.first[i]->end(), tables.second[i]->begin(),
                           [](const Sample &x, const Sample &y) { return x.time == y.time && x.value == y.value; }));
    }
    QCOMPARE(b.lastEventTime(), a.lastEventTime());
    QCOMPARE(b.launchTime(), a.launchTime());
    QCOMPARE(b.apogeeTime(), a.apogeeTime());
    QCOMPARE(b.landingTime(), a.landingTime());
    QCOMPARE(b.groundAltitude(), a.groundAltitude());
    QCOMPARE(b.peakAcceleration(), a.peakAcceleration());
    QCOMPARE(b.detectLaunch(), a.detectLaunch());
}

void TestProcessing::wildTimesAreProcessedQuickly_data()
{
    QTest::addColumn<QVector<float>>("times");
    QTest::newRow("0 s and 2,097,000 s") << QVector<float>{0.0f, 2097000.0f};
    QTest::newRow("-2,097,000 s and 2,097,000 s") << QVector<float>{-2097000.0f, 2097000.0f};
    QTest::newRow("spread over a year") << QVector<float>{0.0f, 1e5f, 2e5f, 4e5f, 8e5f, 1.6e6f, 3.2e6f, 6.4e6f, 3.15e7f};
    QTest::newRow("largest") << QVector<float>{-3.4e38f, 0.0f, 3.4e38f};
}

void TestProcessing::wildTimesAreProcessedQuickly()
{
    // The filter takes one step per 0.1 s it covers: its table shows how much time was processed.
    QFETCH(QVector<float>, times);
    NUVQORAFlight flight;
    for (const float time : times) {
        addEvent<NUVEvent_Pressure>(flight, time)->pressure = 100000.0f;
        addEvent<NUVEvent_AccelZ>(flight, time)->acceleration = 1.0f;
    }
    CapturedOutput console;
    QElapsedTimer timer;
    timer.start();
    flight.buildSplines();
    flight.detectLaunch();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(flight.velocity.size() <= 6101, qPrintable(QString::number(flight.velocity.size())));
    QCOMPARE(flight.events.size(), std::size_t(2 * times.size()));
    QVERIFY(console.text().find("Damaged times: ") != std::string::npos);
}

QTEST_GUILESS_MAIN(TestProcessing)
#include "TestProcessing.moc"
