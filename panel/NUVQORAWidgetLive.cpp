// The device window's live display: graphs, overview labels, GPS, the live KML file and the map.
#include "NUVQORAWidget.h"

#include "LiveKml.h"
#include "NUVStudio.h"

#include <QSettings>

#include <algorithm>

void NUVQORAWidget::executeJSTry(const QString &js)
{
    m_map.run(js);
}

QString NUVQORAWidget::gpsTimeText(const NUVEvent_GPSTime &time)
{
    return LiveReadings::gpsTimeText(time);
}

void NUVQORAWidget::accelZEventRead(NUVEvent_AccelZ e)
{
    m_labels.show(m_readings.add(e));
}

// The device window shows no device text; the slot exists so every reading has one.
void NUVQORAWidget::textEventRead(NUVEvent_Text)
{
}

void NUVQORAWidget::accelXYEventRead(NUVEvent_AccelXY e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::gyroXYZEventRead(NUVEvent_GyroXYZ e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::magXYZEventRead(NUVEvent_MagXYZ e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::compBatEventRead(NUVEvent_ComputerBattery e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::ejectBatEventRead(NUVEvent_EjectionBattery e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::inputAEventRead(NUVEvent_LineA e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::inputBEventRead(NUVEvent_LineB e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::inputCEventRead(NUVEvent_LineC e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::inputDEventRead(NUVEvent_LineD e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::temperatureEventRead(NUVEvent_Temperature e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::pressureEventRead(NUVEvent_Pressure e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::gpsLLSolEventRead(NUVEvent_GPSLLSol e)
{
    m_labels.show(m_readings.add(e, m_mainWindow->settings()->value(QStringLiteral("GPSCoordinateFormat"), 0).toInt()));
    ui.connectedSatsWidget->setValue(int(std::min<uint32_t>(e.satellites, ui.connectedSatsWidget->maximum())));
    m_liveKml->write(e.latitude, e.longitude);
    m_target = {e.latitude, e.longitude};
    m_map.setPlacemark(e.latitude, e.longitude);
}

void NUVQORAWidget::gpsTimeEventRead(NUVEvent_GPSTime e)
{
    m_labels.show(m_readings.add(e));
}

void NUVQORAWidget::statusEventRead(NUVEvent_Status e)
{
    m_labels.show(m_readings.add(e));
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
