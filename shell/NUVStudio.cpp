#include "NUVStudio.h"

#include "ApplicationSettingsWidget.h"
#include "DeviceNotifier.h"
#include "NUVQORAFlight.h"
#include "NUVQORAFlightSubWindow.h"
#include "NUVQORAFlightWidget.h"
#include "NUVQORAInterface.h"
#include "NUVQORASubWindow.h"
#include "NUVQORAWidget.h"
#include "UserDialogs.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QSettings>

namespace {

const char *const VersionText = "2.13";
const char *const WebAddress = "https://www.velmarin-electronics.example/nuv-qora";

// The flight window a sub-window holds, or null for the device window and no window.
NUVQORAFlightWidget *flightWidgetOf(QMdiSubWindow *window)
{
    return window ? qobject_cast<NUVQORAFlightWidget *>(window->widget()) : nullptr;
}

} // namespace

NUVStudio::NUVStudio(const QString &filePath, QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    Q_INIT_RESOURCE(NUVStudio); // the icon and connection images of the form
    ui.setupUi(this);
    m_settings = std::make_unique<QSettings>(QStringLiteral("settings.ini"), QSettings::IniFormat);

    connect(ui.actionOpen, &QAction::triggered, this, qOverload<>(&NUVStudio::loadFlight));
    connect(ui.actionNUV_QORA_Interface, &QAction::triggered, this, &NUVStudio::openNUVQORAInterface);
    connect(ui.actionAbout, &QAction::triggered, this, &NUVStudio::showAbout);
    connect(ui.actionSettings, &QAction::triggered, this, &NUVStudio::showSettings);
    connect(ui.mdiArea, &QMdiArea::subWindowActivated, this, &NUVStudio::tabChanged);

    m_deviceNotifier = new DeviceNotifier(DeviceNotifier::Source::Automatic, this);

    showMaximized();

    if (!filePath.isEmpty())
        loadFlight(filePath);
    else
        openNUVQORAInterface();
    // A flight that failed to load opens no window, which would leave the menus as the form has them.
    updateMenus();
}

NUVStudio::~NUVStudio()
{
    // The area reports the last sub-window's deactivation as the QWidget part closes, when this
    // is no longer a NUVStudio to handle it.
    disconnect(ui.mdiArea, &QMdiArea::subWindowActivated, this, &NUVStudio::tabChanged);
}

QSettings *NUVStudio::settings() const
{
    return m_settings.get();
}

NUVQORAWidget *NUVStudio::devicePanel() const
{
    return m_devicePanel;
}

QString NUVStudio::webAddress()
{
    return QLatin1String(WebAddress);
}

void NUVStudio::tabChanged(QMdiSubWindow *)
{
    updateMenus();
}

void NUVStudio::saveFlight()
{
    if (NUVQORAFlightWidget *flightWidget = flightWidgetOf(ui.mdiArea->activeSubWindow()))
        flightWidget->save();
}

void NUVStudio::saveFlightAs()
{
    if (NUVQORAFlightWidget *flightWidget = flightWidgetOf(ui.mdiArea->activeSubWindow()))
        flightWidget->saveAs();
}

void NUVStudio::loadFlight()
{
    const QString fileName = UserDialogs::current().openFileName(
        this, tr("Open NUV QORA flight"), QString(), tr("NUV QORA flights (*.qora)"));
    if (fileName.isEmpty())
        return;
    for (QMdiSubWindow *window : ui.mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (window->widget() && window->widget()->windowFilePath() == fileName) {
            ui.mdiArea->setActiveSubWindow(window);
            return;
        }
    }
    loadFlight(fileName);
}

void NUVStudio::loadFlight(QString fileName)
{
    auto flight = std::make_shared<NUVQORAFlight>();
    if (!flight->load(fileName.toStdWString())) {
        UserDialogs::critical(this, tr("Could not open flight"), fileName);
        return;
    }
    openFlightWindow(flight, QFileInfo(fileName).fileName(), fileName, false);
}

void NUVStudio::addFlight(std::shared_ptr<NUVQORAFlight> flight, QString title)
{
    flight->buildSplines();
    // Not yet in a file: marked modified so that Save asks for a name.
    openFlightWindow(flight, title, QString(), true);
}

void NUVStudio::openFlightWindow(std::shared_ptr<NUVQORAFlight> flight, const QString &title,
                                 const QString &filePath, bool modified)
{
    ui.statusBar->showMessage(tr("Loading flight: ") + (filePath.isEmpty() ? title : filePath));
    auto *flightWidget = new NUVQORAFlightWidget(this, std::move(flight));
    flightWidget->setWindowTitle(title + QStringLiteral("[*]"));
    flightWidget->setWindowFilePath(filePath);
    flightWidget->setWindowModified(modified);

    auto *window = new NUVQORAFlightSubWindow();
    window->setWidget(flightWidget);
    window->setAttribute(Qt::WA_DeleteOnClose);
    ui.mdiArea->addSubWindow(window);
    window->show();

    ui.statusBar->showMessage(tr("Flight loaded"), 2000);
    flightWidget->setFocus();
}

void NUVStudio::openNUVQORAInterface()
{
    if (m_devicePanel)
        return;
    ui.statusBar->showMessage(tr("Loading NUV QORA interface..."));
    auto *window = new NUVQORASubWindow(&m_devicePanel);
    m_devicePanel = new NUVQORAWidget(this);
    forwardDeviceChanges(m_devicePanel->deviceInterface());
    window->setWidget(m_devicePanel);
    window->setWindowIcon(windowIcon());
    window->setAttribute(Qt::WA_DeleteOnClose);
    ui.mdiArea->addSubWindow(window);
    ui.mdiArea->setActiveSubWindow(window);
    window->showMaximized();
    m_devicePanel->setFocus();
    ui.statusBar->showMessage(tr("Interface loaded."), 2000);
}

void NUVStudio::showAbout()
{
    UserDialogs::current().about(this, tr("About"),
                                 QStringLiteral("Velmarin Electronics\n\nNUV QORA software version %1\n\n%2")
                                     .arg(QLatin1String(VersionText), webAddress()));
}

void NUVStudio::showSettings()
{
    ApplicationSettingsWidget dialog(this, m_settings.get());
    UserDialogs::current().run(dialog);
}

void NUVStudio::updateMenus()
{
    const NUVQORAFlightWidget *flightWidget = flightWidgetOf(ui.mdiArea->currentSubWindow());
    const bool flightActive = flightWidget != nullptr;
    ui.menuFlight->setEnabled(flightActive);
    ui.actionSave->setEnabled(flightActive && flightWidget->isWindowModified());
    ui.actionSave_As->setEnabled(flightActive);
    ui.actionExport_to_Excel->setEnabled(flightActive);
    ui.actionExport_emulation_data->setEnabled(flightActive);
    ui.actionExport_thrust_data->setEnabled(flightActive);
}

void NUVStudio::closeEvent(QCloseEvent *event)
{
    if (!closeFlightWindows()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// Each flight window asks its own question; one that is refused keeps the program open.
bool NUVStudio::closeFlightWindows()
{
    for (QMdiSubWindow *window : ui.mdiArea->subWindowList()) {
        if (flightWidgetOf(window) && !window->close())
            return false;
    }
    return true;
}

// Into the interface's worker thread, each change followed by the disconnection check: a
// download or an emulation in real time holds the device for minutes, and the window must not
// wait for it. The connections go with the interface.
void NUVStudio::forwardDeviceChanges(NUVQORAInterface *link)
{
    connect(m_deviceNotifier, &DeviceNotifier::deviceArrived, link, [link] {
        link->attemptConnection();
        link->checkDisconnected();
    });
    connect(m_deviceNotifier, &DeviceNotifier::deviceRemoved, link, [link](const DeviceNotice &notice) {
        link->deviceRemoved(notice);
        link->checkDisconnected();
    });
}
