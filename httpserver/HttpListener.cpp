#include "HttpListener.h"

#include "HttpConnectionHandler.h"
#include "HttpConnectionHandlerPool.h"
#include "HttpServerLog.h"

#include <QSettings>
#include <QTcpSocket>
#include <QtDebug>

#include <unistd.h>

namespace tarnwick {

namespace {
const char tooManyConnectionsAnswer[] =
    "HTTP/1.1 503 too many connections\r\nConnection: close\r\n\r\nToo many connections\r\n";
} // namespace

HttpListener::HttpListener(const QSettings *settings, HttpRequestHandler *requestHandler, QObject *parent)
    : QTcpServer(parent)
    , settings(settings)
    , requestHandler(requestHandler)
{
    Q_ASSERT(settings != nullptr);
    Q_ASSERT(requestHandler != nullptr);
    qRegisterMetaType<tSocketDescriptor>("tSocketDescriptor");
    listen();
}

HttpListener::~HttpListener()
{
    close();
    qCDebug(httpServerLog, "HttpListener: destroyed");
}

void HttpListener::listen()
{
    if (!pool)
        pool = new HttpConnectionHandlerPool(settings, requestHandler);
    const QString host = settings->value("host").toString();
    const int port = settings->value("port", "0").toInt();
    // Only the program's own browser is a client, so the loopback interface is the default.
    // A host name is not looked up: only a numeric address can be bound.
    const QHostAddress address = host.isEmpty() ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(host);
    if (address.isNull()) {
        qCCritical(httpServerLog, "HttpListener: Cannot bind on port %i: %s", port,
                  qPrintable(QStringLiteral("'%1' is not a numeric host address").arg(host)));
        return;
    }
    if (port < 0 || port > 65535) {
        qCCritical(httpServerLog, "HttpListener: Cannot bind on port %i: %s", port, "not a TCP port number");
        return;
    }
    if (QTcpServer::listen(address, quint16(port)))
        qCDebug(httpServerLog, "HttpListener: Listening on port %i", port);
    else
        qCCritical(httpServerLog, "HttpListener: Cannot bind on port %i: %s", port, qPrintable(errorString()));
}

void HttpListener::close()
{
    QTcpServer::close();
    qCDebug(httpServerLog, "HttpListener: closed");
    delete pool;
    pool = nullptr;
}

void HttpListener::incomingConnection(qintptr socketDescriptor)
{
    HttpConnectionHandler *handler = pool ? pool->getConnectionHandler() : nullptr;
    if (handler) {
        QMetaObject::invokeMethod(
            handler, [handler, socketDescriptor] { handler->handleConnection(socketDescriptor); },
            Qt::QueuedConnection);
        return;
    }
    qCDebug(httpServerLog, "HttpListener: Too many incoming connections");
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        ::close(int(socketDescriptor));
        delete socket;
        return;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->write(tooManyConnectionsAnswer, sizeof tooManyConnectionsAnswer - 1);
    socket->disconnectFromHost();
}

} // namespace tarnwick
