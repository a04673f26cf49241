#include "TickClock.h"

#include <QtTest>

namespace {
uint32_t fixedTicks = 0;
uint32_t fixedSource() { return fixedTicks; }
} // namespace

class TestTickClock : public QObject
{
    Q_OBJECT

private slots:
    void advancesAcrossASleep()
    {
        const uint32_t before = TickClock::milliseconds();
        TickClock::sleep(20);
        const uint32_t elapsed = TickClock::milliseconds() - before; // unsigned: correct across a wrap
        QVERIFY(elapsed >= 19);
        QVERIFY(elapsed < 5000);
    }

    void substituteSourceAndRestore()
    {
        fixedTicks = 0xFFFFFFF0u;
        TickClock::setSource(&fixedSource);
        QCOMPARE(TickClock::milliseconds(), 0xFFFFFFF0u);
        fixedTicks = 5;
        QCOMPARE(TickClock::milliseconds(), 5u);
        TickClock::setSource(nullptr);
        const uint32_t before = TickClock::milliseconds();
        TickClock::sleep(10);
        QVERIFY(TickClock::milliseconds() - before >= 9);
    }
};

QTEST_GUILESS_MAIN(TestTickClock)
#include "TestTickClock.moc"
