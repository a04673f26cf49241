#include "NUVQORAFlightWidget.h"

#include "Axis.h"
#include "ConsoleSink.h"
#include "FlightExportCommand.h"
#include "FlightFigures.h"
#include "FlightTrackScripts.h"
#include "GraphSeries.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_EjectionBattery.h"
#include "NUVEvent_GyroXYZ.h"
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
#include "NUVQORAFlight.h"
#include "NUVStudio.h"
#include "PressureAltitude.h"
#include "QGraph.h"
#include "QGraphView.h"
#include "TimeStep.h"
#include "UserDialogs.h"
#include "WebServer.h"

#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <ostream>

namespace {

constexpr float feetPerMetre = 3.28084f;
constexpr double degreesPerRadian = 57.29577951308232;
constexpr float sampleStep = 0.05f; // s between the points of the sampled series
// Bounds the sampled series of a flight with a damaged or far-shifted time axis: a day at 0.05 s.
constexpr int maximumSampledPoints = 24 * 3600 * 20;
// The range of the times the trim and zero dialogs accept, in s either side of zero.
constexpr double timeLimit = 100000.0;

// Each is placed once, at the first status record that reports it.
constexpr int markerCount = 6;
const char *const markerTexts[markerCount] = {"Launch detected",  "Apogee detected",  "Line A triggered",
                                              "Line B triggered", "Line C triggered", "Line D triggered"};

void addPoint(GraphSeries *series, double x, double y)
{
    const QPointF point(x, y);
    series->points.append(point);
    series->extendBounds(point);
}

void setExtent(GraphSeries *series, double maxX, double maxY)
{
    series->extentBox.maxX = maxX;
    series->extentBox.maxY = maxY;
}

// Angle in degrees between the device's z axis turned by the attitude and the reference z axis.
double tiltOf(const NUVEvent_Orientation &q)
{
    const float cosine = q.w * q.w - q.x * q.x - q.y * q.y + q.z * q.z;
    return std::acos(std::clamp(cosine, -1.0f, 1.0f)) * degreesPerRadian;
}

// Calls add(t) for t from `from` in steps of 0.05 s while t is below `to`.
template<class Add>
void everySampleStep(float from, float to, Add add)
{
    float t = from;
    for (int count = 0; t < to && count < maximumSampledPoints; ++count) {
        add(t);
        if (!advanceTime(t, sampleStep))
            break;
    }
}

float firstTimeOf(const NUVQORAFlight &flight)
{
    return flight.events.empty() ? 0.0f : flight.events.front()->time;
}

float lastTimeOf(const NUVQORAFlight &flight)
{
    return flight.events.empty() ? 0.0f : flight.events.back()->time;
}

} // namespace

NUVQORAFlightWidget::NUVQORAFlightWidget(NUVStudio *mainWindow, std::shared_ptr<NUVQORAFlight> flight)
    : m_mainWindow(mainWindow), m_flight(std::move(flight))
{
    ui.setupUi(this);
    m_map = MapPage(ui.webView, 10, MapPage::BareCalls::Silent);
    const QUrl page = WebServer::url(QStringLiteral("QORA.html"));
    if (!page.isEmpty())
        ui.webView->setUrl(page);

    buildGraphs();
    showSettingsReadOnly();
    registerMainWindowUIActions();

    connect(ui.kalmanFilteredAltitude, &QCheckBox::clicked, this, &NUVQORAFlightWidget::populateGPSData);
    connect(ui.populateGPSData, &QPushButton::clicked, this, &NUVQORAFlightWidget::populateGPSData);
    connect(ui.populateGPSData, &QPushButton::clicked, this, &NUVQORAFlightWidget::focusOnTarget);
    connect(ui.exportKML, &QPushButton::clicked, this, &NUVQORAFlightWidget::exportKML);
    showNotes();
    connect(ui.flightNotes, &QPlainTextEdit::textChanged, this, &NUVQORAFlightWidget::setModified);

    populateData();
    // The axes fit best once the window has its final size.
    QTimer::singleShot(0, this, &NUVQORAFlightWidget::optimizeAxes);
}

NUVQORAFlightWidget::~NUVQORAFlightWidget()
{
    ConsoleSink::out() << "Deleting flight widget" << std::endl;
    ConsoleSink::out() << "Deleting slot connections" << std::endl;
    for (const QMetaObject::Connection &connection : qAsConst(m_mainWindowConnections))
        disconnect(connection);
}

bool NUVQORAFlightWidget::isMetric() const
{
    return m_mainWindow->settings()->value(QStringLiteral("numberSystem"), 0) == QVariant(0);
}

void NUVQORAFlightWidget::buildGraphs()
{
    m_altitudeAxis = addAxis(ui.livePressureGraph, Qt::blue);
    m_altitude = addSeries(m_altitudeAxis, Qt::blue);
    finishGraph(ui.livePressureGraph, nullptr, false);

    auto *dataMenu = new QMenu(tr("Data"), ui.livePressureGraph);
    ui.livePressureGraph->menuBar()->addMenu(dataMenu);
    m_kalmanFiltered = dataMenu->addAction(tr("Kalman filtered"));
    m_kalmanFiltered->setObjectName(QStringLiteral("kalmanFiltered"));
    m_msl = dataMenu->addAction(tr("MSL"));
    m_msl->setObjectName(QStringLiteral("msl"));
    for (QAction *option : {m_kalmanFiltered, m_msl}) {
        option->setCheckable(true);
        connect(option, &QAction::toggled, this, [this] {
            populateData();
            updateGraphUI();
        });
    }

    m_velocityAxis = addAxis(ui.verticalVelocityGraph, Qt::blue);
    m_velocity = addSeries(m_velocityAxis, Qt::blue);
    finishGraph(ui.verticalVelocityGraph, nullptr, false);

    m_accelerationAxis = addAxis(ui.liveAccelerationGraph, Qt::red, QStringLiteral("g"));
    m_acceleration = addSeries(m_accelerationAxis, Qt::red);
    finishGraph(ui.liveAccelerationGraph, nullptr, false);

    m_lateralAxis = addAxis(ui.latteralAccelerationGraph, Qt::red, QStringLiteral("g"));
    m_lateralX = addSeries(m_lateralAxis, Qt::red, QStringLiteral("X"));
    m_lateralY = addSeries(m_lateralAxis, Qt::green, QStringLiteral("Y"));
    finishGraph(ui.latteralAccelerationGraph, m_lateralY, true);

    const auto addXYZ = [this](QGraph *graph, Axis *axis, std::array<GraphSeries *, 3> &xyz) {
        xyz = {addSeries(axis, Qt::green, QStringLiteral("X")), addSeries(axis, Qt::blue, QStringLiteral("Y")),
               addSeries(axis, Qt::black, QStringLiteral("Z"))};
        finishGraph(graph, xyz[2], true);
    };
    m_gyroAxis = addAxis(ui.liveGyroGraph, Qt::red, QStringLiteral("dps"));
    addXYZ(ui.liveGyroGraph, m_gyroAxis, m_gyro);
    m_magAxis = addAxis(ui.liveMagGraph, Qt::red, QStringLiteral("T"));
    addXYZ(ui.liveMagGraph, m_magAxis, m_mag);

    m_tiltAxis = addAxis(ui.liveTiltGraph, Qt::red, QStringLiteral("deg."));
    m_tilt = addSeries(m_tiltAxis, Qt::red);
    finishGraph(ui.liveTiltGraph, nullptr, false);

    m_batteryAxis = addAxis(ui.liveBatteryGraph, Qt::red, QStringLiteral("V"));
    m_computerBattery = addSeries(m_batteryAxis, Qt::red, QStringLiteral("Computer"));
    m_ejectionBattery = addSeries(m_batteryAxis, Qt::green, QStringLiteral("Ejection"));
    finishGraph(ui.liveBatteryGraph, m_computerBattery, true);

    m_inputAxis = addAxis(ui.liveInputGraph, Qt::red, QStringLiteral("V"));
    m_lines = {addSeries(m_inputAxis, Qt::red, QStringLiteral("Line A")),
               addSeries(m_inputAxis, Qt::green, QStringLiteral("Line B")),
               addSeries(m_inputAxis, Qt::blue, QStringLiteral("Line C")),
               addSeries(m_inputAxis, Qt::black, QStringLiteral("Line D"))};
    finishGraph(ui.liveInputGraph, m_lines[0], true);

    m_temperatureAxis = addAxis(ui.liveTemperatureGraph, Qt::red);
    m_temperature = addSeries(m_temperatureAxis, Qt::darkMagenta);
    finishGraph(ui.liveTemperatureGraph, m_temperature, false);

    m_rssiAxis = addAxis(ui.RSSIGraph, Qt::red, QStringLiteral("dBm"));
    m_rssi = addSeries(m_rssiAxis, Qt::darkMagenta);
    finishGraph(ui.RSSIGraph, m_rssi, false);

    // One list of time markers for the whole window: a marker placed in any graph shows in all.
    const TimelineList timelines = ui.livePressureGraph->view()->timelines();
    for (QGraph *graph : {ui.livePressureGraph, ui.verticalVelocityGraph, ui.liveAccelerationGraph,
                          ui.latteralAccelerationGraph, ui.liveTemperatureGraph, ui.liveInputGraph, ui.liveMagGraph,
                          ui.liveGyroGraph, ui.RSSIGraph, ui.liveTiltGraph, ui.liveBatteryGraph}) {
        graph->view()->setTimelines(timelines);
        connect(graph->view(), &QGraphView::timelinesUpdated, this, &NUVQORAFlightWidget::updateGraphUI);
    }
}

// The altitude, velocity and temperature units follow the number system and are set with the data.
Axis *NUVQORAFlightWidget::addAxis(QGraph *graph, const QColor &labelColour, const QString &yUnit)
{
    const QPen black(Qt::black);
    auto *axis = new Axis(black, black, black, QPen(labelColour, 1));
    axis->xUnit = QStringLiteral("s");
    axis->yUnit = yUnit;
    graph->append(axis);
    return axis;
}

GraphSeries *NUVQORAFlightWidget::addSeries(Axis *axis, const QColor &colour, const QString &name)
{
    auto *series = new GraphSeries(QPen(colour, 1, Qt::SolidLine), QPen(Qt::black), QBrush(Qt::black), 2.0f);
    series->setName(name);
    axis->series.append(series);
    return series;
}

void NUVQORAFlightWidget::finishGraph(QGraph *graph, GraphSeries *tracked, bool legend)
{
    if (tracked)
        graph->view()->setTracker(tracked);
    if (legend)
        graph->updateLegend();
    graph->view()->optimizeAxis();
}

void NUVQORAFlightWidget::showSettingsReadOnly()
{
    ui.settings->setSettings(m_flight->settings);
    const Ui::SettingsWidgetClass &form = ui.settings->ui;
    for (QWidget *frame : {static_cast<QWidget *>(form.ejectionsFrame), static_cast<QWidget *>(form.flashFrame),
                           static_cast<QWidget *>(form.powerFrame), static_cast<QWidget *>(form.RFFrame),
                           static_cast<QWidget *>(form.transmitterFrame),
                           static_cast<QWidget *>(form.writeMultiplesFrame),
                           static_cast<QWidget *>(form.transmitPrioritiesFrame),
                           static_cast<QWidget *>(form.kalmanFilterFrame)})
        frame->setEnabled(false);
    ConsoleSink::out() << "settings valid: " << m_flight->settings.valid << std::endl;
    if (!m_flight->settings.valid)
        ui.flightTabs->removeTab(ui.flightTabs->indexOf(ui.settingsTab));
}

QList<QGraph *> NUVQORAFlightWidget::graphs() const
{
    return {ui.liveGyroGraph,          ui.liveMagGraph,          ui.liveTiltGraph,
            ui.liveTemperatureGraph,   ui.liveAccelerationGraph, ui.liveInputGraph,
            ui.liveBatteryGraph,       ui.livePressureGraph,     ui.verticalVelocityGraph,
            ui.RSSIGraph,              ui.latteralAccelerationGraph};
}

QList<GraphSeries *> NUVQORAFlightWidget::allSeries() const
{
    QList<GraphSeries *> series;
    for (const QGraph *graph : graphs()) {
        for (const Axis *axis : *graph)
            series += axis->series;
    }
    return series;
}

void NUVQORAFlightWidget::setModified()
{
    setWindowModified(true);
    m_mainWindow->updateMenus();
}

void NUVQORAFlightWidget::optimizeAxes()
{
    for (QGraph *graph : graphs())
        graph->view()->optimizeAxis();
    updateGraphUI();
}

void NUVQORAFlightWidget::updateGraphUI()
{
    for (QGraph *graph : graphs())
        graph->view()->update();
    ui.lateralAccelerationAndVelocityTab->update();
}

void NUVQORAFlightWidget::registerMainWindowUIActions()
{
    using Command = void (NUVQORAFlightWidget::*)();
    const Ui::NUVStudioClass &menus = m_mainWindow->ui;
    const std::pair<QAction *, Command> commands[] = {
        {menus.actionSave, &NUVQORAFlightWidget::save},
        {menus.actionSave_As, &NUVQORAFlightWidget::saveAs},
        {menus.actionExport_to_Excel, &NUVQORAFlightWidget::exportCSV},
        {menus.actionExport_emulation_data, &NUVQORAFlightWidget::exportEmulationData},
        {menus.actionExport_thrust_data, &NUVQORAFlightWidget::exportThrustData},
        {menus.actionAutoTrimAll, &NUVQORAFlightWidget::autoTrimAll},
        {menus.actionTrimTime, &NUVQORAFlightWidget::trimTime},
        {menus.actionZeroTime, &NUVQORAFlightWidget::zeroTime},
    };
    // Every flight window hears every trigger; only the active one acts on it.
    for (const auto &[action, command] : commands) {
        m_mainWindowConnections << connect(action, &QAction::triggered, this, [this, command = command] {
            if (isActiveFlightWindow())
                (this->*command)();
        });
    }
}

bool NUVQORAFlightWidget::isActiveFlightWindow() const
{
    const QMdiSubWindow *window = m_mainWindow->ui.mdiArea->currentSubWindow();
    return window && window->widget() == this;
}

void NUVQORAFlightWidget::populateData()
{
    storeNotes();
    const bool metric = isMetric();
    const float factor = metric ? 1.0f : feetPerMetre;
    resetSeries(metric);

    float groundAltitude = m_flight->groundAltitude();
    const bool groundValid = m_flight->detectLaunch();
    ConsoleSink::out() << "Ground is valid? " << groundValid << " ground: " << groundAltitude << std::endl;

    addEventPoints(groundAltitude, groundValid, factor);
    ConsoleSink::out() << "Start flight time: " << firstTimeOf(*m_flight) << std::endl;
    ConsoleSink::out() << "Launch flight time: " << m_flight->launchTime() << std::endl;
    ConsoleSink::out() << "End flight time: " << m_flight->lastEventTime() << std::endl;
    ConsoleSink::out() << "Populating velocity" << std::endl;
    addSampledPoints(factor);

    optimizeAxes();
    hideSilentSensors();
    populateFigures(metric, groundValid);
    updateGraphUI();
}

void NUVQORAFlightWidget::resetSeries(bool metric)
{
    for (GraphSeries *series : allSeries()) {
        series->points.clear();
        series->resetBounds();
    }
    m_altitudeAxis->annotations.clear();

    m_altitudeAxis->yUnit = metric ? QStringLiteral("m") : QStringLiteral("ft");
    m_velocityAxis->yUnit = metric ? QStringLiteral("m/s") : QStringLiteral("ft/s");
    m_temperatureAxis->yUnit = metric ? QStringLiteral("C") : QStringLiteral("F");

    for (GraphSeries *series : {m_acceleration, m_lateralX, m_lateralY})
        setExtent(series, 10, 1);
    setExtent(m_computerBattery, 10, 10);
    setExtent(m_ejectionBattery, 10, 10);
    setExtent(m_velocity, 10, metric ? 50 : 164.042);
    setExtent(m_altitude, 10, metric ? 1000 : 3280.84);
    setExtent(m_temperature, 10, metric ? 50 : 82);
}

void NUVQORAFlightWidget::addEventPoints(float &groundAltitude, bool groundValid, float factor)
{
    const bool filtered = m_kalmanFiltered->isChecked();
    const bool msl = m_msl->isChecked();
    const bool metric = factor == 1.0f;
    bool groundKnown = groundValid;
    std::array<bool, markerCount> placed{};
    const SampleTable &markerAltitudes = filtered ? m_flight->kalmanAltitude : m_flight->pressureAltitude;

    for (const std::unique_ptr<NUVEvent> &event : m_flight->events) {
        const float t = event->time;
        switch (event->code()) {
        case NUVEventCode::AccelZ:
            addPoint(m_acceleration, t, event->as<NUVEvent_AccelZ>()->acceleration);
            break;
        case NUVEventCode::AccelXY: {
            const auto &lateral = *event->as<NUVEvent_AccelXY>();
            addPoint(m_lateralX, t, lateral.x);
            addPoint(m_lateralY, t, lateral.y);
            break;
        }
        case NUVEventCode::GyroXYZ: {
            const auto &gyro = *event->as<NUVEvent_GyroXYZ>();
            addPoint(m_gyro[0], t, gyro.x);
            addPoint(m_gyro[1], t, gyro.y);
            addPoint(m_gyro[2], t, gyro.z);
            break;
        }
        case NUVEventCode::Orientation:
            addPoint(m_tilt, t, tiltOf(*event->as<NUVEvent_Orientation>()));
            break;
        case NUVEventCode::MagXYZ: {
            const auto &mag = *event->as<NUVEvent_MagXYZ>();
            addPoint(m_mag[0], t, mag.x);
            addPoint(m_mag[1], t, mag.y);
            addPoint(m_mag[2], t, mag.z);
            break;
        }
        case NUVEventCode::Pressure: {
            const float altitude = pressureAltitudeOf(event->as<NUVEvent_Pressure>()->pressure);
            // Without a launch the first reading stands for the ground.
            if (!groundKnown) {
                groundAltitude = altitude;
                groundKnown = true;
            }
            if (!filtered)
                addPoint(m_altitude, t, (altitude - (msl ? 0.0f : groundAltitude)) * factor);
            break;
        }
        case NUVEventCode::Temperature: {
            const float celsius = event->as<NUVEvent_Temperature>()->temperature;
            addPoint(m_temperature, t, metric ? celsius : celsius * 1.8f + 32.0f);
            break;
        }
        case NUVEventCode::ComputerBattery:
            addPoint(m_computerBattery, t, event->as<NUVEvent_ComputerBattery>()->voltage);
            break;
        case NUVEventCode::EjectionBattery:
            addPoint(m_ejectionBattery, t, event->as<NUVEvent_EjectionBattery>()->voltage);
            break;
        case NUVEventCode::LineA:
            addPoint(m_lines[0], t, event->as<NUVEvent_LineA>()->voltage);
            break;
        case NUVEventCode::LineB:
            addPoint(m_lines[1], t, event->as<NUVEvent_LineB>()->voltage);
            break;
        case NUVEventCode::LineC:
            addPoint(m_lines[2], t, event->as<NUVEvent_LineC>()->voltage);
            break;
        case NUVEventCode::LineD:
            addPoint(m_lines[3], t, event->as<NUVEvent_LineD>()->voltage);
            break;
        case NUVEventCode::RSSI:
            addPoint(m_rssi, t, event->as<NUVEvent_RSSI>()->rssi);
            break;
        case NUVEventCode::Status: {
            const auto &status = *event->as<NUVEvent_Status>();
            const bool reached[markerCount] = {status.state >= FlightPhase::Boost,
                                               status.state >= FlightPhase::ApogeeOrDescent,
                                               status.lineOn[0], status.lineOn[1], status.lineOn[2],
                                               status.lineOn[3]};
            for (int marker = 0; marker < markerCount; ++marker) {
                if (!reached[marker] || placed[marker])
                    continue;
                const float altitude =
                    (NUVQORAFlight::sampleAt(markerAltitudes, t).value - (msl ? 0.0f : groundAltitude)) * factor;
                m_altitudeAxis->annotations.append({QPointF(t, altitude), QLatin1String(markerTexts[marker])});
                placed[marker] = true;
            }
            break;
        }
        default:
            break;
        }
    }
}

void NUVQORAFlightWidget::addSampledPoints(float factor)
{
    // Over the processed span only: a damaged time in front, or an end cached from elsewhere,
    // would spend every point outside the flight.
    const float start = m_flight->firstEventTime();
    const float end = m_flight->processedEndTime();
    everySampleStep(start, end, [this, factor](float t) {
        addPoint(m_velocity, t, NUVQORAFlight::sampleAt(m_flight->velocity, t).value * factor);
    });
    if (!m_kalmanFiltered->isChecked())
        return;
    const SampleTable &filtered = m_flight->kalmanAltitude;
    // The filter's own ground, taken before its first step, is the reference above ground.
    const float offset = m_msl->isChecked() ? 0.0f : NUVQORAFlight::sampleAt(filtered, start - 5.0f).value;
    everySampleStep(start, end, [this, &filtered, offset, factor](float t) {
        addPoint(m_altitude, t, (NUVQORAFlight::sampleAt(filtered, t).value - offset) * factor);
    });
}

// Sensors that sent nothing get no graph; a removed tab or hidden frame stays so.
void NUVQORAFlightWidget::hideSilentSensors()
{
    const auto silent = [](std::initializer_list<const GraphSeries *> series) {
        return std::all_of(series.begin(), series.end(), [](const GraphSeries *s) { return s->points.isEmpty(); });
    };
    const bool noRssi = silent({m_rssi});
    const bool noLines = silent({m_lines[0], m_lines[1], m_lines[2], m_lines[3]});
    const bool noBatteries = silent({m_computerBattery, m_ejectionBattery});
    const bool noGyro = silent({m_gyro[0], m_gyro[1], m_gyro[2]});
    const bool noMag = silent({m_mag[0], m_mag[1], m_mag[2]});
    if (noRssi)
        ui.RSSIFrame->hide();
    if (noLines)
        ui.auxFrame->hide();
    if (noBatteries)
        ui.batteryFrame->hide();
    if (noGyro)
        ui.gyroFrame->hide();
    if (noMag)
        ui.magFrame->hide();
    const auto removeTab = [this](QWidget *page) {
        const int index = ui.flightTabs->indexOf(page);
        if (index >= 0)
            ui.flightTabs->removeTab(index);
    };
    if (noGyro && noMag)
        removeTab(ui.gyroAndMagTab);
    if (noBatteries && noLines)
        removeTab(ui.inputsAndPowerTab);
}

void NUVQORAFlightWidget::populateFigures(bool metric, bool launchDetected)
{
    const FlightFigures figures(*m_flight, metric);
    ui.dateLabel->setText(figures.date);
    ui.latLabel->setText(figures.latitude);
    ui.longLabel->setText(figures.longitude);
    if (m_flight->name() != m_notesSource)
        showNotes();
    ui.boostTimeLabel->setText(figures.boostTime);
    ui.coastTimeLabel->setText(figures.coastTime);
    ui.totalFlightTimeLabel->setText(figures.totalFlightTime);
    ui.maxAltitudeAGLLabel->setText(figures.maxAltitude);
    ui.maxVelocityLabel->setText(figures.maxVelocity);
    ui.maxVerticalAccelerationLabel->setText(figures.maxVerticalAcceleration);
    ui.maxXRollLabel->setText(figures.maxXRoll);
    ui.maxYRollLabel->setText(figures.maxYRoll);
    ui.maxZRollLabel->setText(figures.maxZRoll);
    ui.maxLatteralAccelerationLabel->setText(figures.maxLateralAcceleration);
    const NUVQORASettings &settings = m_flight->settings;
    if (settings.valid)
        ui.firmwareVersionLabel->setText(FlightFigures::firmwareVersion(settings.firmwareVersion()));
    if (m_flight->accelInverted)
        ui.orientationLabel->setText(QStringLiteral("RF antenna up (inverted)"));

    const QList<QWidget *> rows = ui.flightInfoFrame->findChildren<QWidget *>();
    if (!launchDetected) {
        for (QWidget *widget : rows) {
            if (widget->property("validFlightSpecific").toBool())
                widget->hide();
        }
    }
    if (!settings.valid && ui.firmwareVersionLabel) {
        for (QWidget *widget : rows) {
            if (widget->property("validQORASpecific").toBool())
                delete widget;
        }
        // The form must not keep pointers to what is gone.
        ui.line_2 = nullptr;
        ui.label = nullptr;
        ui.firmwareVersionLabel = nullptr;
    }
}

bool NUVQORAFlightWidget::askSaveFlight()
{
    if (!isWindowModified())
        return false;
    UserDialogs::Message question;
    question.icon = QMessageBox::Warning;
    question.title = windowTitle().remove(QStringLiteral("[*]"));
    question.text = tr("Flight not saved");
    question.informativeText = tr("Would you like to save this flight?");
    question.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    question.defaultButton = QMessageBox::Yes;
    switch (UserDialogs::current().message(question)) {
    case QMessageBox::Yes:
        // A save that was cancelled or failed keeps the window and its changes.
        return !saveToChosenFile();
    case QMessageBox::No:
        return false;
    default:
        return true;
    }
}

void NUVQORAFlightWidget::autoTrimAll()
{
    if (!m_flight->detectLaunch()) {
        UserDialogs::critical(this, tr("Auto trim"),
                              tr("Can't perform auto trim. The flight data is either not sufficient or this is not "
                                 "an actual flight"));
        return;
    }
    m_flight->autoTrim();
    populateData();
    populateGPSData();
    focusOnTarget();
    setModified();
}

void NUVQORAFlightWidget::trimTime()
{
    const std::optional<double> start =
        askTime(tr("Enter start time to trim to"), tr("Start time"), firstTimeOf(*m_flight));
    if (!start)
        return;
    const std::optional<double> end = askTime(tr("Enter end time to trim to"), tr("End time"), lastTimeOf(*m_flight));
    if (!end)
        return;
    m_flight->trim(float(*start), float(*end));
    afterTimeAxisChange();
}

void NUVQORAFlightWidget::zeroTime()
{
    const std::optional<double> zero =
        askTime(tr("Enter start time to zero to"), tr("Start time"), firstTimeOf(*m_flight));
    if (!zero)
        return;
    m_flight->shiftTime(float(*zero));
    afterTimeAxisChange();
}

std::optional<double> NUVQORAFlightWidget::askTime(const QString &title, const QString &label, double value)
{
    return UserDialogs::current().number({this, title, label, value, -timeLimit, timeLimit, 3});
}

void NUVQORAFlightWidget::afterTimeAxisChange()
{
    populateData();
    populateGPSData();
    setModified();
}

void NUVQORAFlightWidget::save()
{
    if (windowFilePath().isEmpty())
        saveToChosenFile();
    else
        writeFlight(windowFilePath());
}

void NUVQORAFlightWidget::saveAs()
{
    saveToChosenFile();
}

bool NUVQORAFlightWidget::saveToChosenFile()
{
    const QString path =
        FlightExportCommand::askPath(this, tr("Save NUV QORA flight"), tr("NUV QORA flights (*.qora)"));
    return !path.isEmpty() && writeFlight(path);
}

bool NUVQORAFlightWidget::writeFlight(const QString &path)
{
    storeNotes();
    if (!m_flight->save(path.toStdWString())) {
        UserDialogs::critical(this, tr("Could not save flight"), path);
        return false;
    }
    UserDialogs::information(this, tr("Flight saved!"), path);
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral("[*]"));
    setWindowFilePath(path);
    setWindowModified(false);
    m_mainWindow->updateMenus();
    return true;
}

void NUVQORAFlightWidget::showNotes()
{
    const QSignalBlocker quiet(ui.flightNotes); // showing the flight's notes is no edit
    m_notesSource = m_flight->name();
    ui.flightNotes->setPlainText(QString::fromStdString(m_notesSource));
    m_notesShown = ui.flightNotes->toPlainText();
}

void NUVQORAFlightWidget::storeNotes()
{
    // Notes nobody edited keep their stored bytes (line ends, text that is not UTF-8).
    const QString notes = ui.flightNotes->toPlainText();
    if (notes == m_notesShown)
        return;
    m_flight->setName(notes.toStdString());
    m_notesSource = m_flight->name();
    m_notesShown = notes;
}

void NUVQORAFlightWidget::exportKML()
{
    FlightExportCommand::exportKML(this, *m_flight);
}

void NUVQORAFlightWidget::exportCSV()
{
    const FlightExportCommand command{tr("Export flight to Excel"), tr("CSV files (*.csv)"),
                                      tr("Flight data exported!"), tr("Could not export flight data")};
    command.run(this, [this](const std::wstring &path) { return m_flight->exportCSV(path); });
}

void NUVQORAFlightWidget::exportEmulationData()
{
    const FlightExportCommand command{tr("Export emulation data"), tr("CSV files (*.csv)"), tr("Data exported!"),
                                      tr("Could not export data")};
    command.run(this, [this](const std::wstring &path) { return m_flight->exportEmulationData(path); });
}

void NUVQORAFlightWidget::exportThrustData()
{
    const QString title = tr("Export thrust data");
    const std::optional<double> totalMass = UserDialogs::current().number(
        {this, title, tr("Total rocket mass (including propellent) [kg]"), 10.0, 0.001, 100000.0, 3});
    if (!totalMass)
        return;
    const std::optional<double> propellantMass =
        UserDialogs::current().number({this, title, tr("Total propellent mass [kg]"), 1.0, 0.001, 100000.0, 3});
    if (!propellantMass)
        return;
    const FlightExportCommand command{title, tr("CSV files (*.csv)"), tr("Data exported!"), tr("Could not export data")};
    // The drag is estimated from the coast, which a flight without a launch does not have.
    const QString reason = m_flight->detectLaunch()
        ? QString()
        : tr("The flight has no detected launch and coast to estimate the drag from.");
    command.run(
        this,
        [&](const std::wstring &path) {
            return m_flight->exportThrustData(path, float(*totalMass), float(*propellantMass));
        },
        reason);
}

void NUVQORAFlightWidget::populateGPSData()
{
    for (const QString &script : FlightTrackScripts::build(*m_flight, ui.kalmanFilteredAltitude->isChecked()))
        m_map.run(script);
}

void NUVQORAFlightWidget::focusOnTarget()
{
    m_map.flyTo();
}
