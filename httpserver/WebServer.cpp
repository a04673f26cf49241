#include "WebServer.h"

#include "ConsoleSink.h"
#include "HttpListener.h"
#include "RequestMapper.h"
#include "StaticFileController.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include <ostream>

WebServer::WebServer(QObject *parent)
{
    const QString configFile = QDir(QCoreApplication::applicationDirPath()).filePath(httpServerConfigFile);
    auto *docrootSettings = new QSettings(configFile, QSettings::IniFormat, parent);
    docrootSettings->beginGroup("docroot");
    controller = new tarnwick::StaticFileController(docrootSettings, parent);
    auto *listenerSettings = new QSettings(configFile, QSettings::IniFormat, parent);
    listenerSettings->beginGroup("listener");
    auto *mapper = new RequestMapper(controller, parent);
    listener = new tarnwick::HttpListener(listenerSettings, mapper, parent);
    // The parent deletes its children in creation order, the listener last; its handler
    // threads must stop before the settings and handlers they use are gone.
    tarnwick::HttpListener *stopping = listener;
    QObject::connect(parent, &QObject::destroyed, listener, [stopping] { stopping->close(); });
}

QUrl WebServer::url(const QString &page)
{
    QUrl pageUrl;
    if (webServer)
        pageUrl = QUrl(QStringLiteral("http://localhost:%1/%2").arg(webServer->listener->serverPort()).arg(page));
    ConsoleSink::out() << "URL: " << pageUrl.toString().toStdString() << std::endl;
    return pageUrl;
}

WebServer *makeWebServer(QObject *parent)
{
    return new WebServer(parent);
}
