#include "NUVStudio.h"

#include "ApplicationSettingsWidget.h"
#include "DeviceNotifier.h"
#include "NUVTAVOInterface.h"
#include "NUVTAVOWidget.h"
#include "UserDialogs.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

const char *const VersionText = "2.13";
const char *const WebAddress = "https://www.velmarin-electronics.example/nuv-tavo";

} // namespace

NUVStudio::NUVStudio(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    Q_INIT_RESOURCE(NUVStudio); // the icon and connection images of the form
    ui.setupUi(this);
    m_settings = std::make_unique<QSettings>(QStringLiteral("tavo_settings.ini"), QSettings::IniFormat);

    connect(ui.actionSettings, &QAction::triggered, this, &NUVStudio::showSettings);

    m_deviceNotifier = new DeviceNotifier(DeviceNotifier::Source::Automatic, this);
    connect(m_deviceNotifier, &DeviceNotifier::deviceArrived, this, &NUVStudio::deviceArrived);
    connect(m_deviceNotifier, &DeviceNotifier::deviceRemoved, this, &NUVStudio::deviceRemoved);

    // The window is on screen before the live window's map page and graphs are built.
    showMaximized();
    QCoreApplication::processEvents();

    openNUVTAVOInterface();
    if (m_liveWindow) {
        m_liveWindow->radioLink()->attemptConnection();
        m_liveWindow->radioLink()->updateConnectionIcon();
    }
}

NUVStudio::~NUVStudio() = default;

QSettings *NUVStudio::settings() const
{
    return m_settings.get();
}

NUVTAVOWidget *NUVStudio::liveWindow() const
{
    return m_liveWindow;
}

void NUVStudio::showAbout()
{
    UserDialogs::current().about(this, tr("About"),
                                 QStringLiteral("Velmarin Electronics\n\nNUV TAVO software version %1\n\n%2")
                                     .arg(QLatin1String(VersionText), QLatin1String(WebAddress)));
}

void NUVStudio::showSettings()
{
    ApplicationSettingsWidget dialog(this, m_settings.get());
    UserDialogs::current().run(dialog);
}

void NUVStudio::openNUVTAVOInterface()
{
    if (m_liveWindow)
        return;
    ui.statusBar->showMessage(tr("Loading NUV TAVO interface..."));
    m_liveWindow = new NUVTAVOWidget(this);
    ui.verticalLayout_2->addWidget(m_liveWindow);

    connect(ui.actionClear_and_Zero, &QAction::triggered, m_liveWindow, &NUVTAVOWidget::clearAndZero);
    connect(ui.actionSave, &QAction::triggered, m_liveWindow, &NUVTAVOWidget::saveFlight);
    connect(ui.actionSave_As, &QAction::triggered, m_liveWindow, &NUVTAVOWidget::saveFlightAs);
    connect(ui.actionAbout, &QAction::triggered, this, &NUVStudio::showAbout);
    ui.statusBar->showMessage(tr("Interface loaded."), 2000);
}

// Every device change, whatever it was, refreshes the connection image.
void NUVStudio::deviceArrived(const DeviceNotice &)
{
    if (!m_liveWindow)
        return;
    m_liveWindow->radioLink()->attemptConnection();
    m_liveWindow->radioLink()->updateConnectionIcon();
}

void NUVStudio::deviceRemoved(const DeviceNotice &notice)
{
    if (!m_liveWindow)
        return;
    m_liveWindow->radioLink()->handleDeviceRemoval(notice);
    m_liveWindow->radioLink()->updateConnectionIcon();
}
