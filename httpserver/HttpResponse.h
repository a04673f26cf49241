#pragma once

#include "HttpCookie.h"

#include <QByteArray>
#include <QMap>

class QTcpSocket;

namespace tarnwick {

// Writes one HTTP/1.1 response: the first write sends status line and headers; a body
// written as one last part gets a Content-Length, one written in parts goes out chunked
// unless the response says "Connection: close".
class HttpResponse
{
public:
    // writeTimeout bounds each wait for a client that does not read its response.
    HttpResponse(QTcpSocket *socket, int writeTimeout);

    void setStatus(int statusCode, const QByteArray &description);
    // CR and LF are dropped from name and value so that no header can inject another.
    void setHeader(const QByteArray &name, const QByteArray &value);
    void setCookie(const HttpCookie &cookie);
    const QMap<QByteArray, QByteArray> &getHeaders() const { return headers; }

    void write(const QByteArray &data, bool lastPart = false);
    bool hasSentLastPart() const { return sentLastPart; }
    // False once the client is gone or was dropped, so that handlers can stop producing.
    bool isConnected() const;

private:
    void writeHeaders();
    bool writeToSocket(const QByteArray &data);

    QMap<QByteArray, QByteArray> headers;
    QTcpSocket *socket;
    int writeTimeout;
    int statusCode = 200;
    QByteArray statusText = "OK";
    bool sentHeaders = false;
    bool sentLastPart = false;
    bool chunkedMode = false;
    QMap<QByteArray, HttpCookie> cookies;
};

} // namespace tarnwick
