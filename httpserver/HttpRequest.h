#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QMultiMap>

class QFile;
class QIODevice;
class QSettings;
class QTemporaryFile;

namespace tarnwick {

// One HTTP request, parsed incrementally as its bytes arrive, within the size limits of the
// "listener" settings. An ordinary body is kept in memory, a multipart body in a temporary
// file that is then split into parameters and uploaded files.
class HttpRequest
{
public:
    enum RequestStatus { readingRequestLine, readingHeaders, readingBody, complete, aborted };

    explicit HttpRequest(const QSettings *settings);
    ~HttpRequest();
    HttpRequest(const HttpRequest &) = delete;
    HttpRequest &operator=(const HttpRequest &) = delete;

    // Consumes what one step of the current state needs; the peer address is taken from
    // the device when it is a socket.
    void readFromSocket(QIODevice *socket);

    RequestStatus getStatus() const { return status; }
    QByteArray getMethod() const { return method; }
    QByteArray getPath() const { return urlDecode(path); }
    QByteArray getVersion() const { return version; }
    QByteArray getHeader(const QByteArray &name) const;
    QList<QByteArray> getHeaders(const QByteArray &name) const;
    QList<QByteArray> getParameters(const QByteArray &name) const;
    QByteArray getBody() const { return body; }
    QByteArray getCookie(const QByteArray &name) const { return cookies.value(name); }
    // Closed, as a temporary file holds its descriptor while open and a body of many file
    // parts would use up the process's descriptors; removed with the request.
    QFile *getUploadedFile(const QByteArray &fieldName) const { return uploadedFiles.value(fieldName); }
    QHostAddress getPeerAddress() const { return peerAddress; }

    static QByteArray urlDecode(QByteArray source);

private:
    bool readLine(QIODevice *socket, QByteArray &line);
    void readRequest(QIODevice *socket);
    void readHeader(QIODevice *socket);
    void finishHeaders();
    void readBody(QIODevice *socket);
    void readMultiPartBody(QIODevice *socket);
    bool parseMultiPartFile();
    void finishUploadedFile(QTemporaryFile *file, const QByteArray &fieldName, const QByteArray &fileName);
    static void removeUploadedFile(QFile *file);
    void decodeRequestParams();
    void parseCookies();
    void abort(const char *reason);

    QMultiMap<QByteArray, QByteArray> headers;
    QMultiMap<QByteArray, QByteArray> parameters;
    QMap<QByteArray, QFile *> uploadedFiles;
    QMap<QByteArray, QByteArray> cookies;
    QByteArray body;
    QByteArray method;
    QByteArray path;
    QByteArray version;
    RequestStatus status = readingRequestLine;
    QHostAddress peerAddress;
    qint64 maxRequestSize;
    qint64 maxMultiPartSize;
    qint64 currentSize = 0;
    qint64 expectedBodySize = 0;
    QByteArray currentHeader;
    bool currentHeaderContinued = false; // the newest value of currentHeader is a joined one
    QByteArray boundary;
    QTemporaryFile *tempFile = nullptr;
    QByteArray lineBuffer;
};

} // namespace tarnwick
