// The live window's update of the ground station's firmware through the loader tool, and the
// offer of it when the station runs outdated firmware.

#include "NUVTAVOWidget.h"

#include "ConsoleSink.h"
#include "FirmwareLoaderReport.h"
#include "NUVStudio.h"
#include "UserDialogs.h"

#include <QCoreApplication>
#include <QTimer>

#include <ostream>

namespace {

constexpr uint16_t CurrentFirmwareVersion = 0x202;
constexpr int UpdateAfterAnswerMs = 2000;
constexpr int UpdateAfterExitMs = 5000;
const QString LoaderProgram = QStringLiteral("TAVO/firmware/bootload.exe");
const QString FirmwareImage = QStringLiteral("TAVO/firmware/NUV TAVO Firmware 2.02.hex.dat");

} // namespace

void NUVTAVOWidget::firmwareInitialized()
{
    clearAndZero();
    if (m_radio->firmwareVersion() >= CurrentFirmwareVersion)
        return;
    UserDialogs::Message outdated;
    outdated.icon = QMessageBox::Warning;
    outdated.text = tr("Your firmware is outdated! It is important for device reliability to always have the latest "
                       "firmware.");
    outdated.informativeText = tr("Would you like to update now? This will clear all flight data from the device. "
                                  "You can always update later if you would like to first download your existing "
                                  "flight data.");
    outdated.buttons = QMessageBox::Yes | QMessageBox::Cancel;
    outdated.defaultButton = QMessageBox::Yes;
    if (UserDialogs::current().message(outdated) == QMessageBox::Yes)
        QTimer::singleShot(UpdateAfterAnswerMs, this, &NUVTAVOWidget::updateFirmware);
}

void NUVTAVOWidget::updateFirmware()
{
    ui.updateFirmware->setEnabled(false);
    // Arrivals must not reconnect while the device passes through its bootloader.
    m_radio->setConnectionAttemptsEnabled(false);
    m_radio->setAutoStartFirmware(false);
    m_radio->exitFirmware();
    UserDialogs::information(this, tr("Firmware update"),
                             tr("If your device is connected, please disconnect it and then reconnect it. If it is "
                                "not connected, connect it now."));
    UserDialogs::information(this, tr("Firmware update"),
                             tr("Please do not diconnect the device while the update is taking place.\r\nThis will "
                                "cause incomplete/corrupted firmware to be uploaded."));
    m_mainWindow->ui.console->appendPlainText(tr("Update will start in 5 seconds..."));
    QTimer::singleShot(UpdateAfterExitMs, this, &NUVTAVOWidget::startFirmwareUpdate);
}

void NUVTAVOWidget::startFirmwareUpdate()
{
    m_firmwareUpdater.start(LoaderProgram,
                            {QStringLiteral("-p"), QCoreApplication::applicationDirPath() + "/" + FirmwareImage},
                            QIODevice::ReadWrite);
}

void NUVTAVOWidget::firmwareUpdateOutputAvailable()
{
    const QString output = QString::fromLocal8Bit(m_firmwareUpdater.readAllStandardOutput());
    ConsoleSink::out() << output.toStdString() << std::endl;
    m_mainWindow->ui.console->appendPlainText(FirmwareLoaderReport::consoleText(output));
}

void NUVTAVOWidget::firmwareUpdateComplete(int exitCode, QProcess::ExitStatus)
{
    ui.updateFirmware->setEnabled(true);
    ConsoleSink::out() << "Firmware update complete " << exitCode << std::endl;
    reconnectAfterUpdate();
    // In the worker thread: the poll holds the link's mutex, and a silent station the attempt.
    QMetaObject::invokeMethod(m_radio, &NUVTAVOInterface::attemptConnection, Qt::QueuedConnection);
}

void NUVTAVOWidget::updateError(QProcess::ProcessError error)
{
    if (!FirmwareLoaderReport::endsUpdate(error, m_firmwareUpdater.state())) {
        qWarning("Firmware loader: %s", qPrintable(m_firmwareUpdater.errorString()));
        return;
    }
    m_mainWindow->ui.console->appendPlainText(tr("Failed tp update firmware."));
    reconnectAfterUpdate();
    m_radio->updateConnectionIcon();
}

void NUVTAVOWidget::reconnectAfterUpdate()
{
    m_radio->setConnectionAttemptsEnabled(true);
    m_radio->setAutoStartFirmware(true);
}
