#include "QoraStartup.h"

#include "BrowserSandbox.h"
#include "ConsoleSink.h"
#include "LongPath.h"
#include "MessageHandler.h"
#include "NUVStudio.h"
#include "SimulatedHidBackend.h"
#include "WebServer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QWebEngineSettings>

#include <ostream>

namespace {

// Each start-up line reaches a pipe at once, before the window opens.
void printLine(const QString &text)
{
    ConsoleSink::out() << text.toLocal8Bit().constData() << std::endl;
}

} // namespace

int runNuvQora(int argc, char *argv[], const std::function<void(NUVStudio &)> &shown)
{
    BrowserSandbox::switchOffForRoot();
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QSettings settings(QStringLiteral("settings.ini"), QSettings::IniFormat);
    qInstallMessageHandler(messageHandler);
    QApplication application(argc, argv);
    SimulatedHidBackend::registerWithPlatform();

    for (const QString &argument : QCoreApplication::arguments())
        printLine(QStringLiteral("arg: ") + argument);

    QCommandLineParser parser;
    QCommandLineOption flightOption(QStringLiteral("flight"), QStringLiteral("Flight file to load"),
                                    QStringLiteral("file"), QString());
    parser.addOption(flightOption);
    parser.process(application);

    QWebEngineSettings *webSettings = QWebEngineSettings::globalSettings();
    webSettings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    webSettings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    webSettings->setAttribute(QWebEngineSettings::LocalStorageEnabled, true);
    webSettings->setAttribute(QWebEngineSettings::WebGLEnabled, true);

    if (!webServer)
        webServer.reset(makeWebServer(&application));

    const QString shortName = parser.value(flightOption);
    const QString flightPath = longPathName(shortName);
    printLine(QStringLiteral("Short file name: ") + shortName);
    printLine(QStringLiteral("Flight file path: ") + flightPath);

    NUVStudio window(flightPath);
    window.showMaximized();
    if (shown)
        shown(window);
    return QApplication::exec();
}
