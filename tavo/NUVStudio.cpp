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

// What an arrival leads to, in the radio link's thread.
void connectAndShowState(NUVTAVOInterface *radio)
{
    radio->attemptConnection();
    radio->updateConnectionIcon();
}

} // namespace

NUVStudio::NUVStudio(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    Q_INIT_RESOURCE(NUVStudio); // the icon and connection images of the form
    ui.setupUi(this);
    m_settings = std::make_unique<QSettings>(QStringLiteral("tavo_settings.ini"), QSettings::IniFormat);

    connect(ui.actionSettings, &QAction::triggered, this, &NUVStudio::showSettings);

    m_deviceNotifier = new DeviceNotifier(DeviceNotifier::Source::Automatic, this);

    // The window is on screen before the live window's map page and graphs are built.
    showMaximized();
    QCoreApplication::processEvents();

    openNUVTAVOInterface();
    // A station already present is met in the radio link's thread, as one that arrives.
    if (m_liveWindow) {
        NUVTAVOInterface *radio = m_liveWindow->radioLink();
        QMetaObject::invokeMethod(
            radio, [radio] { connectAndShowState(radio); }, Qt::QueuedConnection);
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
    forwardDeviceChanges(m_liveWindow->radioLink());
    ui.verticalLayout_2->addWidget(m_liveWindow);

    connect(ui.actionClear_and_Zero, &QAction::triggered, m_liveWindow, &NUVTAVOWidget::clearAndZero);
    connect(ui.actionSave, &QAction::triggered, m_liveWindow, &NUVTAVOWidget::saveFlight);
    connect(ui.actionSave_As, &QAction::triggered, m_liveWindow, &NUVTAVOWidget::saveFlightAs);
    connect(ui.actionAbout, &QAction::triggered, this, &NUVStudio::showAbout);
    ui.statusBar->showMessage(tr("Interface loaded."), 2000);
}

// Into the radio link's worker thread: its poll holds its mutex, and a station that does not
// answer holds a connection attempt. Every change, whatever it was, then refreshes the
// connection image. The connections go with the radio link.
void NUVStudio::forwardDeviceChanges(NUVTAVOInterface *radio)
{
    connect(m_deviceNotifier, &DeviceNotifier::deviceArrived, radio, [radio] { connectAndShowState(radio); });
    connect(m_deviceNotifier, &DeviceNotifier::deviceRemoved, radio, [radio](const DeviceNotice &notice) {
        radio->handleDeviceRemoval(notice);
        radio->updateConnectionIcon();
    });
}
