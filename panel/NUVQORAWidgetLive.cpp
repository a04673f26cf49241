// The device window's live display: graphs, overview labels, GPS, the live KML file and the map.
#include "NUVQORAWidget.h"

#include "CoordinateFormat.h"
#include "GraphSeries.h"
#include "LiveFileWriter.h"
#include "NUVStudio.h"
#include "QGraphView.h"

#include <QDateTime>
#include <QSettings>
#include <QTextStream>

#include <cmath>

namespace {

constexpr float FeetPerMetre = 3.28084f;
constexpr float InHgPerPascal = 0.000295333727f;
// The live KML file's text: the one current position, which an earth viewer that links to the
// file follows.
QByteArray liveKml(double latitude, double longitude)
{
    QString kml;
    QTextStream(&kml) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      << "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
                      << "<Placemark>\n"
                      << "<name>Current</name>\n"
                      << "<description>Current</description>\n"
                      << "<Point>\n"
                      << "<coordinates>" << QString::number(longitude, 'g', 8) << ','
                      << QString::number(latitude, 'g', 8) << ",100</coordinates>\n"
                      << "</Point>\n"
                      << "</Placemark>\n"
                      << "</kml>\n";
    return kml.toUtf8();
}

QString lineStyle(bool on, bool continuity)
{
    if (on)
        return QStringLiteral("background-color:red;");
    if (continuity)
        return QStringLiteral("background-color:green;");
    return QString();
}

} // namespace

QString NUVQORAWidget::formatCoordinate(double degrees) const
{
    return CoordinateFormat::text(degrees, m_mainWindow->settings()->value(QStringLiteral("GPSCoordinateFormat"), 0).toInt());
}

void NUVQORAWidget::executeJSTry(const QString &js)
{
    m_map.run(js);
}

QString NUVQORAWidget::gpsTimeText(const NUVEvent_GPSTime &time)
{
    const uint32_t seconds = uint32_t(time.week) * 604800u + time.seconds + time.timeOfWeek / 1000u;
    const QDateTime gpsEpoch(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC);
    return gpsEpoch.addSecs(seconds).toLocalTime().toString(Qt::TextDate);
}

void NUVQORAWidget::accelZEventRead(NUVEvent_AccelZ e)
{
    m_accelerationZ.add(e.time, e.acceleration);
    ui.liveAccelerationGraph->view()->update();
    m_mainWindow->ui.liveAccelerationLabel->setText(QString::number(e.acceleration, 'f', 2) + " g");
}

void NUVQORAWidget::textEventRead(NUVEvent_Text)
{
}

void NUVQORAWidget::accelXYEventRead(NUVEvent_AccelXY e)
{
    m_accelerationX.add(e.time, e.x);
    m_accelerationY.add(e.time, e.y);
    ui.liveAccelerationGraph->view()->update();
}

// The gyro and magnetometer arrive fastest; their graphs are drawn only while in sight.
void NUVQORAWidget::gyroXYZEventRead(NUVEvent_GyroXYZ e)
{
    m_gyroX.add(e.time, e.x);
    m_gyroY.add(e.time, e.y);
    m_gyroZ.add(e.time, e.z);
    if (ui.liveGyroGraph->isVisible())
        ui.liveGyroGraph->view()->update();
}

void NUVQORAWidget::magXYZEventRead(NUVEvent_MagXYZ e)
{
    m_magX.add(e.time, e.x);
    m_magY.add(e.time, e.y);
    m_magZ.add(e.time, e.z);
    if (ui.liveMagGraph->isVisible())
        ui.liveMagGraph->view()->update();
}

void NUVQORAWidget::compBatEventRead(NUVEvent_ComputerBattery e)
{
    m_computerBattery.add(e.time, e.voltage);
    ui.liveBatteryGraph->view()->update();
    m_mainWindow->ui.liveCompBatVoltageLabel->setText(QString::number(e.voltage, 'f', 2) + " v");
}

void NUVQORAWidget::ejectBatEventRead(NUVEvent_EjectionBattery e)
{
    m_ejectionBattery.add(e.time, e.voltage);
    ui.liveBatteryGraph->view()->update();
    m_mainWindow->ui.liveEjectBatVoltageLabel->setText(QString::number(e.voltage, 'f', 2) + " v");
}

void NUVQORAWidget::inputAEventRead(NUVEvent_LineA e)
{
    m_lineA.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVQORAWidget::inputBEventRead(NUVEvent_LineB e)
{
    m_lineB.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVQORAWidget::inputCEventRead(NUVEvent_LineC e)
{
    m_lineC.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVQORAWidget::inputDEventRead(NUVEvent_LineD e)
{
    m_lineD.add(e.time, e.voltage);
    ui.liveInputGraph->view()->update();
}

void NUVQORAWidget::temperatureEventRead(NUVEvent_Temperature e)
{
    const float value = m_metric ? e.temperature : e.temperature * 1.8f + 32;
    m_temperature.add(e.time, value);
    ui.liveTemperatureGraph->view()->update();
    // Right after the trace restarts the label keeps the value it shows.
    if (!m_temperature.isEmpty())
        m_mainWindow->ui.liveTemperatureLabel->setText(QString::number(value, 'f', 1) + QStringLiteral("\u00B0")
                                                       + (m_metric ? " C" : " F"));
}

void NUVQORAWidget::pressureEventRead(NUVEvent_Pressure e)
{
    const float pressure = e.pressure;
    m_pressure.add(e.time, m_metric ? pressure : pressure * InHgPerPascal);
    const float altitude = (1.0f - std::pow(pressure * 0.001f * 0.009869233f, 0.190263f)) * 44330.32f;
    m_altitude.add(e.time, m_metric ? altitude : altitude * FeetPerMetre);
    ui.livePressureGraph->view()->update();
    ui.liveAltitudeGraph->view()->update();
    if (m_altitude.isEmpty())
        return;
    m_mainWindow->ui.livePressureLabel->setText(
        m_metric ? QString::number(pressure * 0.001f, 'f', 2) + " kPa"
                 : QString::number(pressure * InHgPerPascal, 'f', 2) + " inHg");
    m_mainWindow->ui.liveMSLAltitudeLabel->setText(m_metric ? QString::number(altitude, 'f', 0) + " m"
                                                            : QString::number(altitude * FeetPerMetre, 'f', 0) + " ft");
}

void NUVQORAWidget::gpsLLSolEventRead(NUVEvent_GPSLLSol e)
{
    ui.liveLatLabel->setText(formatCoordinate(e.latitude));
    ui.liveLongLabel->setText(formatCoordinate(e.longitude));
    ui.liveGPSMSLLabel->setText(m_metric ? QString::number(e.altitude, 'f', 1) + " m"
                                         : QString::number(e.altitude * FeetPerMetre, 'f', 1) + " ft");
    ui.liveGPSFixLabel->setText(e.fixValid ? tr("3D solution") : tr("None"));
    ui.connectedSatsWidget->setValue(int(std::min<uint32_t>(e.satellites, ui.connectedSatsWidget->maximum())));
    ui.satUsedLabel->setText(QString::number(e.satellites));
    m_liveKml->write(liveKml(e.latitude, e.longitude));
    m_target = {e.latitude, e.longitude};
    m_map.setPlacemark(e.latitude, e.longitude);
}

void NUVQORAWidget::gpsTimeEventRead(NUVEvent_GPSTime e)
{
    ui.liveGPSTimeLabel->setText(e.timeValid ? gpsTimeText(e) : QString::number(e.timeOfWeek) + " ms");
}

void NUVQORAWidget::statusEventRead(NUVEvent_Status e)
{
    QLabel *const labels[] = {m_mainWindow->ui.liveLineALabel, m_mainWindow->ui.liveLineBLabel,
                              m_mainWindow->ui.liveLineCLabel, m_mainWindow->ui.liveLineDLabel};
    for (int line = 0; line < 4; ++line)
        labels[line]->setStyleSheet(lineStyle(e.lineOn[line], e.lineContinuity[line]));
}

void NUVQORAWidget::identEventRead(NUVEvent_Ident e)
{
    // The identity is padded with zero bytes to its record length.
    appendConsoleNL("Identity: " + QString::fromLatin1(e.ident.c_str()));
}

// Flying to 0, 0 whatever the device reports would leave the map far from the device, with the
// placemark moved back home by the next fix: the map goes to the device's latest position.
void NUVQORAWidget::focusOnTarget()
{
    m_map.setPlacemark(m_target.latitude, m_target.longitude);
    m_map.flyTo();
}
