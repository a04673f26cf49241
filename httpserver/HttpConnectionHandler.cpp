#include "HttpConnectionHandler.h"

#include "HttpRequest.h"
#include "HttpRequestHandler.h"
#include "HttpResponse.h"
#include "HttpServerLog.h"
#include "PendingOutput.h"

#include <QSettings>
#include <QSslSocket>
#include <QtDebug>

#include <unistd.h>

namespace tarnwick {

namespace {
const char tooLargeAnswer[] = "HTTP/1.1 413 entity too large\r\nConnection: close\r\n\r\n413 Entity too large\r\n";
// Longest time the output of a closing connection may take to drain.
constexpr int closingFlushTimeoutMs = 30000;
// A request whose body keeps trickling in may extend its read time-out, but the whole
// request never takes longer than this many read time-outs.
constexpr int mostReadTimeoutsPerRequest = 6;
} // namespace

HttpConnectionHandler::HttpConnectionHandler(const QSettings *settings, HttpRequestHandler *requestHandler,
                                             const QSslConfiguration *sslConfiguration)
    : settings(settings)
    , requestHandler(requestHandler)
    , sslConfiguration(sslConfiguration)
{
    Q_ASSERT(settings != nullptr);
    Q_ASSERT(requestHandler != nullptr);
    createSocket();
    moveToThread(this);
    socket->moveToThread(this);
    readTimer.moveToThread(this);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnectionHandler::read);
    connect(socket, &QTcpSocket::disconnected, this, &HttpConnectionHandler::disconnected);
    connect(&readTimer, &QTimer::timeout, this, &HttpConnectionHandler::readTimeout);
    readTimer.setSingleShot(true);
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): constructed", static_cast<void *>(this));
    start();
}

HttpConnectionHandler::~HttpConnectionHandler()
{
    // Interruption cuts short any wait for a slow client, so the join below is prompt.
    requestInterruption();
    quit();
    wait();
    const std::lock_guard<std::mutex> ended(runMutex);
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): destroyed", static_cast<void *>(this));
}

void HttpConnectionHandler::createSocket()
{
    if (sslConfiguration) {
        auto *sslSocket = new QSslSocket;
        sslSocket->setSslConfiguration(*sslConfiguration);
        socket = sslSocket;
        qCDebug(httpServerLog, "HttpConnectionHandler (%p): SSL is enabled", static_cast<void *>(this));
    } else {
        socket = new QTcpSocket;
    }
}

void HttpConnectionHandler::run()
{
    const std::lock_guard<std::mutex> running(runMutex);
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): thread started", static_cast<void *>(this));
    try {
        exec();
    } catch (...) {
        qCCritical(httpServerLog, "HttpConnectionHandler (%p): an uncatched exception occured in the thread", static_cast<void *>(this));
    }
    delete currentRequest;
    currentRequest = nullptr;
    socket->close();
    delete socket;
    socket = nullptr;
    readTimer.stop();
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): thread stopped", static_cast<void *>(this));
}

int HttpConnectionHandler::settingsReadTimeout() const
{
    return settings->value("readTimeout", "10000").toInt();
}

void HttpConnectionHandler::handleConnection(tSocketDescriptor socketDescriptor)
{
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): handle new connection", static_cast<void *>(this));
    busy = true;
    Q_ASSERT(socket->isOpen() == false);
    // Leaves nothing of the previous connection in the reused socket.
    socket->connectToHost(QString(), 0);
    socket->abort();
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        qCCritical(httpServerLog, "HttpConnectionHandler (%p): cannot initialize socket: %s", static_cast<void *>(this),
                  qPrintable(socket->errorString()));
        // Nobody else owns the descriptor now; close it and be available again.
        ::close(int(socketDescriptor));
        busy = false;
        return;
    }
    // A response leaves in several writes; without this its last small piece may wait for
    // the client's delayed acknowledgement of the previous one.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (sslConfiguration) {
        qCDebug(httpServerLog, "HttpConnectionHandler (%p): Starting encryption", static_cast<void *>(this));
        static_cast<QSslSocket *>(socket)->startServerEncryption();
    }
    readTimer.start(settingsReadTimeout());
    delete currentRequest;
    currentRequest = nullptr;
}

void HttpConnectionHandler::readTimeout()
{
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): read timeout occured", static_cast<void *>(this));
    closeAfterPendingOutput();
    delete currentRequest;
    currentRequest = nullptr;
}

void HttpConnectionHandler::disconnected()
{
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): disconnected", static_cast<void *>(this));
    socket->close();
    readTimer.stop();
    busy = false;
}

void HttpConnectionHandler::read()
{
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() > 0) {
        if (!currentRequest) {
            currentRequest = new HttpRequest(settings);
            currentRequestDeadline.setRemainingTime(mostReadTimeoutsPerRequest * settingsReadTimeout());
        }
        while (socket->bytesAvailable() > 0 && currentRequest->getStatus() != HttpRequest::complete
               && currentRequest->getStatus() != HttpRequest::aborted) {
            currentRequest->readFromSocket(socket);
            if (currentRequest->getStatus() == HttpRequest::readingBody)
                readTimer.start(int(qMin<qint64>(settingsReadTimeout(), currentRequestDeadline.remainingTime())));
        }
        if (currentRequest->getStatus() == HttpRequest::aborted) {
            answerTooLarge();
            return;
        }
        if (currentRequest->getStatus() == HttpRequest::complete)
            serveCurrentRequest();
    }
}

void HttpConnectionHandler::answerTooLarge()
{
    socket->write(tooLargeAnswer, sizeof tooLargeAnswer - 1);
    closeAfterPendingOutput();
    delete currentRequest;
    currentRequest = nullptr;
}

void HttpConnectionHandler::serveCurrentRequest()
{
    readTimer.stop();
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): received request", static_cast<void *>(this));
    const int readTimeout = settingsReadTimeout();
    HttpResponse response(socket, readTimeout);
    const bool closeConnection = qstricmp(currentRequest->getHeader("Connection").constData(), "close") == 0
        || qstricmp(currentRequest->getVersion().constData(), "HTTP/1.0") == 0;
    if (closeConnection)
        response.setHeader("Connection", "close");
    try {
        requestHandler->service(*currentRequest, response);
    } catch (...) {
        qCCritical(httpServerLog, "HttpConnectionHandler (%p): An uncatched exception occured in the request handler",
                  static_cast<void *>(this));
    }
    if (!response.hasSentLastPart())
        response.write(QByteArray(), true);
    qCDebug(httpServerLog, "HttpConnectionHandler (%p): finished request", static_cast<void *>(this));

    const QMap<QByteArray, QByteArray> &headers = response.getHeaders();
    const bool keepAlive = !closeConnection && qstricmp(headers.value("Connection").constData(), "close") != 0
        && (headers.contains("Content-Length") || qstricmp(headers.value("Transfer-Encoding").constData(), "chunked") == 0);
    if (keepAlive && response.isConnected())
        readTimer.start(readTimeout);
    else
        closeAfterPendingOutput();
    delete currentRequest;
    currentRequest = nullptr;
}

void HttpConnectionHandler::closeAfterPendingOutput()
{
    if (PendingOutput::waitUntilAtMost(socket, 0, closingFlushTimeoutMs))
        socket->disconnectFromHost();
    else
        socket->abort();
}

} // namespace tarnwick
