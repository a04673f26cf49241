#pragma once

#include "NUVQORADevice.h"
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
#include "NUVQORAFlight.h"
#include "NUVQORASettings.h"

#include <QList>
#include <QObject>
#include <QQuaternion>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

struct DeviceNotice;
class QEvent;
class QTimer;

// The flight computer as the rest of the program sees it. Lives in a worker thread: connects
// when told that USB devices changed, polls live readings on a fixed schedule and emits one
// typed signal per reading, and runs every device operation as a slot. It reports to its
// panel only through its signals; the panel connects consoleMessage and
// controlsEnableRequested queued, as they are also emitted from the GUI thread's direct calls.
//
// A download or an emulation holds the device mutex for minutes, and a silent device holds a
// connection attempt for seconds, so the windows hand device notices and connection attempts
// (attemptConnection, deviceRemoved, checkDisconnected) to the worker thread as queued calls.
// From the GUI thread without waiting: currentOrientation, stopEmulation, abortOperations and
// the flag setters. Any other use of the device from there must hold deviceMutex(), and so
// waits for the operation that runs unless it only tries the lock.
class NUVQORAInterface : public QObject, public NUVQORADevice
{
    Q_OBJECT

public:
    NUVQORAInterface();
    ~NUVQORAInterface() override;

    std::recursive_mutex &deviceMutex() { return m_deviceMutex; }

    // Both default to true; the panel clears them around a firmware update. They take effect
    // from the next connection attempt.
    void setConnectionAttemptsEnabled(bool enabled);
    void setAutoStartFirmware(bool enabled);

    // Ends a running download at its next chunk and a running emulation at its next row;
    // the panel calls it before it stops the worker thread.
    void abortOperations();

    void deviceRemoved(const DeviceNotice &notice);
    void checkDisconnected();
    void closeDevices();
    QQuaternion currentOrientation();

    static QString flightPhaseName(int state);

signals:
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
    void firmwareInitialized();
    void firmwareDisconnected();
    void settingsRead(NUVQORASettings settings);
    void flightDownloaded(std::shared_ptr<NUVQORAFlight> flight);
    void flightDownloadProgress(int max, int current);
    void flightDataCleared();
    void emulationComplete();
    // One console line; a text that ends in "\n" adds an empty line.
    void consoleMessage(QString text);
    // The panel's device controls are to be switched on or off.
    void controlsEnableRequested(bool enabled);
    // Whether leaveFirmwareForUpdate found the firmware open and sent it to its bootloader.
    void firmwareLeftForUpdate(bool sentToBootloader);

public slots:
    void attemptConnection();
    void readLiveEvents();
    void readLiveEvent(int code);
    void processReadEvent();
    void processReadEvents();
    void viewStoredAlmanacs();
    void storeAlmanacs();
    void uploadAlmanacs();
    void clearSVData();
    void readDeviceSettings();
    void writeDeviceSettings(NUVQORASettings settings);
    void resetDeviceSettings();
    void calibratePressure(double MSLAltitude);
    void downloadFlights();
    void clearFlightData();
    void fireLine(int line);
    void emulateLaunch(QString sourceFile, QString targetFile, bool realTime);
    void emulateLaunch(QString sourceFile, QString targetFile);
    void stopEmulation();
    void _toBootloader();
    // The first step of a firmware update: an open firmware is sent to its bootloader.
    void leaveFirmwareForUpdate();
    void unblockControls();

protected:
    bool event(QEvent *event) override;

private:
    void drainInThisThread();
    void console(const QString &text);
    void enableControls(bool enabled);
    void consoleError(const QString &errorText, int result);
    // Between disabling and unblocking the controls, and only while the firmware is open:
    // consoles the start text, runs the command, then the error lines or onSuccess.
    void runCommand(const QString &startText, const QString &errorText, const std::function<int()> &command,
                    const std::function<void()> &onSuccess);
    void printStoredAlmanac();
    void calibratePressureNow(float altitude);
    void downloadFlightsNow();
    void emitLiveEvent(const NUVEvent &event);
    bool takePendingCode(int &code);

    // The orientation and the pending codes are guarded by the mutexes named after them; the
    // queue mutex is never held while the device mutex is taken. A connection attempt reads
    // the two connection flags once, at its start; the stop flags are read once per chunk or
    // row. All four may be written from any thread.
    std::atomic<bool> m_connectionAttemptsEnabled{true};
    std::atomic<bool> m_autoStartFirmware{true};
    std::atomic<bool> m_downloadAbort{false};
    std::atomic<bool> m_emulationStop{false};
    QQuaternion m_orientation{0, 0, 0, 1}; // w, x, y, z
    std::recursive_mutex m_deviceMutex;
    std::recursive_mutex m_queueMutex;
    std::recursive_mutex m_orientationMutex;
    QList<int> m_pendingCodes;
    QTimer *m_drainTimer;
};
