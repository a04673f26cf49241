// The live window's display of what the radio receives: graphs, labels, flight phase, GPS with
// its ground track, live KML file and map page, attitude, radio status and the voice.

#include "NUVTAVOWidget.h"

#include "ConsoleSink.h"
#include "CoordinateFormat.h"
#include "FlightRecorder.h"
#include "GraphSeries.h"
#include "LiveFileWriter.h"
#include "MonotonicClock.h"
#include "NUVStudio.h"
#include "PressureAltitude.h"
#include "QGraphView.h"
#include "Voice.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <QTextCursor>
#include <QTextStream>

#include <cmath>
#include <ostream>

namespace {

constexpr float FeetPerMetre = 3.28084f;
constexpr float InchesOfMercuryPerPascal = 0.000295333727f;
constexpr int RssiTracePoints = 1000;
constexpr int64_t GpsAnnouncementIntervalMs = 30000;
const QString LiveKmlPath = QStringLiteral("TAVO/temp/TAVO.kml");

const char *const FlightStateNames[] = {"Pad", "Launch detected!", "Coasting", "Apogee detected!", "Landed"};

QString lineStyle(bool on, bool continuity)
{
    if (on)
        return QStringLiteral("background-color:red;");
    return continuity ? QStringLiteral("background-color:green;") : QString();
}

// 1980-01-06 UTC plus the event's week and seconds, in local time.
QString gpsTimeText(const NUVEvent_GPSTime &time)
{
    const uint32_t seconds = uint32_t(time.week) * 604800u + time.seconds + time.timeOfWeek / 1000u;
    const QDateTime gpsEpoch(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC);
    return gpsEpoch.addSecs(seconds).toLocalTime().toString(Qt::TextDate);
}

} // namespace

void NUVTAVOWidget::Trace::add(float time, double value)
{
    if (series->points.isEmpty())
        origin = time;
    const QPointF point(time - origin, value);
    series->extendBounds(point);
    series->points.append(point);
}

void NUVTAVOWidget::Trace::clear()
{
    series->points.clear();
}

template<class Event>
void NUVTAVOWidget::record(const Event &e)
{
    m_recordedFlight.appendEvent(std::make_unique<Event>(e));
    m_recorder->add(std::make_unique<Event>(e));
}

void NUVTAVOWidget::accelZEventRead(NUVEvent_AccelZ e)
{
    record(e);
    m_accelerationTrace.add(e.time, e.acceleration);
    ui.liveAccelerationGraph->view()->update();
    m_mainWindow->ui.liveAccelerationLabel->setText(QString::number(e.acceleration, 'f', 2) + " g");
}

void NUVTAVOWidget::accelXYEventRead(NUVEvent_AccelXY e)
{
    record(e);
    m_lateralXTrace.add(e.time, e.x);
    m_lateralYTrace.add(e.time, e.y);
    ui.liveLateralAccelerationGraph->view()->update();
}

void NUVTAVOWidget::gyroXYZEventRead(NUVEvent_GyroXYZ e)
{
    record(e);
    m_gyroXTrace.add(e.time, e.x);
    m_gyroYTrace.add(e.time, e.y);
    m_gyroZTrace.add(e.time, e.z);
    ui.liveGyroGraph->view()->update();
}

void NUVTAVOWidget::magXYZEventRead(NUVEvent_MagXYZ e)
{
    record(e);
    m_magXTrace.add(e.time, e.x);
    m_magYTrace.add(e.time, e.y);
    m_magZTrace.add(e.time, e.z);
    ui.liveMagGraph->view()->update();
}

void NUVTAVOWidget::pressureEventRead(NUVEvent_Pressure e)
{
    record(e);
    if (!m_pressureReference)
        m_pressureReference = std::make_unique<NUVEvent_Pressure>(e);
    const float pressure = e.pressure;
    m_pressureTrace.add(e.time, m_metric ? pressure : pressure * InchesOfMercuryPerPascal);
    const float altitude = pressureAltitudeOf(pressure);
    const float aboveReference = altitude - pressureAltitudeOf(m_pressureReference->pressure);
    m_altitudeTrace.add(e.time, m_metric ? aboveReference : aboveReference * FeetPerMetre);
    ui.livePressureGraph->view()->update();
    ui.liveAltitudeGraph->view()->update();

    Ui::NUVStudioClass &overview = m_mainWindow->ui;
    if (m_metric) {
        overview.livePressureLabel->setText(QString::number(pressure * 0.001f, 'f', 2) + " kPA");
        overview.liveMSLAltitudeLabel->setText(QString::number(altitude, 'f', 0) + " m");
    } else {
        overview.livePressureLabel->setText(QString::number(pressure * InchesOfMercuryPerPascal, 'f', 2) + " inHg");
        overview.liveMSLAltitudeLabel->setText(QString::number(altitude * FeetPerMetre, 'f', 0) + " ft");
    }
}

void NUVTAVOWidget::compBatEventRead(NUVEvent_ComputerBattery e)
{
    record(e);
    m_computerBatteryTrace.add(e.time, e.voltage);
    ui.liveBatteryGraph->view()->update();
    m_mainWindow->ui.liveCompBatVoltageLabel->setText(QString::number(e.voltage, 'f', 2) + " v");
}

void NUVTAVOWidget::ejectBatEventRead(NUVEvent_EjectionBattery e)
{
    record(e);
    m_ejectionBatteryTrace.add(e.time, e.voltage);
    ui.liveBatteryGraph->view()->update();
    m_mainWindow->ui.liveEjectBatVoltageLabel->setText(QString::number(e.voltage, 'f', 2) + " v");
}

void NUVTAVOWidget::inputAEventRead(NUVEvent_LineA e)
{
    record(e);
    m_lineATrace.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVTAVOWidget::inputBEventRead(NUVEvent_LineB e)
{
    record(e);
    m_lineBTrace.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVTAVOWidget::inputCEventRead(NUVEvent_LineC e)
{
    record(e);
    m_lineCTrace.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVTAVOWidget::inputDEventRead(NUVEvent_LineD e)
{
    record(e);
    m_lineDTrace.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVTAVOWidget::temperatureEventRead(NUVEvent_Temperature e)
{
    record(e);
    const float value = m_metric ? e.temperature : e.temperature * 1.8f + 32;
    m_temperatureTrace.add(e.time, value);
    ui.liveTemperatureGraph->view()->update();
    m_mainWindow->ui.liveTemperatureLabel->setText(QString::number(value, 'f', 1) + QStringLiteral("\u00B0")
                                                   + (m_metric ? " C" : " F"));
}

void NUVTAVOWidget::RSSIEventRead(NUVEvent_RSSI e)
{
    record(e);
    m_rssiTrace.add(e.time, e.rssi);
    // A signal strength reading comes every half second for as long as the program runs.
    if (m_rssiTrace.series->points.size() > RssiTracePoints)
        m_rssiTrace.clear();
    ui.liveRSSIGraph->view()->update();
}

void NUVTAVOWidget::textEventRead(NUVEvent_Text e)
{
    record(e);
    // The device's text carries its own line ends.
    QTextCursor end(m_mainWindow->ui.console->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromStdString(e.text));
}

void NUVTAVOWidget::identEventRead(NUVEvent_Ident e)
{
    record(e);
}

void NUVTAVOWidget::gpsTimeEventRead(NUVEvent_GPSTime e)
{
    record(e);
    ui.liveGPSTimeLabel->setText(e.timeValid ? gpsTimeText(e) : QString::number(e.timeOfWeek) + " ms");
}

void NUVTAVOWidget::statusEventRead(NUVEvent_Status e)
{
    record(e);
    Ui::NUVStudioClass &overview = m_mainWindow->ui;
    QLabel *const lineLabels[] = {overview.liveLineALabel, overview.liveLineBLabel, overview.liveLineCLabel,
                                  overview.liveLineDLabel};
    for (int line = 0; line < 4; ++line)
        lineLabels[line]->setStyleSheet(lineStyle(e.lineOn[line], e.lineContinuity[line]));

    ConsoleSink::out() << "rocket state: " << e.state << std::endl;
    if (e.state >= 0 && e.state < int(std::size(FlightStateNames)))
        overview.liveRocketStateLabel->setText(QString::fromLatin1(FlightStateNames[e.state]));
    if (e.state != m_lastFlightState)
        speak("<rate speed='-3'><emph>" + overview.liveRocketStateLabel->text() + "</emph></rate>");
    m_lastFlightState = e.state;
}

void NUVTAVOWidget::gpsLLSolEventRead(NUVEvent_GPSLLSol e)
{
    record(e);
    const int format = m_mainWindow->settings()->value(QStringLiteral("GPSCoordinateFormat"), 0).toInt();
    ui.liveLatLabel->setText(CoordinateFormat::text(e.latitude, format));
    ui.liveLongLabel->setText(CoordinateFormat::text(e.longitude, format));
    ui.liveGPSMSLLabel->setText(m_metric ? QString::number(e.altitude, 'f', 1) + " m"
                                         : QString::number(e.altitude * FeetPerMetre, 'f', 1) + " ft");
    if (e.fixValid)
        addTrackPoint(e);
    ui.liveGPSFixLabel->setText(e.fixValid ? QStringLiteral("3D solution") : QStringLiteral("None"));
    ui.connectedSatsWidget->setValue(static_cast<int>(e.satellites));
    ui.satUsedLabel->setText(QString::number(e.satellites));

    writeLiveKml(e);
    ConsoleSink::out() << "GPS " << m_gpsCount++ << std::endl;

    m_map.setPlacemark(e.latitude, e.longitude);
    if (e.fixValid)
        m_map.appendLineCoord(e.latitude, e.longitude, e.altitude);
    announceGps(e);
}

void NUVTAVOWidget::addTrackPoint(const NUVEvent_GPSLLSol &fix)
{
    // A first fix exactly at 0/0 is taken for no origin yet; the next fix becomes it.
    if (std::abs(m_trackOriginLatitude) < 1e-12 && std::abs(m_trackOriginLongitude) < 1e-12) {
        m_trackOriginLatitude = fix.latitude;
        m_trackOriginLongitude = fix.longitude;
        return;
    }
    const float dlat = static_cast<float>(fix.latitude - m_trackOriginLatitude);
    const float dlon = static_cast<float>(fix.longitude - m_trackOriginLongitude);
    const float scale = m_metric ? 1.0f : FeetPerMetre;
    const double east = std::cos(m_trackOriginLatitude * 3.1415926 * (1.0 / 180)) * 40075160 * dlon * 0.0027777778;
    const double north = dlat * 111133.336;
    const QPointF point(east * scale, north * scale);
    m_groundTrack->extendBounds(point);
    m_groundTrack->points.append(point);
    ui.gpsGraph->view()->update();
}

// The one current position, for an earth viewer that links to the file.
void NUVTAVOWidget::startLiveKml()
{
    m_liveKml = new LiveFileWriter(LiveKmlPath, this);
    connect(m_liveKml, &LiveFileWriter::written, this, [this](bool ok) {
        // Once until it works again: a fix comes every second.
        if (!ok && !m_liveKmlFailureReported)
            reportOnConsole("Could not write the live KML file " + QFileInfo(LiveKmlPath).absoluteFilePath());
        m_liveKmlFailureReported = !ok;
    });
}

void NUVTAVOWidget::writeLiveKml(const NUVEvent_GPSLLSol &fix)
{
    QString kml;
    QTextStream(&kml) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      << "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
                      << "<Placemark>\n"
                      << "<name>Current</name>\n"
                      << "<description>QORA via TAVO</description>\n"
                      << "<Point>\n"
                      << "<coordinates>" << QString::number(fix.longitude, 'g', 10) << ','
                      << QString::number(fix.latitude, 'g', 10) << "</coordinates>\n"
                      << "</Point>\n"
                      << "</Placemark>\n"
                      << "</kml>\n";
    m_liveKml->write(kml.toUtf8());
}

void NUVTAVOWidget::announceGps(const NUVEvent_GPSLLSol &fix)
{
    const int64_t now = MonotonicClock::milliseconds();
    if (!m_gpsVoiceClockStarted) {
        m_gpsVoiceClockStarted = true;
        m_gpsVoiceClockStartMs = now;
    }
    if (now - m_gpsVoiceClockStartMs <= GpsAnnouncementIntervalMs)
        return;
    speak("<rate speed='0'><emph>GPS altitude: " + QString::number(fix.altitude, 'f', 0) + " meters.</emph></rate>");
    speak("<rate speed='0'><emph>Locked on to " + QString::number(fix.satellites) + " satellites.</emph></rate>");
    m_gpsVoiceClockStartMs = now;
}

void NUVTAVOWidget::orientationEventRead(NUVEvent_Orientation e)
{
    record(e);
    const float angle = std::acos(e.w * e.w - e.x * e.x - e.y * e.y + e.z * e.z) * 57.29577951308232f;
    ConsoleSink::out() << "Angle: " << angle << std::endl;
    ui.orientation->setOrientation(QQuaternion(e.w, e.x, e.y, e.z));
    ui.orientation->update();
}

void NUVTAVOWidget::frequencyRead(long freq)
{
    const QString text = QString::number(freq) + " Hz";
    ui.frequencyLabel->setText(text);
    m_mainWindow->ui.frequencyLabel->setText(text);
}

void NUVTAVOWidget::frequencyErrorRead(int error)
{
    const QString text = QString::number(error) + " Hz";
    ui.frequencyErrorLabel->setText(text);
    m_mainWindow->ui.frequencyErrorLabel->setText(text);
}

void NUVTAVOWidget::RFOffsetRead(int offset)
{
    const QString text = QString::number(offset) + " Hz";
    ui.frequencyOffsetLabel->setText(text);
    m_mainWindow->ui.frequencyOffsetLabel->setText(text);
}

void NUVTAVOWidget::BPSRead(int bps)
{
    const QString text = QString::number(bps) + " bps";
    ui.dataRateLabel->setText(text);
    m_mainWindow->ui.dataRateLabel->setText(text);
}

void NUVTAVOWidget::packetReceived()
{
    m_packetAge = 0;
}

// Green right after a packet, red 25.5 s after the last one.
void NUVTAVOWidget::showPacketAge()
{
    const QString style =
        QStringLiteral("background-color: rgb(%1,%2,0);").arg(m_packetAge).arg(255 - m_packetAge);
    ui.packetIndicatorLabel->setStyleSheet(style);
    m_mainWindow->ui.packetIndicatorLabel->setStyleSheet(style);
    if (m_packetAge < 255)
        ++m_packetAge;
}

void NUVTAVOWidget::clearGraphs()
{
    for (Trace *trace : timeTraces())
        trace->clear();
    m_map.clearLineString();
    m_groundTrack->points.clear();
    for (QGraph *graph : findChildren<QGraph *>())
        graph->view()->update();
}

void NUVTAVOWidget::clearGPSTrack()
{
    m_map.clearLineString();
    m_groundTrack->points.clear();
    ui.gpsGraph->view()->update();
}

void NUVTAVOWidget::focusOnTarget()
{
    m_map.flyTo();
}

void NUVTAVOWidget::toggleGEPlugin()
{
    const bool map = ui.useGoogleEarth->isChecked();
    ui.webView->setVisible(map);
    ui.gpsGraph->setVisible(!map);
}

void NUVTAVOWidget::speak(QString what)
{
    // Read at every announcement, so a change in the settings dialog applies at once.
    if (m_spVoice && m_mainWindow->settings()->value(QStringLiteral("voice"), false).toBool())
        m_spVoice->speak(what);
}

void NUVTAVOWidget::executeJSTry(QString js)
{
    m_map.run(js);
}
