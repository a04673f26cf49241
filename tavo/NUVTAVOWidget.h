#pragma once

#include "LiveLabels.h"
#include "LiveReadings.h"
#include "MapPage.h"
#include "NUVQORAFlight.h"
#include "NUVTAVOInterface.h"
#include "ui_NUVTAVOWidget.h"

#include <QProcess>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <mutex>

class FlightRecorder;
class GraphSeries;
class LiveKml;
class NUVStudio;
class QMainWindow;
class QNetworkAccessManager;
class QThread;
class QTimer;
class Voice;

// The live telemetry window, NUV TAVO's one working panel. It owns the ground station's radio
// link and the worker thread the link runs in, and shows, records, announces and replays what
// the radio receives: graphs, attitude, live values, flight phase, map page and a live KML
// file, with the recording autosaved every 10 s beside two alternating backups.
//
// Everything the link sends arrives as queued signals carrying copies of the events; the few
// direct calls into the link from the GUI thread take the link's own mutex.
class NUVTAVOWidget : public QWidget
{
    Q_OBJECT

public:
    // window: NUV TAVO's main window, whose settings, labels, console and status bar this
    // window writes.
    explicit NUVTAVOWidget(QMainWindow *window);
    ~NUVTAVOWidget() override;

    // The radio link, for the main window's direct calls on device changes.
    NUVTAVOInterface *radioLink() const;
    // Every event received since start or since the recording was last cleared, in arrival order.
    const NUVQORAFlight &recordedFlight() const;

public slots:
    void exception(int code, QString source, QString description, QString help);
    void browserNavigateComplete(QString url);
    void tabChanged(int index);
    void eventReadRaw(QByteArray data);
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
    void orientationEventRead(NUVEvent_Orientation e);
    void RSSIEventRead(NUVEvent_RSSI e);
    void frequencyRead(long freq);
    void frequencyErrorRead(int error);
    void RFOffsetRead(int offset);
    void BPSRead(int bps);
    void packetReceived();
    void clearAndZero();
    void saveFlightAs();
    void saveFlight();
    void clearGPSTrack();
    void exportKML();
    void focusOnTarget();
    void toggleGEPlugin();
    void fetchLiveLaunchEvents();
    void readLiveData();
    void sendLiveDataFinished();
    void startFirmwareUpdate();
    void updateFirmware();
    void firmwareInitialized();
    void firmwareUpdateOutputAvailable();
    void firmwareUpdateComplete(int exitCode, QProcess::ExitStatus exitStatus);
    void updateError(QProcess::ProcessError error);
    void loadReplay();
    void cancelReplay();
    void speak(QString what);
    void executeJSTry(QString js);

private:
    void buildGraphs();
    void connectRadio();
    void startTimers();
    void startVoice();

    template<class Event>
    void record(const Event &e);
    void clearGraphs();
    void addTrackPoint(const NUVEvent_GPSLLSol &fix);
    void announceGps(const NUVEvent_GPSLLSol &fix);
    void showPacketAge();

    void saveRecordingBeforeClearing();
    // Restarts the autosave timer when no later call has stopped it since `claim` was taken.
    void restartAutosave(uint64_t claim);
    uint64_t stopAutosave();
    void reportOnConsole(const QString &line);
    void reconnectAfterUpdate();

    Ui::NUVTAVOWidgetClass ui;
    bool m_metric = true;
    std::unique_ptr<Voice> m_spVoice;
    int m_liveDataIndex = 0;
    QNetworkAccessManager *m_liveDataManager = nullptr;
    NUVTAVOInterface *m_radio = nullptr; // no parent: it lives in the worker thread
    NUVStudio *m_mainWindow;
    QThread *m_workerThread = nullptr;
    std::mutex m_radioGone; // held by the worker as the link goes, then by the destructor
    QString m_flightFilePath;
    NUVQORAFlight m_recordedFlight;
    FlightRecorder *m_recorder = nullptr;
    QTimer *m_autosaveTimer = nullptr;
    uint64_t m_autosaveClaim = 0; // counts the calls that stopped the autosave timer
    int m_autosaveCount = 0;
    bool m_backupFailureReported = false;
    LiveKml *m_liveKml = nullptr;
    MapPage m_map;

    LiveReadings m_readings;
    LiveLabels m_labels;
    GraphSeries *m_groundTrack = nullptr;

    std::unique_ptr<NUVEvent_Pressure> m_pressureReference;
    double m_trackOriginLatitude = 0;
    double m_trackOriginLongitude = 0;
    int m_lastFlightState = 0;
    bool m_gpsVoiceClockStarted = false;
    int64_t m_gpsVoiceClockStartMs = 0; // on the monotonic clock, which never jumps
    int m_gpsCount = 0;
    QProcess m_firmwareUpdater;
    int m_packetAge = 255;
};
