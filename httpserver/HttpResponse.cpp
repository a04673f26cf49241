#include "HttpResponse.h"

#include "HeaderText.h"
#include "PendingOutput.h"

#include <QTcpSocket>

namespace tarnwick {

namespace {
// Queued output above which the writer waits, so large bodies stream instead of piling up.
constexpr qint64 mostQueuedBytes = 16384;
} // namespace

HttpResponse::HttpResponse(QTcpSocket *socket, int writeTimeout)
    : socket(socket)
    , writeTimeout(writeTimeout)
{
}

void HttpResponse::setStatus(int code, const QByteArray &description)
{
    statusCode = code;
    statusText = withoutLineBreaks(description);
}

void HttpResponse::setHeader(const QByteArray &name, const QByteArray &value)
{
    Q_ASSERT_X(!sentHeaders, "HttpResponse::setHeader", "sentHeaders==false");
    headers.insert(withoutLineBreaks(name), withoutLineBreaks(value));
}

void HttpResponse::setCookie(const HttpCookie &cookie)
{
    Q_ASSERT_X(!sentHeaders, "HttpResponse::setCookie", "sentHeaders==false");
    if (!cookie.getName().isEmpty())
        cookies.insert(cookie.getName(), cookie);
}

void HttpResponse::write(const QByteArray &data, bool lastPart)
{
    Q_ASSERT_X(!sentLastPart, "HttpResponse::write", "sentLastPart==false");
    if (!sentHeaders) {
        if (lastPart) {
            headers.insert("Content-Length", QByteArray::number(data.size()));
        } else {
            const QByteArray connection = headers.value("Connection", headers.value("connection"));
            if (qstricmp(connection.constData(), "close") != 0) {
                headers.insert("Transfer-Encoding", "chunked");
                chunkedMode = true;
            }
        }
        writeHeaders();
    }
    if (!data.isEmpty()) {
        if (chunkedMode) {
            writeToSocket(QByteArray::number(data.size(), 16));
            writeToSocket("\r\n");
            writeToSocket(data);
            writeToSocket("\r\n");
        } else {
            writeToSocket(data);
        }
    }
    if (lastPart) {
        if (chunkedMode)
            writeToSocket("0\r\n\r\n");
        socket->flush();
        sentLastPart = true;
    }
}

bool HttpResponse::isConnected() const
{
    return socket->isOpen() && socket->state() == QAbstractSocket::ConnectedState;
}

void HttpResponse::writeHeaders()
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(statusCode) + ' ' + statusText + "\r\n";
    for (auto header = headers.cbegin(); header != headers.cend(); ++header)
        head += header.key() + ": " + header.value() + "\r\n";
    for (const HttpCookie &cookie : cookies)
        head += "Set-Cookie: " + cookie.toByteArray() + "\r\n";
    head += "\r\n";
    writeToSocket(head);
    sentHeaders = true;
}

bool HttpResponse::writeToSocket(const QByteArray &data)
{
    const char *remaining = data.constData();
    qint64 remainingSize = data.size();
    while (remainingSize > 0 && socket->isOpen()) {
        if (!PendingOutput::waitUntilAtMost(socket, mostQueuedBytes, writeTimeout)) {
            // The client stopped reading (or the program is closing): drop the connection
            // rather than hold the thread; later writes are no-ops on the closed socket.
            socket->abort();
            return false;
        }
        const qint64 written = socket->write(remaining, remainingSize);
        if (written < 0)
            return false;
        remaining += written;
        remainingSize -= written;
    }
    return true;
}

} // namespace tarnwick
