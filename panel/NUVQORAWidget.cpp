#include "NUVQORAWidget.h"

#include "Axis.h"
#include "LiveGraphModel.h"
#include "LiveKml.h"
#include "NUVStudio.h"
#include "QGraphView.h"
#include "UserDialogs.h"
#include "WebServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSettings>
#include <QSignalMapper>
#include <QThread>
#include <QTimer>

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr int LivePollIntervalMs = 10;
const QString LiveKmlPath = QStringLiteral("QORA/temp/QORA.kml");
constexpr int AttitudeIntervalMs = 5;
// The first firmware whose Kalman filter can be told to ignore the pressure sensor.
constexpr uint16_t KalmanFilterFirmwareVersion = 0x202;

} // namespace

NUVQORAWidget::NUVQORAWidget(NUVStudio *mainWindow)
    : m_mainWindow(mainWindow)
{
    ui.setupUi(this);
    m_map = MapPage(ui.webView, 6, MapPage::BareCalls::Guarded);
    m_metric = m_mainWindow->settings()->value(QStringLiteral("numberSystem"), 0).toInt() == 0;
    const QUrl mapPage = WebServer::url(QStringLiteral("QORA.html"));
    if (mapPage.isValid())
        ui.webView->load(mapPage);
    m_network = new QNetworkAccessManager(this);
    // Written from a thread of its own: on a busy disk a write holds up its thread for tens of
    // milliseconds, and the GUI thread must keep up with the device.
    m_liveKml = new LiveKml(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(LiveKmlPath),
                            {QStringLiteral("Current"), 8, QStringLiteral(",100")}, this);
    connect(m_liveKml, &LiveKml::failed, this, &NUVQORAWidget::appendConsoleNL);
    buildGraphs();

    m_deviceControls = {ui.readSettings,     ui.writeSettings,   ui.resetSettings,   ui.calibrationFrame,
                        ui.downloadFlights,  ui.clearDevice,     ui.gpsControlFrame, ui.lineControlFrame,
                        ui.loadSelectedFlight, ui.emulateLaunch};

    m_workerThread = new QThread(this);
    m_interface = new NUVQORAInterface;
    m_interface->moveToThread(m_workerThread);
    connectInterface();
    // Started once the interface is built, moved and wired: the thread's start then hands all
    // of it to the worker, in a way ThreadSanitizer can follow.
    m_workerThread->start(QThread::InheritPriority);
    startTimers();
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::attemptConnection, Qt::QueuedConnection);
    checkForUpdates();
}

NUVQORAWidget::~NUVQORAWidget()
{
    // Neither the loader nor the update check may call back into a window half torn down or
    // into the interface once it is gone.
    m_loader.disconnect(this);
    if (m_loader.state() != QProcess::NotRunning) {
        m_loader.kill();
        m_loader.waitForFinished();
    }
    for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>())
        reply->disconnect(this);

    // A running download stops at its next chunk, an emulation at its next row.
    m_interface->abortOperations();
    m_workerThread->exit(0);
    m_workerThread->wait();
    m_interface->closeDevices();
    delete m_workerThread;
    delete m_interface;
}

NUVQORAInterface *NUVQORAWidget::deviceInterface() const
{
    return m_interface;
}

void NUVQORAWidget::buildGraphs()
{
    using R = LiveReadings;
    m_readings = LiveReadings(LiveReadings::Options::deviceWindow(m_metric));
    m_labels = LiveLabels(m_mainWindow->ui, ui);

    const QString pressureUnit = m_metric ? QStringLiteral("Pa") : QStringLiteral("inHg");
    const QString altitudeUnit = m_metric ? QStringLiteral("m") : QStringLiteral("ft");
    const QString temperatureUnit = QStringLiteral("\u00B0") + (m_metric ? "C" : "F");
    const QPointF altitudeExtent(100, m_metric ? 1000 : 3000);
    const QList<LiveGraphModel> graphs = {
        {ui.livePressureGraph, pressureUnit, {{R::Pressure, Qt::red}}, {100, m_metric ? 110000.0 : 32.0}},
        {ui.altitudePreviewGraph, altitudeUnit, {{R::Unplotted, Qt::blue}}, altitudeExtent},
        {ui.liveAltitudeGraph, altitudeUnit, {{R::Altitude, Qt::blue}}, altitudeExtent},
        {ui.liveAccelerationGraph, "g", LiveGraphModel::xyz(R::AccelerationX), {100, 1}},
        {ui.liveGyroGraph, "dps", LiveGraphModel::xyz(R::GyroX), {100, 90}, {0, -90}},
        {ui.liveMagGraph, "T", LiveGraphModel::xyz(R::MagX), {100, 1e-6}, {0, -1e-6}},
        {ui.liveBatteryGraph, "V", LiveGraphModel::batteries(), {100, 10}},
        {ui.liveInputGraph, "V", LiveGraphModel::outputLines(1), {100, 6}},
        {ui.liveTemperatureGraph, temperatureUnit, {{R::Temperature, Qt::darkMagenta}}, {100, m_metric ? 50.0 : 100.0}},
    };
    for (const LiveGraphModel &graph : graphs)
        graph.build(m_readings);
    m_preview = ui.altitudePreviewGraph->first()->series.first();

    // A time marker set in one live graph shows in all of them.
    const TimelineList timelines = ui.liveAltitudeGraph->view()->timelines();
    for (QGraph *graph : liveGraphs())
        graph->view()->setTimelines(timelines);
}

QList<QGraph *> NUVQORAWidget::liveGraphs() const
{
    return {ui.liveAltitudeGraph, ui.livePressureGraph, ui.liveAccelerationGraph, ui.liveTemperatureGraph,
            ui.liveInputGraph,    ui.liveMagGraph,      ui.liveGyroGraph,         ui.liveBatteryGraph};
}

void NUVQORAWidget::connectInterface()
{
    NUVQORAInterface *link = m_interface;
    connect(link, &NUVQORAInterface::accelZEventRead, this, &NUVQORAWidget::accelZEventRead);
    connect(link, &NUVQORAInterface::accelXYEventRead, this, &NUVQORAWidget::accelXYEventRead);
    connect(link, &NUVQORAInterface::gyroXYZEventRead, this, &NUVQORAWidget::gyroXYZEventRead);
    connect(link, &NUVQORAInterface::magXYZEventRead, this, &NUVQORAWidget::magXYZEventRead);
    connect(link, &NUVQORAInterface::pressureEventRead, this, &NUVQORAWidget::pressureEventRead);
    connect(link, &NUVQORAInterface::compBatEventRead, this, &NUVQORAWidget::compBatEventRead);
    connect(link, &NUVQORAInterface::ejectBatEventRead, this, &NUVQORAWidget::ejectBatEventRead);
    connect(link, &NUVQORAInterface::temperatureEventRead, this, &NUVQORAWidget::temperatureEventRead);
    connect(link, &NUVQORAInterface::textEventRead, this, &NUVQORAWidget::textEventRead);
    connect(link, &NUVQORAInterface::gpsLLSolEventRead, this, &NUVQORAWidget::gpsLLSolEventRead);
    connect(link, &NUVQORAInterface::identEventRead, this, &NUVQORAWidget::identEventRead);
    connect(link, &NUVQORAInterface::statusEventRead, this, &NUVQORAWidget::statusEventRead);
    connect(link, &NUVQORAInterface::gpsTimeEventRead, this, &NUVQORAWidget::gpsTimeEventRead);
    connect(link, &NUVQORAInterface::inputAEventRead, this, &NUVQORAWidget::inputAEventRead);
    connect(link, &NUVQORAInterface::inputBEventRead, this, &NUVQORAWidget::inputBEventRead);
    connect(link, &NUVQORAInterface::inputCEventRead, this, &NUVQORAWidget::inputCEventRead);
    connect(link, &NUVQORAInterface::inputDEventRead, this, &NUVQORAWidget::inputDEventRead);
    // The interface cannot know this class: it reports console lines and the state of the
    // controls as signals, queued like every call it makes into the window.
    connect(link, &NUVQORAInterface::consoleMessage, this, &NUVQORAWidget::appendConsoleNL, Qt::QueuedConnection);
    connect(link, &NUVQORAInterface::controlsEnableRequested, this, &NUVQORAWidget::enableControls,
            Qt::QueuedConnection);

    connect(ui.readSettings, &QPushButton::clicked, link, &NUVQORAInterface::readDeviceSettings, Qt::QueuedConnection);
    connect(ui.writeSettings, &QPushButton::clicked, this, &NUVQORAWidget::writeDeviceSettings);
    connect(ui.resetSettings, &QPushButton::clicked, link, &NUVQORAInterface::resetDeviceSettings);
    connect(ui.calibrateAltitudefromGPS, &QPushButton::clicked, this, &NUVQORAWidget::calibrateAltitudefromGPS);
    connect(ui.calibratePressure, &QPushButton::clicked, this, &NUVQORAWidget::calibratePressure);
    connect(link, &NUVQORAInterface::settingsRead, this, &NUVQORAWidget::settingsRead);
    connect(ui.viewStoredAlmanacs, &QPushButton::clicked, link, &NUVQORAInterface::viewStoredAlmanacs);
    connect(ui.storeAlmanacs, &QPushButton::clicked, link, &NUVQORAInterface::storeAlmanacs);
    connect(ui.uploadAlmanacs, &QPushButton::clicked, link, &NUVQORAInterface::uploadAlmanacs);
    connect(ui.clearSVData, &QPushButton::clicked, link, &NUVQORAInterface::clearSVData);
    connect(ui.emulateLaunch, &QPushButton::clicked, this, &NUVQORAWidget::emulateLaunch);
    connect(ui.stopEmulation, &QPushButton::clicked, this, &NUVQORAWidget::stopEmulation);
    connect(link, &NUVQORAInterface::emulationComplete, this, &NUVQORAWidget::emulationComplete);

    auto *lineMapper = new QSignalMapper(this);
    connect(lineMapper, &QSignalMapper::mappedInt, link, &NUVQORAInterface::fireLine);
    const QList<QPushButton *> fireButtons = {ui.fireLineA, ui.fireLineB, ui.fireLineC, ui.fireLineD};
    for (int line = 0; line < fireButtons.size(); ++line) {
        connect(fireButtons[line], &QPushButton::clicked, lineMapper, qOverload<>(&QSignalMapper::map));
        lineMapper->setMapping(fireButtons[line], line);
    }

    qRegisterMetaType<std::shared_ptr<NUVQORAFlight>>("std::shared_ptr<NUVQORAFlight>");
    connect(ui.downloadFlights, &QPushButton::clicked, this, &NUVQORAWidget::downloadFlights);
    connect(ui.clearDevice, &QPushButton::clicked, this, &NUVQORAWidget::clearFlightData);
    connect(link, &NUVQORAInterface::flightDataCleared, this, &NUVQORAWidget::flightDataCleared);
    connect(ui.loadSelectedFlight, &QPushButton::clicked, this, &NUVQORAWidget::loadSelectedFlight);
    connect(link, &NUVQORAInterface::flightDownloadProgress, this, &NUVQORAWidget::flightDownloadProgress);
    connect(link, &NUVQORAInterface::flightDownloaded, this,
            [this](std::shared_ptr<NUVQORAFlight> flight) { flightDownloaded(flight); });
    connect(ui.flightsTable, &QTableWidget::itemSelectionChanged, this, &NUVQORAWidget::flightSelectionChanged);
    connect(ui.updateFirmware, &QPushButton::clicked, this, &NUVQORAWidget::updateFirmware);
    connect(link, &NUVQORAInterface::firmwareLeftForUpdate, this, &NUVQORAWidget::continueFirmwareUpdate,
            Qt::QueuedConnection);
    connect(ui.focusOnTarget, &QPushButton::clicked, this, &NUVQORAWidget::focusOnTarget);
    connect(link, &NUVQORAInterface::firmwareInitialized, this, &NUVQORAWidget::firmwareInitialized);
    connect(link, &NUVQORAInterface::firmwareInitialized, link, &NUVQORAInterface::readDeviceSettings);
    connect(link, &NUVQORAInterface::firmwareDisconnected, this, &NUVQORAWidget::firmwareDisconnected);
    connect(ui.mainTabs, &QTabWidget::currentChanged, this, &NUVQORAWidget::tabChanged);
    connect(&m_loader, &QProcess::readyReadStandardOutput, this, &NUVQORAWidget::firmwareUpdateOutputAvailable);
    connect(&m_loader, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &NUVQORAWidget::firmwareUpdateComplete);
    connect(&m_loader, &QProcess::errorOccurred, this, qOverload<QProcess::ProcessError>(&NUVQORAWidget::updateError));
}

void NUVQORAWidget::startTimers()
{
    auto *livePoll = new QTimer(this);
    connect(livePoll, &QTimer::timeout, m_interface, &NUVQORAInterface::readLiveEvents, Qt::QueuedConnection);
    livePoll->start(LivePollIntervalMs);

    auto *attitude = new QTimer(this);
    connect(attitude, &QTimer::timeout, this, [this] {
        ui.orientation->setOrientation(m_interface->currentOrientation());
        ui.orientation->update();
    });
    attitude->start(AttitudeIntervalMs);
}

void NUVQORAWidget::exception(int, QString, QString, QString)
{
    MapPage::reportException();
}

void NUVQORAWidget::browserNavigateComplete(QString)
{
    // Does nothing by design: kept so that the window offers its full set of slots.
}

void NUVQORAWidget::tabChanged(int)
{
    {
        // A device operation holds the mutex only while the firmware is open; switching tabs
        // then must not wait for it to end.
        std::unique_lock<std::recursive_mutex> lock(m_interface->deviceMutex(), std::try_to_lock);
        if (!lock.owns_lock() || m_interface->isOpen())
            return;
        m_interface->setAutoStartFirmware(true);
    }
    // A device that does not answer holds the attempt for seconds.
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::attemptConnection, Qt::QueuedConnection);
}

// Asked when the interface has reported the firmware closed. While the worker holds the mutex,
// it is in a connection attempt or in what follows one, and reports a firmware it opens with
// firmwareInitialized: the window does not wait for it.
bool NUVQORAWidget::firmwareOpen()
{
    std::unique_lock<std::recursive_mutex> lock(m_interface->deviceMutex(), std::try_to_lock);
    return lock.owns_lock() && m_interface->isOpen();
}

void NUVQORAWidget::showConnectionState(bool firmwareOpen)
{
    m_mainWindow->ui.firmConnImg_CtrlPanel->setPixmap(QPixmap(firmwareOpen ? QStringLiteral(":/NUVStudio/Resources/Connected.png")
                                                                          : QStringLiteral(":/NUVStudio/Resources/Disconnected.png")));
}

void NUVQORAWidget::enableControls(bool enabled)
{
    const bool on = enabled && m_firmwareReady;
    for (QWidget *control : qAsConst(m_deviceControls))
        control->setEnabled(on);
}

void NUVQORAWidget::appendConsoleNL(QString s)
{
    QPlainTextEdit *console = m_mainWindow->ui.console;
    console->appendPlainText(s);
    const QScrollBar *scrollBar = console->verticalScrollBar();
    if (scrollBar->value() == scrollBar->maximum())
        console->moveCursor(QTextCursor::End);
}

void NUVQORAWidget::firmwareInitialized()
{
    m_mainWindow->ui.statusBar->showMessage(tr("NUV QORA connected"), 2000);
    m_readings.clear();
    for (QGraph *graph : liveGraphs())
        graph->view()->update();

    uint16_t version;
    bool open;
    {
        const Lock lock(m_interface->deviceMutex());
        version = m_interface->attributes().versionNumber;
        open = m_interface->isOpen();
    }
    if (version < NUVQORADevice::Identity.firmwareVersion) {
        m_firmwareReady = false;
        enableControls(false);
        UserDialogs::Message outdated;
        outdated.icon = QMessageBox::Warning;
        outdated.text = tr("Your firmware is outdated! It is important for device reliability to always have the "
                           "latest firmware.");
        outdated.informativeText = tr("Would you like to update now? This will clear all flight data from the device, "
                                      "and reet the settings to their defaults.")
            + "\r\n" + tr("You can always update later if you would like to first download your existing flight data.");
        outdated.buttons = QMessageBox::Yes | QMessageBox::Cancel;
        outdated.defaultButton = QMessageBox::Yes;
        if (UserDialogs::current().message(outdated) == QMessageBox::Yes)
            updateFirmware();
        // Closed until the next connection, after the update's first step if one was asked for:
        // no commands, no live polling on an outdated firmware.
        QMetaObject::invokeMethod(
            m_interface,
            [link = m_interface] {
                const Lock lock(link->deviceMutex());
                link->close();
            },
            Qt::QueuedConnection);
    } else {
        m_firmwareReady = open;
        enableControls(true);
        showConnectionState(open);
    }
    ui.settings->ui.kalmanFilterFrame->setEnabled(version >= KalmanFilterFirmwareVersion);
}

void NUVQORAWidget::firmwareDisconnected()
{
    m_firmwareReady = false;
    enableControls(false);
    showConnectionState(firmwareOpen());
}
