#pragma once

#include "FirmwareConnection.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_EjectionBattery.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GPSTime.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_Ident.h"
#include "NUVEvent_LineA.h"
#include "NUVEvent_LineB.h"
#include "NUVEvent_LineC.h"
#include "NUVEvent_LineD.h"
#include "NUVEvent_MagXYZ.h"
#include "NUVEvent_Orientation.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_RSSI.h"
#include "NUVEvent_Status.h"
#include "NUVEvent_Temperature.h"
#include "NUVEvent_Text.h"
#include "NUVTAVODevice.h"
#include "RadioChunkReader.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class NUVQORAFlight;
class QTimer;
struct DeviceNotice;

// The ground station as the live window sees it. Lives in a worker thread: every 10 ms it
// polls the radio, keeps the receiver on the transmitter's frequency, averages the signal
// strength, reads one radio chunk, and releases each received event half a second after its
// own time as a typed signal, so events leave in time order. It also replays saved flights
// through the same signals, and its console lines as consoleMessage.
//
// Each poll holds the mutex, and a station that does not answer holds a connection attempt, so
// the windows queue device notices and connection attempts (attemptConnection,
// handleDeviceRemoval, updateConnectionIcon) into the worker thread. From the GUI thread
// without waiting: replayFlight, lockRFOffset and the flag setters; exitFirmware,
// firmwareVersion and updateConnectionIcon called from there wait for the poll that runs.
// Everything else runs in the worker thread (queued calls or the poll timer). Delete the object
// in its own thread, e.g. from the thread's finished() through deleteLater().
class NUVTAVOInterface : public QObject, public NUVTAVODevice
{
    Q_OBJECT

public:
    static constexpr int PollIntervalMs = 10;
    static constexpr double ReleaseDelaySeconds = 0.5;

    NUVTAVOInterface();
    ~NUVTAVOInterface() override;

    // A QLabel (or anything with a "pixmap" property) that shows whether the firmware is open.
    void setConnectionLabel(QObject *label);

    // Both default to true; the window clears them around a firmware update. They take effect
    // from the next connection attempt.
    void setConnectionAttemptsEnabled(bool enabled);
    void setAutoStartFirmware(bool enabled);

    // The firmware version found on the device at the last connection attempt, also when it
    // was the wrong one; 0 before any was found.
    uint16_t firmwareVersion();

    void attemptConnection();
    void handleDeviceRemoval(const DeviceNotice &notice);
    void exitFirmware();
    void updateConnectionIcon();
    // Takes the flight over and replays it from its start in the worker thread, replacing a
    // replay that runs.
    void replayFlight(std::unique_ptr<NUVQORAFlight> flight);
    void appendConsole(const QString &text);

signals:
    void eventReadRaw(QByteArray raw); // declared for the window to connect; never emitted
    void accelZEventRead(NUVEvent_AccelZ e);
    void accelXYEventRead(NUVEvent_AccelXY e);
    void gyroXYZEventRead(NUVEvent_GyroXYZ e);
    void magXYZEventRead(NUVEvent_MagXYZ e);
    void pressureEventRead(NUVEvent_Pressure e);
    void compBatEventRead(NUVEvent_ComputerBattery e);
    void ejectBatEventRead(NUVEvent_EjectionBattery e);
    void temperatureEventRead(NUVEvent_Temperature e);
    void textEventRead(NUVEvent_Text e);
    void gpsLLSolEventRead(NUVEvent_GPSLLSol e);
    void statusEventRead(NUVEvent_Status e);
    void identEventRead(NUVEvent_Ident e);
    void gpsTimeEventRead(NUVEvent_GPSTime e);
    void inputAEventRead(NUVEvent_LineA e);
    void inputBEventRead(NUVEvent_LineB e);
    void inputCEventRead(NUVEvent_LineC e);
    void inputDEventRead(NUVEvent_LineD e);
    void orientationEventRead(NUVEvent_Orientation e);
    void RSSIEventRead(NUVEvent_RSSI e);
    void frequencyRead(long freq);
    void frequencyErrorRead(int error);
    void RFOffsetRead(int offset);
    void BPSRead(int bps);
    void packetReceived();
    void firmwareInitialized();
    void replayProgress(float progress);
    void replayCanceled();
    // One console line, emitted in whichever thread wrote it: connect it queued.
    void consoleMessage(QString text);

public slots:
    // Emits the event's typed signal with a copy; the caller keeps the event.
    void emitEvent(NUVEvent *e);
    void readAvailableEvents();
    void submitEvent(QByteArray bytes);
    void resetTime();
    void setAddress(int address);
    void setModulationFrequency(int frequency);
    void lockRFOffset(bool lock);
    void startReplay();
    void replayNext100ms();
    void cancelReplay();
    void setReplayRate(double rate);

private:
    // What one connection of the firmware has received and measured; a new connection starts
    // a new session, with its own time origin.
    struct Session
    {
        bool started = false;
        int64_t originMs = 0;        // the first poll that found the firmware open
        int64_t lastTrackingMs = 0;
        bool clockReset = true;
        bool fifoClear = true;
        double signalAverage = -100.0;
        uint64_t polls = 0;
        int64_t bitRateStartMs = 0;
        std::deque<std::unique_ptr<NUVEvent>> delayQueue;
    };

    using Lock = std::lock_guard<std::mutex>;

    void trackFrequency(int64_t nowMs);
    int8_t readSignedRegister(uint16_t reg);
    uint16_t readFifoCount();
    void releaseDueEvents(double now);
    void releaseAllEvents();
    void readChunk(double now);
    void reportBitRate(int64_t nowMs);
    void reportSignal(double now);
    void showConnectionState(bool connected);
    void takeReplayFlight(std::shared_ptr<NUVQORAFlight> flight);
    void replayStep(uint64_t generation);
    void scheduleReplayStep(uint64_t generation);

    QPointer<QObject> m_connectionLabel;
    // Read once, at the start of a connection attempt.
    std::atomic<bool> m_connectionAttemptsEnabled{true};
    std::atomic<bool> m_autoStartFirmware{true};
    std::atomic<bool> m_frequencyLock{false};
    std::shared_ptr<NUVQORAFlight> m_replayFlight;
    size_t m_replayIndex = 0;
    float m_replayRate = 1.0f;
    float m_replayTime = 0.0f; // flight seconds from the first event
    uint64_t m_replayGeneration = 0; // each replay's steps carry theirs; a newer replay ends older chains
    std::mutex m_mutex;

    FirmwareConnection m_connection;
    bool m_wrongVersionReported = false;
    RadioChunkReader m_chunkReader;
    Session m_session;
    float m_lastSubmittedTime = 0.0f;
    QTimer *m_pollTimer;
};
