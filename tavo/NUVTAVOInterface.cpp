#include "NUVTAVOInterface.h"

#include "ConsoleSink.h"
#include "DeviceNotice.h"
#include "MonotonicClock.h"
#include "NUVQORADevice.h"
#include "NUVQORAFlight.h"
#include "NUVTAVOProtocol.h"

#include <QMetaObject>
#include <QPixmap>
#include <QTimer>
#include <QVariant>

#include <cstdlib>
#include <ostream>

using namespace NUVTAVOProtocol;

namespace {

constexpr int64_t TrackingIntervalMs = 10;
// Tracking values beyond this are taken for noise; beyond the smaller one the receiver is far off.
constexpr int32_t TrackingNoise = 500;
constexpr int32_t TrackingFarOff = 400;
constexpr int32_t FarOffStepHz = 100;
constexpr int32_t MaxOffNominalHz = 5000;
constexpr double SignalSmoothing = 0.005;
constexpr uint64_t BitRatePolls = 500;
constexpr int BitRateLimit = 10000;
constexpr uint64_t SignalPolls = 50;
constexpr int FrequencyErrorLimit = 1000;
constexpr int ReplayStepMs = 100;
constexpr size_t ReplayEventsPerStep = 100;

const char *const ConnectedPicture = ":/NUVStudio/Resources/Connected.png";
const char *const DisconnectedPicture = ":/NUVStudio/Resources/Disconnected.png";

} // namespace

NUVTAVOInterface::NUVTAVOInterface()
    : m_connection(QStringLiteral("NUV TAVO"), Identity, 500)
    , m_pollTimer(new QTimer(this))
{
    NUVEvent::registerMetaTypes();
    connect(m_pollTimer, &QTimer::timeout, this, &NUVTAVOInterface::readAvailableEvents);
    m_pollTimer->start(PollIntervalMs);
}

// The station is closed under the mutex, after the last direct call of the GUI thread.
NUVTAVOInterface::~NUVTAVOInterface()
{
    const Lock lock(m_mutex);
    bootloader.close();
    close();
}

void NUVTAVOInterface::setConnectionLabel(QObject *label)
{
    const Lock lock(m_mutex);
    m_connectionLabel = label;
}

void NUVTAVOInterface::setConnectionAttemptsEnabled(bool enabled)
{
    m_connectionAttemptsEnabled = enabled;
}

void NUVTAVOInterface::setAutoStartFirmware(bool enabled)
{
    m_autoStartFirmware = enabled;
}

uint16_t NUVTAVOInterface::firmwareVersion()
{
    const Lock lock(m_mutex);
    return attributes().versionNumber;
}

void NUVTAVOInterface::appendConsole(const QString &text)
{
    emit consoleMessage(text);
}

// ---------------------------------------------------------------------------------------------
// Connection

void NUVTAVOInterface::attemptConnection()
{
    const Lock lock(m_mutex);
    if (!m_connectionAttemptsEnabled)
        return;
    const bool wasOpen = isOpen();
    const FirmwareConnection::Outcome outcome =
        m_connection.attempt(*this, bootloader, m_autoStartFirmware, m_wrongVersionReported,
                             [this](const QString &text) { appendConsole(text); });
    if (!wasOpen && isOpen())
        m_session = Session();
    // Emitted from the worker's queue, once the mutex is free: it is not recursive, and a slot
    // may connect again or open a modal box.
    if (outcome.firmwareInitialized)
        QMetaObject::invokeMethod(this, &NUVTAVOInterface::firmwareInitialized, Qt::QueuedConnection);
    if (outcome.firmwareStageReached)
        showConnectionState(isOpen());
}

void NUVTAVOInterface::handleDeviceRemoval(const DeviceNotice &notice)
{
    const Lock lock(m_mutex);
    if (matches(notice)) {
        appendConsole(QStringLiteral("Firmware disconnected."));
        close();
    } else if (bootloader.matches(notice)) {
        appendConsole(QStringLiteral("Bootloader disconnected."));
        bootloader.close();
    }
}

void NUVTAVOInterface::exitFirmware()
{
    const Lock lock(m_mutex);
    if (!isOpen())
        return;
    appendConsole(QStringLiteral("Exiting firmware..."));
    const int result = NUVTAVODevice::exitFirmware();
    if (result != 0) {
        appendConsole(QStringLiteral("Error exiting firmware.\n"));
        appendConsole("Error: " + NUVQORADevice::resultText(result) + "\n");
    } else {
        appendConsole(QStringLiteral("Awaiting bootloader initialization.\n"));
    }
}

void NUVTAVOInterface::updateConnectionIcon()
{
    const Lock lock(m_mutex);
    showConnectionState(isOpen());
}

// Called under the mutex, which guards the label's pointer.
void NUVTAVOInterface::showConnectionState(bool connected)
{
    QObject *label = m_connectionLabel;
    if (!label)
        return;
    // Pictures belong to the GUI thread: the label's own thread draws it.
    const QString picture = QString::fromLatin1(connected ? ConnectedPicture : DisconnectedPicture);
    QMetaObject::invokeMethod(label, [label, picture] { label->setProperty("pixmap", QPixmap(picture)); });
}

// ---------------------------------------------------------------------------------------------
// Radio poll

void NUVTAVOInterface::readAvailableEvents()
{
    const Lock lock(m_mutex);
    if (!isOpen()) {
        // What was received before the station went away is not held back any longer.
        releaseAllEvents();
        return;
    }
    const int64_t nowMs = MonotonicClock::milliseconds();
    Session &s = m_session;
    if (!s.started) {
        s.started = true;
        s.originMs = s.lastTrackingMs = s.bitRateStartMs = nowMs;
        m_chunkReader.takeCountedBytes();
    }
    if (!m_frequencyLock.load())
        trackFrequency(nowMs);

    // Whole milliseconds since the origin, as exactly as a double holds them.
    const double now = (nowMs - s.originMs) / 1000.0;
    if (s.clockReset) {
        m_chunkReader.resetClocks(now);
        s.clockReset = false;
    }
    const int8_t strength = readSignedRegister(SignalStrengthRegister);
    const int8_t reference = readSignedRegister(SignalReferenceRegister);
    if (s.fifoClear) {
        ConsoleSink::out() << "CLEARING FIFO" << std::endl; // a trace line by design
        for (int i = 0; i < 4; ++i)
            writeRegister(FifoCommandRegister, FifoClearCommand);
        s.fifoClear = false;
    }
    const uint16_t fifoCount = readFifoCount();
    s.signalAverage = (strength - reference) * SignalSmoothing + s.signalAverage * (1 - SignalSmoothing);

    releaseDueEvents(now);
    if (fifoCount != 0)
        readChunk(now);
    if (s.polls % BitRatePolls == 0)
        reportBitRate(nowMs);
    ++s.polls;
    if (s.polls % SignalPolls == 0)
        reportSignal(now);
}

void NUVTAVOInterface::trackFrequency(int64_t nowMs)
{
    if (nowMs - m_session.lastTrackingMs < TrackingIntervalMs)
        return;
    int32_t current = 0;
    getFrequency(current);
    int32_t error = readTrackingValue();
    if (std::abs(error) > TrackingNoise)
        error = 0;
    // 64 bits: a confused radio may report a frequency at the edge of the hertz count.
    int64_t next = error < 0 ? int64_t(current) + 1 : int64_t(current) - 1;
    if (error > TrackingFarOff)
        next -= FarOffStepHz;
    else if (error < -TrackingFarOff)
        next += FarOffStepHz;
    if (std::abs(nominalFrequency() - next) > MaxOffNominalHz)
        next = nominalFrequency();
    setFrequency(static_cast<int32_t>(next));
    m_session.lastTrackingMs = nowMs;
}

int8_t NUVTAVOInterface::readSignedRegister(uint16_t reg)
{
    uint8_t value = 0;
    readRegister(reg, value);
    return static_cast<int8_t>(value);
}

uint16_t NUVTAVOInterface::readFifoCount()
{
    uint8_t low = 0, high = 0;
    readRegister(FifoCountLowRegister, low); // the first read of the count is stale
    readRegister(FifoCountLowRegister, low);
    readRegister(FifoCountHighRegister, high);
    return uint16_t(high << 8 | low);
}

void NUVTAVOInterface::releaseDueEvents(double now)
{
    auto &queue = m_session.delayQueue;
    while (!queue.empty() && now > queue.front()->time + ReleaseDelaySeconds) {
        const std::unique_ptr<NUVEvent> event = std::move(queue.front());
        queue.pop_front();
        emitEvent(event.get());
    }
}

void NUVTAVOInterface::releaseAllEvents()
{
    auto &queue = m_session.delayQueue;
    while (!queue.empty()) {
        const std::unique_ptr<NUVEvent> event = std::move(queue.front());
        queue.pop_front();
        emitEvent(event.get());
    }
}

void NUVTAVOInterface::readChunk(double now)
{
    std::vector<std::unique_ptr<NUVEvent>> events;
    const auto nextFifoByte = [this] {
        uint8_t value = 0;
        readRegister(FifoDataRegister, value);
        return value;
    };
    switch (m_chunkReader.read(nextFifoByte, now, events)) {
    case RadioChunkReader::Chunk::UnknownType:
        m_session.fifoClear = true;
        break;
    case RadioChunkReader::Chunk::Data:
        emit packetReceived();
        break;
    case RadioChunkReader::Chunk::WrongVersion:
        break;
    }
    for (auto &event : events)
        m_session.delayQueue.push_back(std::move(event));
}

void NUVTAVOInterface::reportBitRate(int64_t nowMs)
{
    const int64_t elapsedMs = nowMs - m_session.bitRateStartMs;
    const uint64_t bytes = m_chunkReader.takeCountedBytes();
    if (elapsedMs > 0) {
        const int bps = static_cast<int>(1000.0 / elapsedMs * bytes * 8);
        ConsoleSink::out() << "RSSI: " << m_session.signalAverage << "\tbps: " << bps << std::endl;
        if (bps < BitRateLimit)
            emit BPSRead(bps);
    }
    m_session.bitRateStartMs = nowMs;
}

void NUVTAVOInterface::reportSignal(double now)
{
    NUVEvent_RSSI rssi;
    rssi.vref = 3.3f;
    rssi.time = static_cast<float>(now); // already whole milliseconds
    rssi.rssi = static_cast<float>(m_session.signalAverage);
    emitEvent(&rssi);

    const int32_t error = trackingHertz(readTrackingValue());
    ConsoleSink::out() << "Frequency offset: " << error << " Hz" << std::endl;
    if (std::abs(error) < FrequencyErrorLimit)
        emit frequencyErrorRead(error);
    int32_t frequency = 0;
    getFrequency(frequency);
    emit frequencyRead(frequency);
    emit RFOffsetRead(static_cast<int>(int64_t(nominalFrequency()) - frequency));
}

// ---------------------------------------------------------------------------------------------
// Events

void NUVTAVOInterface::emitEvent(NUVEvent *e)
{
    switch (e->code()) {
    case NUVEventCode::AccelZ: emit accelZEventRead(*e->as<NUVEvent_AccelZ>()); break;
    case NUVEventCode::AccelXY: emit accelXYEventRead(*e->as<NUVEvent_AccelXY>()); break;
    case NUVEventCode::GyroXYZ: emit gyroXYZEventRead(*e->as<NUVEvent_GyroXYZ>()); break;
    case NUVEventCode::MagXYZ: emit magXYZEventRead(*e->as<NUVEvent_MagXYZ>()); break;
    case NUVEventCode::Pressure: emit pressureEventRead(*e->as<NUVEvent_Pressure>()); break;
    case NUVEventCode::ComputerBattery: emit compBatEventRead(*e->as<NUVEvent_ComputerBattery>()); break;
    case NUVEventCode::EjectionBattery: emit ejectBatEventRead(*e->as<NUVEvent_EjectionBattery>()); break;
    case NUVEventCode::Temperature: emit temperatureEventRead(*e->as<NUVEvent_Temperature>()); break;
    case NUVEventCode::Text: emit textEventRead(*e->as<NUVEvent_Text>()); break;
    case NUVEventCode::GPSLLSol: emit gpsLLSolEventRead(*e->as<NUVEvent_GPSLLSol>()); break;
    case NUVEventCode::Status: emit statusEventRead(*e->as<NUVEvent_Status>()); break;
    case NUVEventCode::Ident: emit identEventRead(*e->as<NUVEvent_Ident>()); break;
    case NUVEventCode::GPSTime: emit gpsTimeEventRead(*e->as<NUVEvent_GPSTime>()); break;
    case NUVEventCode::LineA: emit inputAEventRead(*e->as<NUVEvent_LineA>()); break;
    case NUVEventCode::LineB: emit inputBEventRead(*e->as<NUVEvent_LineB>()); break;
    case NUVEventCode::LineC: emit inputCEventRead(*e->as<NUVEvent_LineC>()); break;
    case NUVEventCode::LineD: emit inputDEventRead(*e->as<NUVEvent_LineD>()); break;
    case NUVEventCode::Orientation: emit orientationEventRead(*e->as<NUVEvent_Orientation>()); break;
    case NUVEventCode::RSSI: emit RSSIEventRead(*e->as<NUVEvent_RSSI>()); break;
    case NUVEventCode::DeltaTime: // no signal of its own
    case NUVEventCode::AuxDInput:
    case NUVEventCode::AuxEInput:
    case NUVEventCode::EndOfFlight:
    case NUVEventCode::FlightMarker:
    case NUVEventCode::Unclassified:
    case NUVEventCode::EndOfMemory:
        break;
    }
}

void NUVTAVOInterface::submitEvent(QByteArray bytes)
{
    ConsoleSink::out() << "Live launch data: " << bytes.toBase64().constData() << std::endl;
    const std::unique_ptr<NUVEvent> event =
        NUVEvent::fromBytes(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    if (event && event->time > m_lastSubmittedTime) {
        m_lastSubmittedTime = event->time;
        emitEvent(event.get());
    }
}

// ---------------------------------------------------------------------------------------------
// Radio settings

// Both change nothing by design; they only take their turn at the device like every other slot.
void NUVTAVOInterface::resetTime()
{
    const Lock lock(m_mutex);
}

void NUVTAVOInterface::setModulationFrequency(int)
{
    const Lock lock(m_mutex);
}

void NUVTAVOInterface::setAddress(int address)
{
    const Lock lock(m_mutex);
    if (setRFChannel(static_cast<uint8_t>(address)) == 0)
        ConsoleSink::out() << "Set RF Channel OK: " << address << std::endl;
    else
        ConsoleSink::out() << "Failed to set RF Channel" << std::endl;
}

void NUVTAVOInterface::lockRFOffset(bool lock)
{
    m_frequencyLock.store(lock);
}

// ---------------------------------------------------------------------------------------------
// Replay

void NUVTAVOInterface::replayFlight(std::unique_ptr<NUVQORAFlight> flight)
{
    // Both trace lines are printed by design.
    ConsoleSink::out() << "Initializing replay" << std::endl;
    // Handed over in the worker's queue, so that a cancel asked for before this load still
    // applies to the replay it was meant for.
    const std::shared_ptr<NUVQORAFlight> shared = std::move(flight);
    QMetaObject::invokeMethod(
        this, [this, shared] { takeReplayFlight(shared); }, Qt::QueuedConnection);
    ConsoleSink::out() << "Sending signal to start replay" << std::endl;
    QMetaObject::invokeMethod(this, &NUVTAVOInterface::startReplay, Qt::QueuedConnection);
}

void NUVTAVOInterface::takeReplayFlight(std::shared_ptr<NUVQORAFlight> flight)
{
    const Lock lock(m_mutex);
    ++m_replayGeneration; // a step of the replaced replay queued after this one does nothing
    m_replayFlight = std::move(flight);
    m_replayIndex = 0;
    m_replayRate = 1.0f;
    m_replayTime = 0.0f;
}

void NUVTAVOInterface::startReplay()
{
    uint64_t generation;
    {
        const Lock lock(m_mutex);
        generation = ++m_replayGeneration;
    }
    replayStep(generation);
}

void NUVTAVOInterface::replayNext100ms()
{
    startReplay();
}

void NUVTAVOInterface::replayStep(uint64_t generation)
{
    bool over = false;
    float progress = 1.0f;
    {
        const Lock lock(m_mutex);
        if (generation != m_replayGeneration)
            return; // a newer replay has taken over
        const size_t count = m_replayFlight ? m_replayFlight->events.size() : 0;
        if (m_replayIndex >= count) {
            over = true;
        } else {
            m_replayTime += m_replayRate * (ReplayStepMs / 1000.0f);
            const auto &events = m_replayFlight->events;
            const float until = m_replayTime + events.front()->time;
            for (size_t released = 0; released < ReplayEventsPerStep && m_replayIndex < count
                                      && events[m_replayIndex]->time <= until;
                 ++released)
                emitEvent(events[m_replayIndex++].get());
            if (m_replayIndex < count)
                progress = float(m_replayIndex) / float(count);
        }
    }
    if (over) {
        emit replayCanceled();
        emit replayProgress(1.0f);
        return;
    }
    MonotonicClock::sleep(ReplayStepMs);
    emit replayProgress(progress);
    scheduleReplayStep(generation);
}

void NUVTAVOInterface::scheduleReplayStep(uint64_t generation)
{
    QMetaObject::invokeMethod(this, [this, generation] { replayStep(generation); }, Qt::QueuedConnection);
}

void NUVTAVOInterface::cancelReplay()
{
    const Lock lock(m_mutex);
    m_replayFlight.reset();
    m_replayIndex = 0;
}

void NUVTAVOInterface::setReplayRate(double rate)
{
    ConsoleSink::out() << "replay rate: " << rate << std::endl;
    const Lock lock(m_mutex);
    m_replayRate = static_cast<float>(rate);
}
