#pragma once

#include "ui_NUVStudio.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class DeviceNotifier;
class NUVQORAFlight;
class NUVQORAInterface;
class NUVQORAWidget;
class QCloseEvent;
class QMdiSubWindow;
class QSettings;

// The one top-level window of NUV QORA: a tabbed area holding the device window (at most
// one) and a flight window per open flight, the console dock the device window writes, the
// program's menus, and the forwarding of USB device changes to the device window's interface,
// as queued calls into its worker thread.
class NUVStudio : public QMainWindow
{
    Q_OBJECT

public:
    // filePath: the flight to open at start; empty opens the device window instead.
    explicit NUVStudio(const QString &filePath, QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~NUVStudio() override;

    // The application settings ("settings.ini"); the windows read their units from it.
    QSettings *settings() const;
    // The device window while it is open, else null.
    NUVQORAWidget *devicePanel() const;
    // The maker's web address, shown in the about box and where an update is offered.
    static QString webAddress();

    // Public so that the device window and the flight windows write the console, the overview
    // labels and the status bar and wire the flight actions.
    Ui::NUVStudioClass ui;

public slots:
    void tabChanged(QMdiSubWindow *window);
    void saveFlight();
    void saveFlightAs();
    void loadFlight();
    void loadFlight(QString fileName);
    void addFlight(std::shared_ptr<NUVQORAFlight> flight, QString title);
    void openNUVQORAInterface();
    void showAbout();
    void showSettings();
    void updateMenus();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void openFlightWindow(std::shared_ptr<NUVQORAFlight> flight, const QString &title, const QString &filePath,
                          bool modified);
    bool closeFlightWindows();
    void forwardDeviceChanges(NUVQORAInterface *link);

    NUVQORAWidget *m_devicePanel = nullptr; // cleared by its sub-window when that goes
    std::unique_ptr<QSettings> m_settings;
    DeviceNotifier *m_deviceNotifier = nullptr;
};
