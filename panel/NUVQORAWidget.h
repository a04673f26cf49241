#pragma once

#include "LiveLabels.h"
#include "LiveReadings.h"
#include "MapPage.h"
#include "NUVQORAInterface.h"
#include "ui_NUVQORAWidget.h"

#include <QList>
#include <QProcess>
#include <QWidget>

#include <memory>
#include <vector>

class GraphSeries;
class LiveKml;
class NUVStudio;
class QNetworkAccessManager;
class QThread;

// The device window of NUV QORA: one page in the main window's tabbed area. It owns the
// flight computer's interface object and the worker thread it runs in, shows the live
// readings, runs the device's commands, lists and downloads recorded flights, updates the
// firmware and checks once for a newer program version.
//
// Work reaches the interface as queued calls, connection attempts included; events, results,
// console lines and the state of the controls come back as queued signals. The few direct
// calls into the interface from the GUI thread hold its own mutexes.
class NUVQORAWidget : public QWidget
{
    Q_OBJECT

public:
    explicit NUVQORAWidget(NUVStudio *mainWindow);
    ~NUVQORAWidget() override;

    // The main window queues device arrivals and removals to it.
    NUVQORAInterface *deviceInterface() const;

    void executeJSTry(const QString &js);

public slots:
    void exception(int code, QString source, QString description, QString help);
    void browserNavigateComplete(QString url);
    void tabChanged(int index);

    void accelZEventRead(NUVEvent_AccelZ e);
    void textEventRead(NUVEvent_Text e);
    void gpsLLSolEventRead(NUVEvent_GPSLLSol e);
    void accelXYEventRead(NUVEvent_AccelXY e);
    void pressureEventRead(NUVEvent_Pressure e);
    void compBatEventRead(NUVEvent_ComputerBattery e);
    void ejectBatEventRead(NUVEvent_EjectionBattery e);
    void temperatureEventRead(NUVEvent_Temperature e);
    void identEventRead(NUVEvent_Ident e);
    void statusEventRead(NUVEvent_Status e);
    void gpsTimeEventRead(NUVEvent_GPSTime e);
    void gyroXYZEventRead(NUVEvent_GyroXYZ e);
    void magXYZEventRead(NUVEvent_MagXYZ e);
    void inputAEventRead(NUVEvent_LineA e);
    void inputBEventRead(NUVEvent_LineB e);
    void inputCEventRead(NUVEvent_LineC e);
    void inputDEventRead(NUVEvent_LineD e);

    void writeDeviceSettings();
    void settingsRead(NUVQORASettings settings);
    void calibrateAltitudefromGPS();
    void calibratePressure();
    void viewStoredAlmanacs();
    void storeAlmanacs();
    void uploadAlmanacs();
    void clearSVData();
    void emulateLaunch();
    void stopEmulation();
    void emulationComplete();

    void downloadFlights();
    void flightDownloaded(std::shared_ptr<NUVQORAFlight> flight);
    void flightDownloadProgress(int max, int current);
    void clearFlights();
    void clearFlightData();
    void loadSelectedFlight();
    void flightSelectionChanged();
    void flightDataCleared();

    void firmwareInitialized();
    void firmwareDisconnected();
    void enableControls(bool enabled);
    void focusOnTarget();

    void updateFirmware();
    void firmwareUpdateOutputAvailable();
    void firmwareUpdateComplete(int exitCode, QProcess::ExitStatus exitStatus);
    void updateError(QProcess::ProcessError error);
    void updateError();
    void startFirmwareUpdate();
    void checkForUpdates();
    void checkForUpdatesFinished();

    void appendConsoleNL(QString s);

private:
    void buildGraphs();
    void connectInterface();
    void startTimers();
    QList<QGraph *> liveGraphs() const;
    bool firmwareOpen();
    void showConnectionState(bool firmwareOpen);
    // The update's dialogs and delay, once the worker has sent the firmware to its bootloader.
    void continueFirmwareUpdate(bool sentToBootloader);
    void reconnectAfterUpdate();
    void fillFlightRow(int row, NUVQORAFlight &flight);
    // The row that shows as selected, or -1: the flight the preview shows and "Load selected
    // flight" opens, so that the two never differ from what the user sees.
    int selectedFlightRow() const;
    struct Position
    {
        double latitude = 0, longitude = 0;
    };
    // 1980-01-06 UTC plus the event's week and seconds, in local time.
    static QString gpsTimeText(const NUVEvent_GPSTime &time);

    Ui::NUVQORAWidgetClass ui;
    NUVQORAInterface *m_interface = nullptr;
    NUVStudio *m_mainWindow;

    LiveReadings m_readings;
    LiveLabels m_labels;
    GraphSeries *m_preview = nullptr;

    std::vector<std::shared_ptr<NUVQORAFlight>> m_flights; // row i of flightsTable is element i
    QList<QWidget *> m_deviceControls;
    QThread *m_workerThread = nullptr;
    QProcess m_loader;
    QNetworkAccessManager *m_network = nullptr;
    LiveKml *m_liveKml = nullptr;
    MapPage m_map;
    bool m_metric = true;
    // The position the map's placemark was last given by the device: "Focus on target" goes
    // there, to 0, 0 only before the first fix.
    Position m_target;
    // The firmware is open and current: only then may the controls be switched on, so a
    // re-enable queued by the interface cannot outlive a disconnection or an outdated firmware.
    bool m_firmwareReady = false;
};
