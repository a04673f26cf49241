#include "NUVEvent_AccelZ.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_RSSI.h"
#include "NUVQORAFlight.h"

#include <QtTest>

#include <limits>

namespace {

template<class Event>
std::unique_ptr<NUVEvent> eventAt(float time)
{
    auto event = std::make_unique<Event>();
    event->time = time;
    return event;
}

} // namespace

class TestFlightRecord : public QObject
{
    Q_OBJECT

private slots:
    void lastEventTimeSkipsSignalStrength()
    {
        NUVQORAFlight flight;
        QCOMPARE(flight.lastEventTime(), 0.0f);
        QVERIFY(flight.endTimeStale); // an empty flight leaves the cache to be computed later
        flight.appendEvent(eventAt<NUVEvent_Pressure>(1.0f));
        flight.appendEvent(eventAt<NUVEvent_AccelZ>(2.0f));
        flight.appendEvent(eventAt<NUVEvent_RSSI>(9.0f));
        QCOMPARE(flight.lastEventTime(), 2.0f);
        QVERIFY(!flight.endTimeStale);

        // Cached until marked stale.
        flight.appendEvent(eventAt<NUVEvent_AccelZ>(5.0f));
        QCOMPARE(flight.lastEventTime(), 2.0f);
        flight.endTimeStale = true;
        QCOMPARE(flight.lastEventTime(), 5.0f);

        // Only signal strength and a null entry: the cached value stays.
        NUVQORAFlight signalOnly;
        signalOnly.cachedEndTime = 7.0f;
        signalOnly.appendEvent(eventAt<NUVEvent_RSSI>(3.0f));
        signalOnly.events.push_back(nullptr);
        QCOMPARE(signalOnly.lastEventTime(), 7.0f);
        QVERIFY(!signalOnly.endTimeStale);
    }

    void eventsWithoutAFiniteTimeAreRefused()
    {
        NUVQORAFlight flight;
        QVERIFY(!flight.appendEvent(eventAt<NUVEvent_AccelZ>(std::numeric_limits<float>::quiet_NaN())));
        QVERIFY(!flight.appendEvent(eventAt<NUVEvent_AccelZ>(std::numeric_limits<float>::infinity())));
        QVERIFY(!flight.appendEvent(eventAt<NUVEvent_AccelZ>(-std::numeric_limits<float>::infinity())));
        QVERIFY(!flight.appendEvent(nullptr));
        QVERIFY(flight.events.empty());
        QVERIFY(flight.appendEvent(eventAt<NUVEvent_AccelZ>(-0.5f)));
        QCOMPARE(flight.events.size(), size_t(1));
    }

    void travelsAsASharedPointer()
    {
        QVERIFY(QMetaType::type("std::shared_ptr<NUVQORAFlight>") != QMetaType::UnknownType);
        auto flight = std::make_shared<NUVQORAFlight>();
        const QVariant carried = QVariant::fromValue(flight);
        QCOMPARE(carried.value<std::shared_ptr<NUVQORAFlight>>().get(), flight.get());
        static_assert(!std::is_copy_constructible_v<NUVQORAFlight>, "a flight owns its events");
    }
};

QTEST_GUILESS_MAIN(TestFlightRecord)
#include "TestFlightRecord.moc"
