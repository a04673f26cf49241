#pragma once

#include "CapturedOutput.h"
#include "FakeMonotonicClock.h"
#include "NUVTAVOInterface.h"
#include "NUVTAVOProtocol.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>

#include <vector>

using Request = SimulatedGroundStation::Request;

// Stands in for the main window's console: records the lines queued on it.
class RecordingConsole : public QObject
{
    Q_OBJECT

public:
    // Wired as the live window wires the console: queued.
    void listenTo(NUVTAVOInterface *link)
    {
        connect(link, &NUVTAVOInterface::consoleMessage, this, &RecordingConsole::appendPlainText,
                Qt::QueuedConnection);
    }

    // Delivers the lines queued so far and hands them over.
    QStringList takeLines()
    {
        QCoreApplication::sendPostedEvents(this);
        QStringList taken;
        taken.swap(lines);
        return taken;
    }

    QStringList lines;

public slots:
    void appendPlainText(QString text) { lines << text; }
};

// The simulated ground station (unplugged at first) behind a backend of its own, which is
// the process's HID backend while the fixture lives.
struct StationFixture
{
    SimulatedHidBackend backend;
    SimulatedGroundStation station{backend};

    StationFixture() { HidBackend::setCurrent(&backend); }
    ~StationFixture() { HidBackend::setCurrent(nullptr); }

    // Register requests as "r52" (read) and "w40=3" (write), in order.
    QStringList registerTraffic() const
    {
        QStringList traffic;
        for (const Request &r : station.requests()) {
            if (r.code == NUVTAVOProtocol::ReadRegisterCode)
                traffic << QStringLiteral("r%1").arg(r.reg);
            else if (r.code == NUVTAVOProtocol::WriteRegisterCode)
                traffic << QStringLiteral("w%1=%2").arg(r.reg).arg(r.value);
            else
                traffic << QStringLiteral("code %1").arg(r.code);
        }
        return traffic;
    }
};

// A radio link on the simulated station with a fake clock, reporting to a recording console;
// what it prints is kept aside. Polls are called directly.
struct LinkFixture : StationFixture
{
    FakeMonotonicClock clock;
    CapturedOutput output;
    RecordingConsole console;
    NUVTAVOInterface link;

    LinkFixture() { console.listenTo(&link); }

    // Plugs the firmware, connects, runs the first poll (which clears the FIFO) and forgets
    // what that took.
    void connectFirmware()
    {
        station.plugFirmware();
        link.attemptConnection();
        QCoreApplication::sendPostedEvents(&link);
        console.takeLines();
        link.readAvailableEvents();
        station.clearRequests();
        output.clear();
    }

    // One poll, `ms` after the previous.
    void pollAfter(int64_t ms)
    {
        clock.advance(ms);
        link.readAvailableEvents();
    }
};
