// The device window's firmware update through the loader tool, and the online update check.
#include "NUVQORAWidget.h"

#include "ConsoleSink.h"
#include "FirmwareLoaderReport.h"
#include "NUVStudio.h"
#include "UserDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QTimer>

#include <ostream>

namespace {

const QString LoaderProgram = QStringLiteral("QORA/firmware/bootload.exe");
const QString FirmwarePattern = QStringLiteral("NUV QORA Firmware 2.1*.hex.dat");
constexpr int UpdateDelayMs = 5000;
// This program's version, 2.13, counted as the device counts its firmware versions.
constexpr int ProgramVersion = 0x213;
const QString DefaultUpdateHost = QStringLiteral("www.velmarin-electronics.example");

QString firmwareDirectory()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QORA/firmware/");
}

} // namespace

void NUVQORAWidget::updateFirmware()
{
    ui.updateFirmware->setEnabled(false);
    ConsoleSink::out() << "Requesting firmware update..." << std::endl;
    appendConsoleNL(tr("Requesting firmware update. Please wait..."));
    // While the loader works, the device must neither be connected to nor started.
    m_interface->setConnectionAttemptsEnabled(false);
    m_interface->setAutoStartFirmware(false);

    // In the worker thread: a download or an emulation holds the device for minutes.
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::leaveFirmwareForUpdate, Qt::QueuedConnection);
}

void NUVQORAWidget::continueFirmwareUpdate(bool sentToBootloader)
{
    const QString title = tr("Firmware update");
    if (!sentToBootloader) {
        UserDialogs::information(this, title,
                                 tr("We can't connect to the device to automatically place it in \"bootloader\" mode.")
                                     + "\r\n"
                                     + tr("This is possibly because the existing firmware is too old for this software version."));
        UserDialogs::information(this, title,
                                 tr("To continue the update, please disconnect your device and then reconnect it again."));
    }
    UserDialogs::information(this, title,
                             tr("Please do not disconnect the device while the update is taking place.") + "\r\n"
                                 + tr("This will cause incomplete/corrupted firmware to be uploaded."));
    appendConsoleNL(tr("Update will start in 5 seconds..."));
    QTimer::singleShot(UpdateDelayMs, this, &NUVQORAWidget::startFirmwareUpdate);
}

void NUVQORAWidget::startFirmwareUpdate()
{
    const QStringList images = QDir(firmwareDirectory()).entryList({FirmwarePattern});
    if (images.isEmpty()) {
        appendConsoleNL(tr("No firmware files found!"));
        updateError();
        return;
    }
    m_loader.start(LoaderProgram, {QStringLiteral("-p"), firmwareDirectory() + images.first()}, QIODevice::ReadWrite);
}

void NUVQORAWidget::firmwareUpdateOutputAvailable()
{
    const QString text = QString::fromLocal8Bit(m_loader.readAllStandardOutput());
    ConsoleSink::out() << text.toStdString() << std::endl;
    appendConsoleNL(FirmwareLoaderReport::consoleText(text));
    m_mainWindow->ui.console->moveCursor(QTextCursor::End);
}

void NUVQORAWidget::firmwareUpdateComplete(int exitCode, QProcess::ExitStatus)
{
    ui.updateFirmware->setEnabled(true);
    ConsoleSink::out() << "Firmware update complete " << exitCode << std::endl;
    reconnectAfterUpdate();
}

void NUVQORAWidget::updateError(QProcess::ProcessError error)
{
    if (!FirmwareLoaderReport::endsUpdate(error, m_loader.state())) {
        qWarning("Firmware loader: %s", qPrintable(m_loader.errorString()));
        return;
    }
    updateError();
}

void NUVQORAWidget::updateError()
{
    appendConsoleNL(tr("Failed to update firmware."));
    reconnectAfterUpdate();
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::checkDisconnected, Qt::QueuedConnection);
}

void NUVQORAWidget::reconnectAfterUpdate()
{
    m_interface->setConnectionAttemptsEnabled(true);
    m_interface->setAutoStartFirmware(true);
    // In the worker thread: a device that does not answer holds the attempt for seconds.
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::attemptConnection, Qt::QueuedConnection);
}

void NUVQORAWidget::checkForUpdates()
{
    const QString version = QString::number(ProgramVersion) + QString::number(ProgramVersion);
    const QString host = m_mainWindow->settings()->value(QStringLiteral("updateHost"), DefaultUpdateHost).toString();
    const QUrl url(QStringLiteral("http://") + host + QStringLiteral("/resources/update/NUVQORA/updateavailable.php?v=")
                       + version,
                   QUrl::TolerantMode);
    ConsoleSink::out() << url.toString().toStdString() << std::endl;
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", "Mozilla Firefox");
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, &NUVQORAWidget::checkForUpdatesFinished);
}

void NUVQORAWidget::checkForUpdatesFinished()
{
    ConsoleSink::out() << "checkForUpdatesFinished. Getting reply..." << std::endl;
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QString text = QString::fromUtf8(reply->readAll());
    ConsoleSink::out() << text.toStdString() << std::endl;
    if (!text.isEmpty()) {
        const QStringList parts = text.split(',', Qt::KeepEmptyParts);
        if (parts.first() == QLatin1String("1")) {
            UserDialogs::information(this, tr("Update"),
                                     tr("A new update is available online. Please visit ") + NUVStudio::webAddress()
                                         + tr(" to download a new update for your device. Updates are important for "
                                              "device reliability and feature enhancements."));
            if (parts.size() > 1)
                UserDialogs::information(this, tr("Update"), parts[1]);
        }
    }
    reply->deleteLater();
}
