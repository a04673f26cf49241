#include "StaticFileController.h"

#include "HttpRequest.h"
#include "HttpResponse.h"
#include "HttpServerLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QtDebug>

namespace tarnwick {

namespace {
constexpr qint64 blockSize = 65536;

struct MimeType {
    const char *suffix;
    const char *contentType;
    bool withCharset;
};

// Tested in this order; the suffix is compared with its letter case.
const MimeType mimeTypes[] = {
    {".png", "image/png", false},
    {".jpg", "image/jpeg", false},
    {".gif", "image/gif", false},
    {".pdf", "application/pdf", false},
    {".txt", "text/plain", true},
    {".html", "text/html", true},
    {".htm", "text/html", true},
    {".css", "text/css", false},
    {".js", "text/javascript", false},
    {".svg", "image/svg+xml", false},
    {".woff", "font/woff", false},
    {".woff2", "font/woff2", false},
    {".ttf", "application/x-font-ttf", false},
    {".eot", "application/vnd.ms-fontobject", false},
    {".otf", "application/font-otf", false},
};

// The whole path, NUL bytes included: a key cut at a NUL would let a forbidden path hit the
// cache entry of the allowed path it starts with.
QString cacheKey(const QByteArray &path)
{
    return QString::fromUtf8(path.constData(), path.size());
}

void answer(HttpResponse &response, int statusCode, const QByteArray &statusText)
{
    response.setStatus(statusCode, statusText);
    response.write(QByteArray::number(statusCode) + ' ' + statusText, true);
}
} // namespace

StaticFileController::StaticFileController(const QSettings *settings, QObject *parent)
    : HttpRequestHandler(parent)
{
    maxAge = settings->value("maxAge", "60000").toInt();
    encoding = settings->value("encoding", "UTF-8").toString();
    docroot = settings->value("path", ".").toString();
    const bool isResource = docroot.startsWith(QLatin1String(":/")) || docroot.startsWith(QLatin1String("qrc://"));
    if (!isResource && QDir::isRelativePath(docroot) && settings->format() != QSettings::NativeFormat)
        docroot = QFileInfo(QFileInfo(settings->fileName()).absolutePath(), docroot).absoluteFilePath();
    qCDebug(httpServerLog, "StaticFileController: docroot=%s, encoding=%s, maxAge=%i", qPrintable(docroot), qPrintable(encoding), maxAge);
    maxCachedFileSize = settings->value("maxCachedFileSize", "65536").toInt();
    cache.setMaxCost(settings->value("cacheSize", "1000000").toInt());
    cacheTimeout = settings->value("cacheTime", "60000").toInt();
    qCDebug(httpServerLog, "StaticFileController: cache timeout=%i, size=%i", cacheTimeout, cache.maxCost());
}

StaticFileController::~StaticFileController()
{
    // The handler threads that filled the cache have stopped; taking the mutex orders their
    // last insertion before this release in a way thread checkers can see.
    std::lock_guard<std::mutex> locker(mutex);
    cache.clear();
}

void StaticFileController::service(HttpRequest &request, HttpResponse &response)
{
    const QByteArray path = request.getPath();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::unique_lock<std::mutex> locker(mutex);
    const CacheEntry *entry = cache.object(cacheKey(path));
    if (entry && (cacheTimeout == 0 || entry->created > now - cacheTimeout)) {
        // A copy, so that an eviction by another thread cannot touch this response.
        const QByteArray document = entry->document;
        const QByteArray fileName = entry->fileName;
        locker.unlock();
        qCDebug(httpServerLog, "StaticFileController: Cache hit for %s", path.constData());
        setContentType(fileName, response);
        setCacheControl(response);
        response.write(document);
        return;
    }
    locker.unlock();
    qCDebug(httpServerLog, "StaticFileController: Cache miss for %s", path.constData());
    serveFile(path, now, response);
}

void StaticFileController::serveFile(const QByteArray &requestPath, qint64 now, HttpResponse &response)
{
    // Only a rooted path without any ".." segment can name a file of the document root.
    if (requestPath.contains("/..") || !requestPath.startsWith('/') || requestPath.contains('\0')) {
        qCWarning(httpServerLog, "StaticFileController: detected forbidden characters in path %s", requestPath.constData());
        answer(response, 403, "forbidden");
        return;
    }
    QByteArray path = requestPath;
    if (QFileInfo(docroot + QString::fromUtf8(path)).isDir())
        path += "/index.html";
    const QString filePath = filePathFor(path);
    if (filePath.isEmpty()) {
        qCWarning(httpServerLog, "StaticFileController: detected forbidden characters in path %s", requestPath.constData());
        answer(response, 403, "forbidden");
        return;
    }
    QFile file(filePath);
    qCDebug(httpServerLog, "StaticFileController: Open file %s", qPrintable(file.fileName()));
    // Only regular files: opening a pipe or a device could block or never end.
    const QFileInfo fileInfo(file);
    if (!fileInfo.exists()) {
        answer(response, 404, "not found");
        return;
    }
    if (!fileInfo.isFile() || !file.open(QIODevice::ReadOnly)) {
        qCWarning(httpServerLog, "StaticFileController: Cannot open existing file %s for reading", qPrintable(file.fileName()));
        answer(response, 403, "forbidden");
        return;
    }
    setContentType(path, response);
    setCacheControl(response);
    const bool cacheable = file.size() <= maxCachedFileSize;
    QByteArray document;
    // Each handler thread reads into the same block buffer for its whole life. A fresh 64 KiB
    // block per read made the allocator hand memory back to the system almost every time,
    // and each hand-back interrupts every processor running a handler thread, so concurrent
    // large downloads held each other up.
    thread_local QByteArray block;
    while (!file.atEnd() && response.isConnected()) {
        block.resize(int(blockSize));
        const qint64 length = file.read(block.data(), blockSize);
        if (length <= 0)
            break;
        block.resize(int(length));
        response.write(block);
        if (cacheable)
            document += block;
    }
    // Only a file read whole to its end may stand for it in the cache.
    if (cacheable && file.atEnd() && file.error() == QFileDevice::NoError) {
        auto *newEntry = new CacheEntry{document, now, path};
        const int cost = document.size();
        std::lock_guard<std::mutex> locker(mutex);
        cache.insert(cacheKey(requestPath), newEntry, cost);
    }
}

QString StaticFileController::filePathFor(const QByteArray &path) const
{
    const QString root = QDir::cleanPath(docroot);
    const QString filePath = QDir::cleanPath(docroot + QString::fromUtf8(path));
    const QString rootPrefix = root.endsWith('/') ? root : root + '/';
    return filePath.startsWith(rootPrefix) ? filePath : QString();
}

void StaticFileController::setContentType(const QByteArray &fileName, HttpResponse &response) const
{
    for (const MimeType &mimeType : mimeTypes) {
        if (fileName.endsWith(mimeType.suffix)) {
            QByteArray contentType = mimeType.contentType;
            if (mimeType.withCharset)
                contentType += "; charset=" + encoding.toUtf8();
            response.setHeader("Content-Type", contentType);
            return;
        }
    }
    qCDebug(httpServerLog, "StaticFileController: unknown MIME type for filename '%s'", fileName.constData());
}

void StaticFileController::setCacheControl(HttpResponse &response) const
{
    response.setHeader("Cache-Control", "max-age=" + QByteArray::number(maxAge / 1000));
}

} // namespace tarnwick
