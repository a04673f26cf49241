#pragma once

#include "HttpRequestHandler.h"

#include <QCache>
#include <QString>

#include <mutex>

class QSettings;

namespace tarnwick {

// Serves the files of the document root: "index.html" for directories, small files from
// a shared cache with an age limit, large files streamed in blocks.
class StaticFileController : public HttpRequestHandler
{
    Q_OBJECT

public:
    StaticFileController(const QSettings *settings, QObject *parent = nullptr);
    ~StaticFileController() override;

    void service(HttpRequest &request, HttpResponse &response) override;

private:
    struct CacheEntry {
        QByteArray document;
        qint64 created = 0; // ms since the epoch, when its request began
        QByteArray fileName;
    };

    void setContentType(const QByteArray &fileName, HttpResponse &response) const;
    void setCacheControl(HttpResponse &response) const;
    // The file a decoded request path names, or an empty text when the path may not be served.
    QString filePathFor(const QByteArray &path) const;
    void serveFile(const QByteArray &path, qint64 now, HttpResponse &response);

    QString encoding;
    QString docroot;
    int maxAge;
    int cacheTimeout;
    int maxCachedFileSize;
    QCache<QString, CacheEntry> cache;
    // A standard mutex rather than QMutex: thread checkers see its hand-overs even when
    // contended, since Qt is not built with their instrumentation.
    std::mutex mutex;
};

} // namespace tarnwick
