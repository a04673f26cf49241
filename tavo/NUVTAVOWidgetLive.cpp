// The live window's display of what the radio receives: graphs, labels, flight phase, GPS with
// its ground track, live KML file and map page, attitude, radio status and the voice.

#include "NUVTAVOWidget.h"

#include "ConsoleSink.h"
#include "FlightRecorder.h"
#include "GraphSeries.h"
#include "LiveKml.h"
#include "MonotonicClock.h"
#include "NUVStudio.h"
#include "QGraphView.h"
#include "Voice.h"

#include <QSettings>
#include <QTextCursor>

#include <cmath>
#include <ostream>

namespace {

constexpr float FeetPerMetre = 3.28084f;
constexpr int64_t GpsAnnouncementIntervalMs = 30000;

const char *const FlightStateNames[] = {"Pad", "Launch detected!", "Coasting", "Apogee detected!", "Landed"};

} // namespace

template<class Event>
void NUVTAVOWidget::record(const Event &e)
{
    m_recordedFlight.appendEvent(std::make_unique<Event>(e));
    m_recorder->add(std::make_unique<Event>(e));
}

void NUVTAVOWidget::accelZEventRead(NUVEvent_AccelZ e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::accelXYEventRead(NUVEvent_AccelXY e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::gyroXYZEventRead(NUVEvent_GyroXYZ e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::magXYZEventRead(NUVEvent_MagXYZ e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::pressureEventRead(NUVEvent_Pressure e)
{
    record(e);
    if (!m_pressureReference)
        m_pressureReference = std::make_unique<NUVEvent_Pressure>(e);
    m_labels.show(m_readings.add(e, m_pressureReference.get()));
}

void NUVTAVOWidget::compBatEventRead(NUVEvent_ComputerBattery e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::ejectBatEventRead(NUVEvent_EjectionBattery e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::inputAEventRead(NUVEvent_LineA e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::inputBEventRead(NUVEvent_LineB e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::inputCEventRead(NUVEvent_LineC e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::inputDEventRead(NUVEvent_LineD e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::temperatureEventRead(NUVEvent_Temperature e)
{
    record(e);
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::RSSIEventRead(NUVEvent_RSSI e)
{
    record(e);
    m_labels.show(m_readings.add(e));
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
    m_labels.show(m_readings.add(e));
}

void NUVTAVOWidget::statusEventRead(NUVEvent_Status e)
{
    record(e);
    m_labels.show(m_readings.add(e));
    Ui::NUVStudioClass &overview = m_mainWindow->ui;
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
    m_labels.show(m_readings.add(e, m_mainWindow->settings()->value(QStringLiteral("GPSCoordinateFormat"), 0).toInt()));
    if (e.fixValid)
        addTrackPoint(e);
    ui.connectedSatsWidget->setValue(static_cast<int>(e.satellites));
    m_liveKml->write(e.latitude, e.longitude);
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
    // Intended: the tilt of each attitude goes to standard output, for whoever watches it.
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
    m_readings.clear();
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
