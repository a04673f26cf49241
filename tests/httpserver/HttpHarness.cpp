// Runs the web server as the programs do, from the settings file named on the command line,
// until SIGTERM or SIGINT, so that tests and benchmarks can drive it from outside.
#include "WebServer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

QString httpServerConfigFile;
std::unique_ptr<WebServer> webServer;

namespace {
int signalPipe[2];

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: http-harness SETTINGS_FILE" << Qt::endl;
        return 2;
    }
    if (::pipe(signalPipe) != 0)
        return 1;
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    httpServerConfigFile = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    webServer.reset(makeWebServer(&app));
    WebServer::url("index.html");
    return app.exec();
}
