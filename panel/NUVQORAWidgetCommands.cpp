// The device window's commands: settings, calibration, almanacs and launch emulation.
#include "NUVQORAWidget.h"

#include "ConsoleSink.h"
#include "NUVStudio.h"
#include "SettingsWidget.h"
#include "UserDialogs.h"

#include <QFileInfo>

#include <ostream>

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr uint8_t GPSSolutionCode = 14;

// Two names for one file: reading one while the other is truncated would destroy the data.
bool sameFile(const QString &first, const QString &second)
{
    if (first == second)
        return true;
    const QFileInfo a(first), b(second);
    return a.exists() && b.exists() && a.canonicalFilePath() == b.canonicalFilePath();
}

} // namespace

void NUVQORAWidget::writeDeviceSettings()
{
    QMetaObject::invokeMethod(
        m_interface,
        [link = m_interface, settings = ui.settings->getSettings()] { link->writeDeviceSettings(settings); },
        Qt::QueuedConnection);
}

void NUVQORAWidget::settingsRead(NUVQORASettings settings)
{
    // Both lines are printed by design.
    ConsoleSink::out() << "Settings read." << std::endl;
    ConsoleSink::out() << "settings size: " << NUVQORASettings::ImageSize << std::endl;
    ui.settings->setSettings(settings);
}

void NUVQORAWidget::calibratePressure()
{
    QMetaObject::invokeMethod(
        m_interface,
        [link = m_interface, altitude = ui.calibrationAltitude->value()] { link->calibratePressure(altitude); },
        Qt::QueuedConnection);
}

void NUVQORAWidget::calibrateAltitudefromGPS()
{
    std::unique_ptr<NUVEvent> reply;
    {
        const Lock lock(m_interface->deviceMutex());
        reply = m_interface->readEvent(GPSSolutionCode);
    }
    ConsoleSink::out() << "e: " << static_cast<const void *>(reply.get()) << std::endl; // a trace line by design
    const auto *fix = dynamic_cast<const NUVEvent_GPSLLSol *>(reply.get());
    if (!fix)
        return;
    if (fix->fixValid) {
        ui.calibrationAltitude->setValue(fix->altitude);
        return;
    }
    // Asked with the device free again: a modal box must not keep the worker waiting.
    UserDialogs::Message question;
    question.icon = QMessageBox::Warning;
    question.text = tr("The GPS fix is not within the recommended accuracy range: ")
        + QString::number(fix->altitude, 'g', 6) + tr(" m");
    question.informativeText = tr("Would you still like to use the altitude given by the GPS?");
    question.buttons = QMessageBox::Yes | QMessageBox::No;
    question.defaultButton = QMessageBox::No;
    if (UserDialogs::current().message(question) == QMessageBox::Yes)
        ui.calibrationAltitude->setValue(fix->altitude);
}

void NUVQORAWidget::viewStoredAlmanacs()
{
    // Does nothing by design: the button goes straight to the interface's slot of this name.
}

void NUVQORAWidget::storeAlmanacs()
{
    ConsoleSink::out() << "Storing almanacs..." << std::endl;
    enableControls(false);
    m_interface->storeAlmanacs();
    enableControls(true);
}

void NUVQORAWidget::uploadAlmanacs()
{
    enableControls(false);
    m_interface->uploadAlmanacs();
    enableControls(true);
}

void NUVQORAWidget::clearSVData()
{
    m_interface->clearSVData();
}

void NUVQORAWidget::emulateLaunch()
{
    UserDialogs &dialogs = UserDialogs::current();
    const QString filter = tr("CSV files (*.csv)");
    const QString source = dialogs.openFileName(this, tr("Emulation data"), QString(), filter);
    if (source.isEmpty())
        return;
    const QString results = dialogs.saveFileName(this, tr("Emulation results"), QString(), filter);
    if (results.isEmpty())
        return;

    UserDialogs::Message question;
    question.icon = QMessageBox::Warning;
    question.text = tr("Would you like to perform a realtime emulation?");
    question.informativeText =
        tr("A realtime emulation will attempt to honor timing for firing lines etc. Selecting 'no' will accelerate "
           "the emulation process and is useful if you are only looking for emulation data results.");
    question.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    question.defaultButton = QMessageBox::Yes;
    const QMessageBox::StandardButton answer = dialogs.message(question);
    if (answer == QMessageBox::Cancel)
        return;

    if (sameFile(source, results)) {
        UserDialogs::critical(this, tr("The source and destination files must not be the same."), source);
        return;
    }
    ui.stopEmulation->setEnabled(true);
    const bool realTime = answer == QMessageBox::Yes;
    QMetaObject::invokeMethod(
        m_interface,
        [link = m_interface, source, results, realTime] { link->emulateLaunch(source, results, realTime); },
        Qt::QueuedConnection);
}

void NUVQORAWidget::stopEmulation()
{
    m_interface->stopEmulation();
    ui.stopEmulation->setEnabled(false);
}

void NUVQORAWidget::emulationComplete()
{
    ui.stopEmulation->setEnabled(false);
}
