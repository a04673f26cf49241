#pragma once

#include "ui_NUVStudio.h"

#include <QMainWindow>

#include <memory>

class DeviceNotifier;
class NUVTAVOInterface;
class NUVTAVOWidget;
class QSettings;

// The one top-level window of NUV TAVO: it hosts the live window as its central content, keeps
// the console dock with the overview, radio status, output-line and flight-state labels that
// the live window writes, and forwards USB device changes to the live window's radio link, as
// queued calls into its worker thread.
class NUVStudio : public QMainWindow
{
    Q_OBJECT

public:
    explicit NUVStudio(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~NUVStudio() override;

    // The application settings ("tavo_settings.ini"), which the live window reads.
    QSettings *settings() const;
    // The hosted live window; null only while the constructor has not yet opened it.
    NUVTAVOWidget *liveWindow() const;

    // Public so that the live window writes the console, the labels, the connection image and
    // the status bar.
    Ui::NUVStudioClass ui;

public slots:
    void showAbout();
    void showSettings();
    void openNUVTAVOInterface();

private:
    void forwardDeviceChanges(NUVTAVOInterface *radio);

    NUVTAVOWidget *m_liveWindow = nullptr;
    std::unique_ptr<QSettings> m_settings;
    DeviceNotifier *m_deviceNotifier = nullptr;
};
