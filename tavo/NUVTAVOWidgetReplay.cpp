// The live window's replay of a saved flight. The radio settings go straight to the worker
// (connectRadio); the firmware update has a file of its own.

#include "NUVTAVOWidget.h"

#include "ConsoleSink.h"
#include "UserDialogs.h"

#include <QThread>

#include <ostream>

namespace {

// A copy, or null for a flight without pressure (its first arriving pressure then serves).
std::unique_ptr<NUVEvent_Pressure> firstPressureOf(const NUVQORAFlight &flight)
{
    for (const std::unique_ptr<NUVEvent> &event : flight.events)
        if (const auto *pressure = event->as<NUVEvent_Pressure>())
            return std::make_unique<NUVEvent_Pressure>(*pressure);
    return nullptr;
}

} // namespace

void NUVTAVOWidget::loadReplay()
{
    clearAndZero();
    const QString path = UserDialogs::current().openFileName(this, tr("Open NUV QORA flight"), QString(),
                                                             tr("NUV QORA flights (*.qora)"));
    if (path.isEmpty())
        return;
    auto flight = std::make_unique<NUVQORAFlight>();
    if (!flight->load(path.toStdWString())) {
        UserDialogs::critical(this, tr("Could not open flight"), path);
        return;
    }
    UserDialogs::information(this, tr("Flight loaded. Replay will now start."), path);
    ui.cancelReplay->setEnabled(true);
    ConsoleSink::out() << "replayFlight Thread: " << QThread::currentThreadId() << std::endl;
    // The replay's altitudes are heights above its own first pressure, taken from the flight:
    // a replay it replaces may still have events on their way here.
    m_pressureReference = firstPressureOf(*flight);
    m_radio->replayFlight(std::move(flight));
    // A new replay starts at rate 1; the speed box keeps what it shows.
    QMetaObject::invokeMethod(
        m_radio, [radio = m_radio, rate = ui.replayRate->value()] { radio->setReplayRate(rate); },
        Qt::QueuedConnection);
}

void NUVTAVOWidget::cancelReplay()
{
    QMetaObject::invokeMethod(m_radio, &NUVTAVOInterface::cancelReplay, Qt::QueuedConnection);
}
