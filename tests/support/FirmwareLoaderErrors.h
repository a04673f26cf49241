#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTest>

// The loader errors a firmware update meets, as the rows of one table that both programs'
// windows are tested against. A loader that still runs may report a passing read or time-out
// error; the update must go on until the loader ends.
namespace FirmwareLoaderErrors {

// What the loader of the passing rows prints before it works on for a few seconds.
inline constexpr char RunningLine[] = "loader running";

// Columns: the loader's script (empty: there is no loader), the error the test hands to the
// window's error slot once the loader has printed its running line (-1: none, the loader's own
// failure is the error), whether the error ends the update, and whether the update button is
// enabled once the update has ended (a crashed loader also reports its end).
inline void addRows()
{
    QTest::addColumn<QByteArray>("loader");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("endsUpdate");
    QTest::addColumn<bool>("buttonBack");
    const QByteArray running = QByteArray("echo '") + RunningLine + "'\nsleep 5\n";
    QTest::newRow("failed to start") << QByteArray() << -1 << true << false;
    QTest::newRow("crashed") << QByteArray("kill -KILL $$\n") << -1 << true << true;
    QTest::newRow("read error while running") << running << int(QProcess::ReadError) << false << true;
    QTest::newRow("time-out while running") << running << int(QProcess::Timedout) << false << true;
}

} // namespace FirmwareLoaderErrors
