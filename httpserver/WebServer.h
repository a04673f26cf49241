#pragma once

#include <QString>
#include <QUrl>

#include <memory>

class QObject;

namespace tarnwick {
class HttpListener;
class StaticFileController;
}

// Starts the programs' web server from its settings file. Owns nothing: the settings, the
// controller, the mapper and the listener are children of the parent it is given.
class WebServer
{
public:
    explicit WebServer(QObject *parent);

    // The page's address on the loopback host and the port really listened on; empty
    // while no server exists. Also printed as "URL: ..." on standard output.
    static QUrl url(const QString &page);

private:
    tarnwick::StaticFileController *controller = nullptr;
    tarnwick::HttpListener *listener = nullptr;
};

WebServer *makeWebServer(QObject *parent);

// Program-wide globals that each program defines: the settings file name, resolved against
// the program's directory (an absolute path stands as it is), and the one server.
extern QString httpServerConfigFile;
extern std::unique_ptr<WebServer> webServer;
