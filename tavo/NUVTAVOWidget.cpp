#include "NUVTAVOWidget.h"

#include "Axis.h"
#include "ConsoleSink.h"
#include "FlightRecorder.h"
#include "GraphSeries.h"
#include "LiveGraphModel.h"
#include "LiveKml.h"
#include "NUVStudio.h"
#include "QGraphView.h"
#include "VerticalBarTextStyle.h"
#include "Voice.h"
#include "WebServer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <ostream>

namespace {

constexpr int PacketIndicatorIntervalMs = 100;
constexpr int FirstAllocationDelayMs = 10000;
constexpr int AutosaveIntervalMs = 10000;
constexpr int LiveLaunchIntervalMs = 1000;
constexpr int VoiceReadyDelayMs = 1000;
const QString LiveKmlPath = QStringLiteral("TAVO/temp/TAVO.kml");

} // namespace

NUVTAVOWidget::NUVTAVOWidget(QMainWindow *window)
    : m_mainWindow(static_cast<NUVStudio *>(window))
{
    ui.setupUi(this);
    m_map = MapPage(ui.webView, 10, MapPage::BareCalls::SilentInGuard);
    m_metric = m_mainWindow->settings()->value(QStringLiteral("numberSystem"), 0).toInt() == 0;
    const QUrl mapPage = WebServer::url(QStringLiteral("TAVO.html"));
    if (mapPage.isValid())
        ui.webView->load(mapPage);
    m_liveDataManager = new QNetworkAccessManager(this);
    buildGraphs();

    m_workerThread = new QThread(this);
    m_radio = new NUVTAVOInterface;
    m_radio->setConnectionLabel(m_mainWindow->ui.firmConnImg_CtrlPanel);
    // The link goes in its own thread, and its thread with it.
    connect(
        m_radio, &QObject::destroyed, m_workerThread,
        [this] {
            const std::lock_guard<std::mutex> gone(m_radioGone);
            m_workerThread->quit();
        },
        Qt::DirectConnection);
    m_radio->moveToThread(m_workerThread);
    m_recorder = new FlightRecorder(this);
    m_liveKml = new LiveKml(LiveKmlPath, {QStringLiteral("QORA via TAVO"), 10, QString()}, this);
    connect(m_liveKml, &LiveKml::failed, this, &NUVTAVOWidget::reportOnConsole);

    ui.liveLaunchFrame->hide();
    auto *barStyle = new VerticalBarTextStyle;
    barStyle->setParent(this); // after the form: it outlives the bar when the window's children go
    ui.connectedSatsWidget->setStyle(barStyle);
    // The map takes the room the GPS figures leave.
    ui.splitter_5->setStretchFactor(0, 0);
    ui.splitter_5->setStretchFactor(1, 1);
    connectRadio();
    // Started once the link is built, moved and wired, so that the thread's start hands all of
    // it over, and ThreadSanitizer sees that hand-over.
    m_workerThread->start(QThread::InheritPriority);
    startTimers();
    startVoice();
}

NUVTAVOWidget::~NUVTAVOWidget()
{
    m_spVoice.reset();
    // The loader may not report into a window half torn down.
    m_firmwareUpdater.disconnect(this);
    if (m_firmwareUpdater.state() != QProcess::NotRunning) {
        m_firmwareUpdater.kill();
        m_firmwareUpdater.waitForFinished();
    }
    // Saves asked for are written while the window is whole.
    delete m_recorder;
    // Queued behind what the worker has not yet run (the hand-over of the link's poll timer
    // among it), so that nothing posted to it is dropped unrun. Posted straight, not through
    // a queued call: a call's slot object made here would be freed by the worker after it ran.
    m_radio->deleteLater();
    m_workerThread->wait();
    // Qt's wait may learn of the thread's end without a hand-over ThreadSanitizer can see; this
    // lock follows the one taken when the link was gone.
    const std::lock_guard<std::mutex> gone(m_radioGone);
}

NUVTAVOInterface *NUVTAVOWidget::radioLink() const
{
    return m_radio;
}

const NUVQORAFlight &NUVTAVOWidget::recordedFlight() const
{
    return m_recordedFlight;
}

void NUVTAVOWidget::buildGraphs()
{
    using R = LiveReadings;
    m_readings = LiveReadings(LiveReadings::Options::liveWindow(m_metric));
    m_labels = LiveLabels(m_mainWindow->ui, ui);

    const QString pressureUnit = m_metric ? QStringLiteral("Pa") : QStringLiteral("inHg");
    const QString distance = m_metric ? QStringLiteral("m") : QStringLiteral("ft");
    const QString degrees = QStringLiteral("\u00B0") + (m_metric ? "C" : "F");
    const QList<LiveGraphModel::Line> lateral = {{R::AccelerationX, Qt::red}, {R::AccelerationY, Qt::green}};
    const QPointF temperatureExtent(10, m_metric ? 50 : 100);
    const double track = m_metric ? 500 : 1500;
    const QPointF none;
    const QList<LiveGraphModel> graphs = {
        {ui.livePressureGraph, pressureUnit, {{R::Pressure, Qt::red}}, {10, m_metric ? 110000.0 : 33.0}, none, Qt::red},
        {ui.liveAltitudeGraph, distance, {{R::Altitude, Qt::blue}}, {10, m_metric ? 1000.0 : 3000.0}, none, Qt::blue},
        {ui.liveAccelerationGraph, "g", {{R::AccelerationZ, Qt::red}}, {10, 1}, none, Qt::red},
        {ui.liveLateralAccelerationGraph, "g", lateral, {10, 1}, none, Qt::red},
        {ui.liveGyroGraph, "dps", LiveGraphModel::xyz(R::GyroX), {10, 90}, {10, -90}, Qt::red, 2},
        {ui.liveMagGraph, "T", LiveGraphModel::xyz(R::MagX), {10, 0.000001}, {0, -0.000001}, Qt::red, 2},
        {ui.liveBatteryGraph, "V", LiveGraphModel::batteries(), {10, 10}, none, Qt::red},
        {ui.liveInputGraph, "V", LiveGraphModel::outputLines(2), {10, 6}, none, Qt::red},
        {ui.liveTemperatureGraph, degrees, {{R::Temperature, Qt::darkMagenta}}, temperatureExtent, none, Qt::red},
        {ui.liveRSSIGraph, "dBm", {{R::Rssi, Qt::darkMagenta}}, {10, 0}, {10, -140}, Qt::red},
        {ui.gpsGraph, distance, {{R::Unplotted, Qt::blue}}, {track, track}, {-track, -track}, Qt::red, 0, distance},
    };
    for (const LiveGraphModel &graph : graphs)
        graph.build(m_readings);
    m_groundTrack = ui.gpsGraph->first()->series.first();
}

void NUVTAVOWidget::connectRadio()
{
    NUVTAVOInterface *radio = m_radio;
    connect(radio, &NUVTAVOInterface::accelZEventRead, this, &NUVTAVOWidget::accelZEventRead);
    connect(radio, &NUVTAVOInterface::accelXYEventRead, this, &NUVTAVOWidget::accelXYEventRead);
    connect(radio, &NUVTAVOInterface::gyroXYZEventRead, this, &NUVTAVOWidget::gyroXYZEventRead);
    connect(radio, &NUVTAVOInterface::magXYZEventRead, this, &NUVTAVOWidget::magXYZEventRead);
    connect(radio, &NUVTAVOInterface::pressureEventRead, this, &NUVTAVOWidget::pressureEventRead);
    connect(radio, &NUVTAVOInterface::compBatEventRead, this, &NUVTAVOWidget::compBatEventRead);
    connect(radio, &NUVTAVOInterface::ejectBatEventRead, this, &NUVTAVOWidget::ejectBatEventRead);
    connect(radio, &NUVTAVOInterface::temperatureEventRead, this, &NUVTAVOWidget::temperatureEventRead);
    connect(radio, &NUVTAVOInterface::textEventRead, this, &NUVTAVOWidget::textEventRead);
    connect(radio, &NUVTAVOInterface::gpsLLSolEventRead, this, &NUVTAVOWidget::gpsLLSolEventRead);
    connect(radio, &NUVTAVOInterface::identEventRead, this, &NUVTAVOWidget::identEventRead);
    connect(radio, &NUVTAVOInterface::statusEventRead, this, &NUVTAVOWidget::statusEventRead);
    connect(radio, &NUVTAVOInterface::gpsTimeEventRead, this, &NUVTAVOWidget::gpsTimeEventRead);
    connect(radio, &NUVTAVOInterface::inputAEventRead, this, &NUVTAVOWidget::inputAEventRead);
    connect(radio, &NUVTAVOInterface::inputBEventRead, this, &NUVTAVOWidget::inputBEventRead);
    connect(radio, &NUVTAVOInterface::inputCEventRead, this, &NUVTAVOWidget::inputCEventRead);
    connect(radio, &NUVTAVOInterface::inputDEventRead, this, &NUVTAVOWidget::inputDEventRead);
    connect(radio, &NUVTAVOInterface::orientationEventRead, this, &NUVTAVOWidget::orientationEventRead);
    connect(radio, &NUVTAVOInterface::RSSIEventRead, this, &NUVTAVOWidget::RSSIEventRead);

    connect(radio, &NUVTAVOInterface::frequencyRead, this, &NUVTAVOWidget::frequencyRead);
    connect(radio, &NUVTAVOInterface::BPSRead, this, &NUVTAVOWidget::BPSRead);
    connect(radio, &NUVTAVOInterface::frequencyErrorRead, this, &NUVTAVOWidget::frequencyErrorRead);
    connect(radio, &NUVTAVOInterface::RFOffsetRead, this, &NUVTAVOWidget::RFOffsetRead);
    connect(radio, &NUVTAVOInterface::packetReceived, this, &NUVTAVOWidget::packetReceived);
    connect(radio, &NUVTAVOInterface::eventReadRaw, this, &NUVTAVOWidget::eventReadRaw);
    connect(radio, &NUVTAVOInterface::firmwareInitialized, this, &NUVTAVOWidget::firmwareInitialized);
    // Queued also when the GUI thread's own direct calls write a line, as the link holds its
    // mutex then.
    connect(radio, &NUVTAVOInterface::consoleMessage, m_mainWindow->ui.console, &QPlainTextEdit::appendPlainText,
            Qt::QueuedConnection);

    connect(&m_firmwareUpdater, &QProcess::readyReadStandardOutput, this,
            &NUVTAVOWidget::firmwareUpdateOutputAvailable);
    connect(&m_firmwareUpdater, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &NUVTAVOWidget::firmwareUpdateComplete);
    connect(&m_firmwareUpdater, &QProcess::errorOccurred, this, &NUVTAVOWidget::updateError);
    connect(ui.updateFirmware, &QPushButton::clicked, this, &NUVTAVOWidget::updateFirmware);
    ui.gpsGraph->hide(); // the map shows first, as the checked 3D / 2D button says
    connect(ui.focusOnTarget, &QPushButton::clicked, this, &NUVTAVOWidget::focusOnTarget);
    connect(ui.useGoogleEarth, &QPushButton::clicked, this, &NUVTAVOWidget::toggleGEPlugin);
    connect(ui.exportKML, &QPushButton::clicked, this, &NUVTAVOWidget::exportKML);
    connect(ui.RFAddress, qOverload<int>(&QSpinBox::valueChanged), radio, &NUVTAVOInterface::setAddress);
    connect(ui.modulationFrequency, qOverload<int>(&QComboBox::currentIndexChanged), radio,
            &NUVTAVOInterface::setModulationFrequency);
    // The one value written into the worker directly: an atomic flag it reads once per poll.
    connect(ui.RFLock, &QCheckBox::toggled, this, [radio](bool locked) { radio->lockRFOffset(locked); });
    connect(ui.loadReplay, &QPushButton::clicked, this, &NUVTAVOWidget::loadReplay);
    connect(ui.cancelReplay, &QPushButton::clicked, this, &NUVTAVOWidget::cancelReplay);
    connect(radio, &NUVTAVOInterface::replayProgress, this, [this](float progress) {
        ui.replayFlightProgress->setValue(static_cast<int>(std::floor(progress * 100 + 0.5f)));
    });
    connect(radio, &NUVTAVOInterface::replayCanceled, this, [this] { ui.cancelReplay->setEnabled(false); });
    connect(ui.replayRate, qOverload<double>(&QDoubleSpinBox::valueChanged), radio, &NUVTAVOInterface::setReplayRate);
}

void NUVTAVOWidget::startTimers()
{
    auto *packetIndicator = new QTimer(this);
    connect(packetIndicator, &QTimer::timeout, this, [this] { showPacketAge(); });
    packetIndicator->start(PacketIndicatorIntervalMs);

    // Ten seconds after start the user is asked once where the recording goes.
    QTimer::singleShot(FirstAllocationDelayMs, this, &NUVTAVOWidget::saveFlightAs);

    m_autosaveTimer = new QTimer(this);
    connect(m_autosaveTimer, &QTimer::timeout, this, &NUVTAVOWidget::saveFlight);
    m_autosaveTimer->start(AutosaveIntervalMs);

    auto *liveLaunch = new QTimer(this);
    connect(liveLaunch, &QTimer::timeout, this, &NUVTAVOWidget::fetchLiveLaunchEvents);
    liveLaunch->start(LiveLaunchIntervalMs);
}

void NUVTAVOWidget::startVoice()
{
    m_spVoice = Voice::create();
    if (!m_spVoice)
        return;
    auto *ready = new QTimer(this);
    ready->setSingleShot(true);
    connect(ready, &QTimer::timeout, this, [this, ready] {
        speak(QStringLiteral("<rate speed='-1'>Voice initialized</rate>"));
        ready->deleteLater();
    });
    ready->start(VoiceReadyDelayMs);
}

void NUVTAVOWidget::exception(int, QString, QString, QString)
{
    MapPage::reportException();
}

void NUVTAVOWidget::browserNavigateComplete(QString)
{
    // Does nothing by design: kept so that the window offers its full set of slots.
}

void NUVTAVOWidget::tabChanged(int)
{
    // Does nothing by design: kept so that the window offers its full set of slots.
}

void NUVTAVOWidget::eventReadRaw(QByteArray)
{
    // Does nothing by design: kept so that the window offers its full set of slots.
}

void NUVTAVOWidget::fetchLiveLaunchEvents()
{
    // Does nothing by design: the live-launch feed is never asked for anything.
}

// The live-launch feed: nothing in the program sends its requests yet, so neither of the two
// reply handlers runs; they take the reply that signals them.
void NUVTAVOWidget::readLiveData()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    ConsoleSink::out() << "Index: " << m_liveDataIndex << "\tData: " << body.toStdString() << std::endl;
    if (body.isEmpty())
        return;
    const QList<QByteArray> parts = body.split(',');
    m_liveDataIndex += parts.size();
    for (const QByteArray &part : parts)
        QMetaObject::invokeMethod(
            m_radio, [radio = m_radio, bytes = QByteArray::fromHex(part)] { radio->submitEvent(bytes); },
            Qt::QueuedConnection);
}

void NUVTAVOWidget::sendLiveDataFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    ConsoleSink::out() << "send result: " << reply->readAll().toStdString() << std::endl;
}
