#include "HttpRequest.h"

#include "HttpCookie.h"
#include "HttpServerLog.h"

#include <QAbstractSocket>
#include <QSettings>
#include <QTemporaryFile>
#include <QtDebug>

#include <algorithm>

namespace tarnwick {

namespace {
constexpr qint64 multiPartBlockSize = 65536;
constexpr qint64 multiPartLineSize = 65536;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The text between "mark" and the next double quote, or nothing when either is missing.
QByteArray quotedAfter(const QByteArray &line, const QByteArray &mark)
{
    const int start = line.indexOf(mark);
    if (start < 0)
        return QByteArray();
    const int valueStart = start + mark.size();
    const int end = line.indexOf('"', valueStart);
    return end < 0 ? QByteArray() : line.mid(valueStart, end - valueStart);
}
} // namespace

HttpRequest::HttpRequest(const QSettings *settings)
    : maxRequestSize(settings->value("maxRequestSize", "16000").toLongLong())
    , maxMultiPartSize(settings->value("maxMultiPartSize", "1000000").toLongLong())
{
}

HttpRequest::~HttpRequest()
{
    for (QFile *file : qAsConst(uploadedFiles))
        removeUploadedFile(file);
    delete tempFile;
}

void HttpRequest::readFromSocket(QIODevice *socket)
{
    Q_ASSERT_X(status != complete, "HttpRequest::readFromSocket", "status!=complete");
    switch (status) {
    case readingRequestLine:
        readRequest(socket);
        break;
    case readingHeaders:
        readHeader(socket);
        break;
    case readingBody:
        readBody(socket);
        break;
    default:
        break;
    }
    const qint64 limit = boundary.isEmpty() ? maxRequestSize : maxMultiPartSize;
    if (status != aborted && currentSize > limit)
        abort("HttpRequest: received too many bytes");
    if (status == complete) {
        decodeRequestParams();
        parseCookies();
    }
}

QByteArray HttpRequest::getHeader(const QByteArray &name) const
{
    return headers.value(name.toLower());
}

QList<QByteArray> HttpRequest::getHeaders(const QByteArray &name) const
{
    return headers.values(name.toLower());
}

QList<QByteArray> HttpRequest::getParameters(const QByteArray &name) const
{
    return parameters.values(name);
}

// Reads towards the end of a line, at most one byte beyond the size limit so that an
// oversized head always makes progress and trips the limit. A line is complete only at
// its line feed: a carriage return that arrives alone must not end it early.
bool HttpRequest::readLine(QIODevice *socket, QByteArray &line)
{
    const qint64 available = socket->bytesAvailable();
    if (available <= 0)
        return false;
    const qint64 allowance = qMin(maxRequestSize - currentSize + 1, available);
    lineBuffer += socket->readLine(allowance + 1); // returns at most its argument - 1 bytes
    currentSize += lineBuffer.size();
    if (!lineBuffer.endsWith('\n'))
        return false;
    line = lineBuffer.trimmed();
    lineBuffer.clear();
    return true;
}

void HttpRequest::readRequest(QIODevice *socket)
{
    QByteArray line;
    if (!readLine(socket, line) || line.isEmpty())
        return;
    const QList<QByteArray> words = line.split(' ');
    if (words.size() != 3 || !words.at(2).contains("HTTP")) {
        abort("HttpRequest: received broken HTTP request, invalid first line");
        return;
    }
    method = words.at(0).trimmed();
    path = words.at(1);
    version = words.at(2);
    if (const auto *tcpSocket = qobject_cast<const QAbstractSocket *>(socket))
        peerAddress = tcpSocket->peerAddress();
    status = readingHeaders;
}

void HttpRequest::readHeader(QIODevice *socket)
{
    QByteArray line;
    if (!readLine(socket, line))
        return;
    const int colon = line.indexOf(':');
    if (colon > 0) {
        currentHeader = line.left(colon).toLower();
        headers.insert(currentHeader, line.mid(colon + 1).trimmed());
        currentHeaderContinued = false;
    } else if (!line.isEmpty()) {
        const auto newest = headers.find(currentHeader);
        if (newest == headers.end())
            return;
        const QByteArray joined = newest.value() + ' ' + line;
        // Further continuation lines extend the joined value instead of adding one value
        // per line, which would let a small head fill memory with ever longer copies.
        if (currentHeaderContinued)
            newest.value() = joined;
        else
            headers.insert(currentHeader, joined);
        currentHeaderContinued = true;
    } else {
        finishHeaders();
    }
}

void HttpRequest::finishHeaders()
{
    const QByteArray contentType = getHeader("content-type");
    const int boundaryMark = contentType.indexOf("boundary=");
    if (contentType.startsWith("multipart/form-data") && boundaryMark >= 0) {
        boundary = contentType.mid(boundaryMark + 9);
        if (boundary.size() >= 2 && boundary.startsWith('"') && boundary.endsWith('"'))
            boundary = boundary.mid(1, boundary.size() - 2);
    }
    const QByteArray contentLength = getHeader("content-length");
    if (!contentLength.isEmpty()) {
        bool isNumber = false;
        expectedBodySize = contentLength.toLongLong(&isNumber);
        // A length that is no number or negative would leave the body's end unknown.
        if (!isNumber || expectedBodySize < 0) {
            abort("HttpRequest: received broken HTTP request, invalid content-length");
            return;
        }
    }
    // The declared length is compared with the room left, not added to the size so far:
    // a length near the largest number would wrap around.
    if (expectedBodySize == 0) {
        status = complete;
    } else if (boundary.isEmpty() && expectedBodySize > maxRequestSize - currentSize) {
        abort("HttpRequest: expected body is too large");
    } else if (!boundary.isEmpty() && expectedBodySize > maxMultiPartSize) {
        abort("HttpRequest: expected multipart body is too large");
    } else {
        status = readingBody;
    }
}

void HttpRequest::readBody(QIODevice *socket)
{
    Q_ASSERT_X(expectedBodySize != 0, "HttpRequest::readBody", "expectedBodySize!=0");
    if (!boundary.isEmpty()) {
        readMultiPartBody(socket);
        return;
    }
    const QByteArray data = socket->read(qMin(expectedBodySize - body.size(), socket->bytesAvailable()));
    body += data;
    currentSize += data.size();
    if (body.size() == expectedBodySize)
        status = complete;
}

void HttpRequest::readMultiPartBody(QIODevice *socket)
{
    if (!tempFile) {
        tempFile = new QTemporaryFile;
        if (!tempFile->open()) {
            qCCritical(httpServerLog, "HttpRequest: Error writing temp file for multipart body");
            status = aborted;
            return;
        }
    }
    const qint64 sizeBefore = tempFile->size();
    const QByteArray data = socket->read(std::min({expectedBodySize - sizeBefore, multiPartBlockSize, socket->bytesAvailable()}));
    const qint64 received = sizeBefore + qMax<qint64>(0, tempFile->write(data));
    if (received >= maxMultiPartSize) {
        abort("HttpRequest: received too many multipart bytes");
    } else if (received >= expectedBodySize) {
        if (!tempFile->flush())
            qCCritical(httpServerLog, "HttpRequest: Error writing temp file for multipart body");
        const bool terminated = parseMultiPartFile();
        tempFile->close();
        if (terminated)
            status = complete;
        else
            abort("HttpRequest: multipart body has no closing boundary");
    }
}

// Splits the stored multipart body into parameters and uploaded files; true when the
// closing boundary was found.
bool HttpRequest::parseMultiPartFile()
{
    qCDebug(httpServerLog, "HttpRequest: parsing multipart temp file");
    tempFile->seek(0);
    const QByteArray delimiter = "--" + boundary;
    const QByteArray closingMark = boundary + "--";
    bool finished = false;
    const auto readable = [&] { return !finished && !tempFile->atEnd() && tempFile->error() == QFileDevice::NoError; };
    while (readable()) {
        QByteArray fieldName;
        QByteArray fileName;
        while (readable()) {
            const QByteArray line = tempFile->readLine(multiPartLineSize + 1).trimmed();
            if (line.startsWith("Content-Disposition:")) {
                if (line.contains("form-data")) {
                    fieldName = quotedAfter(line, " name=\"");
                    fileName = quotedAfter(line, " filename=\"");
                } else {
                    qCDebug(httpServerLog, "HttpRequest: ignoring unsupported content part %s", line.constData());
                }
            } else if (line.isEmpty()) {
                break;
            }
        }
        QByteArray fieldValue;
        QTemporaryFile *uploadedFile = nullptr;
        while (readable()) {
            const QByteArray line = tempFile->readLine(multiPartLineSize + 1);
            if (line.startsWith(delimiter)) {
                if (!fieldName.isEmpty() && fileName.isEmpty()) {
                    fieldValue.chop(2);
                    parameters.insert(fieldName, fieldValue);
                    qCDebug(httpServerLog, "HttpRequest: set parameter %s=%s", fieldName.constData(), fieldValue.constData());
                } else if (uploadedFile) {
                    finishUploadedFile(uploadedFile, fieldName, fileName);
                    uploadedFile = nullptr;
                }
                finished = line.contains(closingMark);
                break;
            }
            if (fieldName.isEmpty())
                continue;
            if (fileName.isEmpty()) {
                fieldValue += line;
                currentSize += line.size();
                continue;
            }
            if (!uploadedFile) {
                uploadedFile = new QTemporaryFile;
                uploadedFile->open();
            }
            if (uploadedFile->write(line) != line.size())
                qCCritical(httpServerLog, "HttpRequest: error writing temp file, %s", qPrintable(uploadedFile->errorString()));
        }
        delete uploadedFile; // a part cut off by the end of the body
        if (tempFile->error() != QFileDevice::NoError) {
            qCCritical(httpServerLog, "HttpRequest: cannot read temp file, %s", qPrintable(tempFile->errorString()));
            return false;
        }
    }
    return finished;
}

void HttpRequest::finishUploadedFile(QTemporaryFile *file, const QByteArray &fieldName, const QByteArray &fileName)
{
    file->resize(qMax<qint64>(0, file->size() - 2));
    const qint64 size = file->size();
    // Closing a temporary file keeps its descriptor; only deleting the object frees it.
    file->setAutoRemove(false);
    auto *upload = new QFile(file->fileName());
    delete file;
    parameters.insert(fieldName, fileName);
    qCDebug(httpServerLog, "HttpRequest: set parameter %s=%s", fieldName.constData(), fileName.constData());
    removeUploadedFile(uploadedFiles.value(fieldName));
    uploadedFiles.insert(fieldName, upload);
    qCDebug(httpServerLog, "HttpRequest: uploaded file size is %lli", size);
}

void HttpRequest::removeUploadedFile(QFile *file)
{
    if (!file)
        return;
    file->remove();
    delete file;
}

void HttpRequest::decodeRequestParams()
{
    QByteArray parameterText;
    const int question = path.indexOf('?');
    if (question >= 0) {
        parameterText = path.mid(question + 1);
        path = path.left(question);
    }
    const QByteArray contentType = getHeader("content-type");
    if (!body.isEmpty() && (contentType.isEmpty() || contentType.startsWith("application/x-www-form-urlencoded"))) {
        if (!parameterText.isEmpty())
            parameterText += '&';
        parameterText += body;
    }
    for (const QByteArray &piece : parameterText.split('&')) {
        const int equals = piece.indexOf('=');
        if (equals >= 0)
            parameters.insert(urlDecode(piece.left(equals).trimmed()), urlDecode(piece.mid(equals + 1).trimmed()));
        else if (!piece.isEmpty())
            parameters.insert(urlDecode(piece), QByteArray());
    }
}

void HttpRequest::parseCookies()
{
    for (const QByteArray &header : headers.values("cookie")) {
        for (const QByteArray &piece : HttpCookie::splitCSV(header)) {
            const int equals = piece.indexOf('=');
            if (equals > 0)
                cookies.insert(piece.left(equals).trimmed(), piece.mid(equals + 1).trimmed());
            else
                cookies.insert(piece.trimmed(), QByteArray());
        }
    }
    headers.remove("cookie");
}

void HttpRequest::abort(const char *reason)
{
    qCWarning(httpServerLog, "%s", reason);
    status = aborted;
}

QByteArray HttpRequest::urlDecode(QByteArray source)
{
    source.replace('+', ' ');
    QByteArray decoded;
    decoded.reserve(source.size());
    for (int i = 0; i < source.size(); ++i) {
        if (source.at(i) == '%' && i + 1 < source.size()) {
            const int high = hexDigit(source.at(i + 1));
            const int low = i + 2 < source.size() ? hexDigit(source.at(i + 2)) : 0;
            // Only at the end of the text may a single digit stand for the whole byte.
            if (high >= 0 && i + 2 >= source.size()) {
                decoded += char(high);
                i += 1;
                continue;
            }
            if (high >= 0 && low >= 0) {
                decoded += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += source.at(i);
    }
    return decoded;
}

} // namespace tarnwick
