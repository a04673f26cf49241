#include "TavoStartup.h"

#include "BrowserSandbox.h"
#include "MessageHandler.h"
#include "NUVStudio.h"
#include "SimulatedHidBackend.h"
#include "WebServer.h"

#include <QApplication>
#include <QSettings>
#include <QWebEngineSettings>

int runNuvTavo(int argc, char *argv[], const std::function<void(NUVStudio &)> &onWindowBuilt)
{
    BrowserSandbox::switchOffForRoot();
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    SimulatedHidBackend::registerWithPlatform();

    QWebEngineSettings *webSettings = QWebEngineSettings::globalSettings();
    webSettings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    webSettings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    webSettings->setAttribute(QWebEngineSettings::LocalStorageEnabled, true);
    webSettings->setAttribute(QWebEngineSettings::WebGLEnabled, true);

    QSettings settings(QStringLiteral("tavo_settings.ini"), QSettings::IniFormat);
    qInstallMessageHandler(messageHandler);

    if (!webServer)
        webServer.reset(makeWebServer(&application));

    NUVStudio window;
    window.showMaximized();
    if (onWindowBuilt)
        onWindowBuilt(window);
    return QApplication::exec();
}
