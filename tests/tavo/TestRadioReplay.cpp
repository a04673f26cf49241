#include "GroundStationFixture.h"

#include "ConsoleSink.h"
#include "NUVQORAFlight.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <ostream>
#include <sstream>

namespace {

std::unique_ptr<NUVQORAFlight> flightOf(const std::vector<float> &times)
{
    auto flight = std::make_unique<NUVQORAFlight>();
    for (float time : times) {
        auto event = std::make_unique<NUVEvent_AccelZ>();
        event->time = time;
        event->acceleration = time;
        flight->appendEvent(std::move(event));
    }
    return flight;
}

// The console, running an action once a printed line holds this text: a way to act at that
// point inside the call that prints it.
class ConsoleHook : public std::stringbuf
{
public:
    ConsoleHook(std::string text, std::function<void()> action)
        : m_text(std::move(text))
        , m_action(std::move(action))
        , m_previous(ConsoleSink::setStream(&m_stream))
    {
    }
    ~ConsoleHook() override { ConsoleSink::setStream(m_previous); }

protected:
    int sync() override
    {
        if (m_action && str().find(m_text) != std::string::npos)
            std::exchange(m_action, nullptr)();
        return 0;
    }

private:
    std::string m_text;
    std::function<void()> m_action;
    std::ostream m_stream{this};
    std::ostream *m_previous;
};

struct ReplayFixture
{
    FakeMonotonicClock clock;
    CapturedOutput output;
    NUVTAVOInterface link;
    QSignalSpy released{&link, &NUVTAVOInterface::accelZEventRead};
    QSignalSpy progress{&link, &NUVTAVOInterface::replayProgress};
    QSignalSpy canceled{&link, &NUVTAVOInterface::replayCanceled};

    // Runs what is queued in the worker so far: one replay step (and what came before it).
    void step() { QCoreApplication::sendPostedEvents(&link); }

    QList<float> progressValues() const
    {
        QList<float> values;
        for (const QList<QVariant> &args : progress)
            values << args[0].toFloat();
        return values;
    }
    QList<float> releasedTimes() const
    {
        QList<float> times;
        for (const QList<QVariant> &args : released)
            times << args[0].value<NUVEvent_AccelZ>().time;
        return times;
    }
};

} // namespace

// Replay of a saved flight in steps of 100 ms, with a sleeper that only counts.
class TestRadioReplay : public QObject
{
    Q_OBJECT

private slots:
    void stepsReleaseAtMostAHundredEvents()
    {
        ReplayFixture f;
        f.link.replayFlight(flightOf(std::vector<float>(250, 3.0f)));
        QVERIFY(f.output.contains("Initializing replay\nSending signal to start replay\n"));
        for (int i = 0; i < 3; ++i)
            f.step();
        QCOMPARE(f.released.count(), 250);
        QCOMPARE(f.progressValues(), (QList<float>{0.4f, 0.8f, 1.0f}));
        QCOMPARE(f.canceled.count(), 0);
        QCOMPARE(f.clock.sleeps(), 3);
        f.step();
        QCOMPARE(f.canceled.count(), 1);
        QCOMPARE(f.progressValues(), (QList<float>{0.4f, 0.8f, 1.0f, 1.0f}));
        f.step(); // over: nothing more is scheduled
        QCOMPARE(f.progress.count(), 4);
        QCOMPARE(f.clock.sleeps(), 3);
    }

    void eachStepCoversTheRateTimesATenthOfASecond()
    {
        ReplayFixture f;
        f.link.replayFlight(flightOf({5.0f, 5.05f, 5.1f, 5.15f, 5.35f, 5.36f}));
        f.step();
        QCOMPARE(f.releasedTimes(), (QList<float>{5.0f, 5.05f, 5.1f}));
        f.link.setReplayRate(2.0);
        QVERIFY(f.output.contains("replay rate: 2\n"));
        f.step(); // up to 0.3 s
        QCOMPARE(f.releasedTimes().size(), 4);
        f.step(); // up to 0.5 s
        QCOMPARE(f.releasedTimes().size(), 6);
        QCOMPARE(f.progressValues(), (QList<float>{0.5f, 4 / 6.0f, 1.0f}));

        f.link.replayFlight(flightOf({5.0f, 5.05f, 5.1f, 5.15f}));
        f.step(); // a new replay starts at rate 1 again
        QCOMPARE(f.releasedTimes().size(), 9);
    }

    void cancelEndsTheReplayAtTheNextStep()
    {
        ReplayFixture f;
        f.link.replayFlight(flightOf({0.0f, 0.5f, 1.0f}));
        f.step();
        QMetaObject::invokeMethod(&f.link, &NUVTAVOInterface::cancelReplay, Qt::QueuedConnection);
        f.step(); // a step already queued, then the cancel
        f.step(); // the step that finds no flight
        QCOMPARE(f.released.count(), 1);
        QCOMPARE(f.canceled.count(), 1);
        QCOMPARE(f.progress.last()[0].toFloat(), 1.0f);
        f.step();
        QCOMPARE(f.released.count(), 1);
    }

    void anEmptyFlightEndsAtOnce()
    {
        ReplayFixture f;
        f.link.replayFlight(std::make_unique<NUVQORAFlight>());
        f.step();
        QCOMPARE(f.canceled.count(), 1);
        QCOMPARE(f.progressValues(), QList<float>{1.0f});
        QCOMPARE(f.clock.sleeps(), 0);
    }

    void aNewLoadNeverRunsTwoChains_data()
    {
        QTest::addColumn<bool>("cancelFirst");
        QTest::newRow("load while replaying") << false;
        QTest::newRow("load right after a cancel") << true;
    }
    void aNewLoadNeverRunsTwoChains()
    {
        QFETCH(bool, cancelFirst);
        ReplayFixture f;
        f.link.replayFlight(flightOf({0.0f, 0.1f, 0.2f, 0.3f}));
        f.step();
        if (cancelFirst)
            QMetaObject::invokeMethod(&f.link, &NUVTAVOInterface::cancelReplay, Qt::QueuedConnection);
        f.link.replayFlight(flightOf({10.0f, 10.1f, 10.2f, 10.3f, 10.4f}));
        for (int i = 0; i < 10; ++i)
            f.step();
        const QList<float> times = f.releasedTimes();
        QCOMPARE(times.count(10.0f), 1);
        QCOMPARE(times.mid(times.indexOf(10.0f)), (QList<float>{10.0f, 10.1f, 10.2f, 10.3f, 10.4f}));
        QCOMPARE(f.canceled.count(), 1); // only the last replay's end
    }

    // The worker may queue the old replay's next step between a load's hand-over and its
    // start; that step must release nothing of the new flight.
    void anOldStepQueuedAfterTheHandOverReleasesNothing()
    {
        ReplayFixture f;
        f.link.replayFlight(flightOf({0.0f, 0.1f, 0.2f, 0.3f}));
        f.step();
        const ConsoleHook hook("Sending signal to start replay", [&] { f.step(); });
        f.link.replayFlight(flightOf({10.0f, 10.1f, 10.2f, 10.3f, 10.4f}));
        const int sleeps = f.clock.sleeps();
        f.step(); // the old chain's step, then the new replay's first
        QCOMPARE(f.clock.sleeps() - sleeps, 1);
        const QList<float> times = f.releasedTimes();
        QCOMPARE(times.mid(times.indexOf(10.0f)), (QList<float>{10.0f, 10.1f}));
    }
};

QTEST_GUILESS_MAIN(TestRadioReplay)
#include "TestRadioReplay.moc"
