#pragma once

#include "MapPage.h"
#include "ui_NUVQORAFlightWidget.h"

#include <QList>
#include <QMetaObject>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>

class Axis;
class GraphSeries;
class NUVQORAFlight;
class NUVStudio;
class QAction;
class QColor;
class QGraph;

// A flight window: one recorded flight in the main window's tabbed area, with its graphs,
// figures, notes, settings and GPS track, and the commands that trim, zero, save and export
// it. The main window's flight actions reach the window only while it is the active one.
class NUVQORAFlightWidget : public QWidget
{
    Q_OBJECT

public:
    NUVQORAFlightWidget(NUVStudio *mainWindow, std::shared_ptr<NUVQORAFlight> flight);
    ~NUVQORAFlightWidget() override;

    // Whether the application's number system is metric; read anew at every use.
    bool isMetric() const;
    // Asked before the window closes a modified flight; true when the close is to be cancelled.
    bool askSaveFlight();

public slots:
    void setModified();
    void autoTrimAll();
    void trimTime();
    void zeroTime();
    void save();
    void saveAs();
    void exportKML();
    void exportCSV();
    void exportEmulationData();
    void exportThrustData();
    void populateData();
    void populateGPSData();
    void focusOnTarget();
    void optimizeAxes();
    void updateGraphUI();
    void registerMainWindowUIActions();

private:
    void buildGraphs();
    Axis *addAxis(QGraph *graph, const QColor &labelColour, const QString &yUnit = QString());
    GraphSeries *addSeries(Axis *axis, const QColor &colour, const QString &name = QString());
    void finishGraph(QGraph *graph, GraphSeries *tracked, bool legend);
    void showSettingsReadOnly();
    QList<QGraph *> graphs() const;
    QList<GraphSeries *> allSeries() const;

    void resetSeries(bool metric);
    void addEventPoints(float &groundAltitude, bool groundValid, float factor);
    void addSampledPoints(float factor);
    void hideSilentSensors();
    void populateFigures(bool metric, bool launchDetected);

    bool isActiveFlightWindow() const;
    void afterTimeAxisChange();
    void showNotes();
    void storeNotes();
    bool saveToChosenFile();
    bool writeFlight(const QString &path);
    std::optional<double> askTime(const QString &title, const QString &label, double value);

    Ui::NUVQORAFlightWidgetClass ui;
    NUVStudio *m_mainWindow;
    std::shared_ptr<NUVQORAFlight> m_flight;
    MapPage m_map;

    Axis *m_altitudeAxis = nullptr;
    GraphSeries *m_altitude = nullptr;
    QAction *m_kalmanFiltered = nullptr;
    QAction *m_msl = nullptr;
    Axis *m_velocityAxis = nullptr;
    GraphSeries *m_velocity = nullptr;
    Axis *m_accelerationAxis = nullptr;
    GraphSeries *m_acceleration = nullptr;
    Axis *m_lateralAxis = nullptr;
    GraphSeries *m_lateralX = nullptr;
    GraphSeries *m_lateralY = nullptr;
    Axis *m_gyroAxis = nullptr;
    std::array<GraphSeries *, 3> m_gyro{};
    Axis *m_magAxis = nullptr;
    std::array<GraphSeries *, 3> m_mag{};
    Axis *m_tiltAxis = nullptr;
    GraphSeries *m_tilt = nullptr;
    Axis *m_batteryAxis = nullptr;
    GraphSeries *m_computerBattery = nullptr;
    GraphSeries *m_ejectionBattery = nullptr;
    Axis *m_inputAxis = nullptr;
    std::array<GraphSeries *, 4> m_lines{};
    Axis *m_temperatureAxis = nullptr;
    GraphSeries *m_temperature = nullptr;
    Axis *m_rssiAxis = nullptr;
    GraphSeries *m_rssi = nullptr;

    // The flight's notes as last shown, and the editor's text then: only an edit is written back.
    std::string m_notesSource;
    QString m_notesShown;

    QList<QMetaObject::Connection> m_mainWindowConnections;
};
