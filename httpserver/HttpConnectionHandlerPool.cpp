#include "HttpConnectionHandlerPool.h"

#include "HttpConnectionHandler.h"
#include "HttpServerLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QtDebug>

namespace tarnwick {

HttpConnectionHandlerPool::HttpConnectionHandlerPool(const QSettings *settings, HttpRequestHandler *requestHandler)
    : settings(settings)
    , requestHandler(requestHandler)
{
    Q_ASSERT(settings != nullptr);
    loadSslConfig();
    cleanupTimer.start(settings->value("cleanupInterval", "1000").toInt());
    connect(&cleanupTimer, &QTimer::timeout, this, &HttpConnectionHandlerPool::cleanup);
}

HttpConnectionHandlerPool::~HttpConnectionHandlerPool()
{
    qDeleteAll(pool);
    delete sslConfiguration;
    qCDebug(httpServerLog, "HttpConnectionHandlerPool (%p): destroyed", static_cast<void *>(this));
}

HttpConnectionHandler *HttpConnectionHandlerPool::getConnectionHandler()
{
    QMutexLocker locker(&mutex);
    for (HttpConnectionHandler *handler : qAsConst(pool)) {
        if (!handler->isBusy()) {
            handler->setBusy();
            return handler;
        }
    }
    if (pool.size() < settings->value("maxThreads", "100").toInt()) {
        auto *handler = new HttpConnectionHandler(settings, requestHandler, sslConfiguration);
        handler->setBusy();
        pool.append(handler);
        return handler;
    }
    return nullptr;
}

void HttpConnectionHandlerPool::cleanup()
{
    const int minThreads = settings->value("minThreads", "1").toInt();
    QMutexLocker locker(&mutex);
    int idleCount = 0;
    for (HttpConnectionHandler *handler : qAsConst(pool)) {
        if (handler->isBusy())
            continue;
        if (++idleCount > minThreads) {
            delete handler;
            pool.removeOne(handler);
            qCDebug(httpServerLog, "HttpConnectionHandlerPool: Removed connection handler (%p), pool size is now %i",
                   static_cast<void *>(handler), int(pool.size()));
            return;
        }
    }
}

void HttpConnectionHandlerPool::loadSslConfig()
{
    QString keyFileName = settings->value("sslKeyFile").toString();
    QString certFileName = settings->value("sslCertFile").toString();
    if (keyFileName.isEmpty() || certFileName.isEmpty())
        return;
    if (settings->format() != QSettings::NativeFormat) {
        const QDir settingsDir = QFileInfo(settings->fileName()).absoluteDir();
        keyFileName = settingsDir.absoluteFilePath(keyFileName);
        certFileName = settingsDir.absoluteFilePath(certFileName);
    }
    QFile certFile(certFileName);
    if (!certFile.open(QIODevice::ReadOnly)) {
        qCCritical(httpServerLog, "HttpConnectionHandlerPool: cannot open sslCertFile %s", qPrintable(certFileName));
        return;
    }
    const QSslCertificate certificate(&certFile, QSsl::Pem);
    QFile keyFile(keyFileName);
    if (!keyFile.open(QIODevice::ReadOnly)) {
        qCCritical(httpServerLog, "HttpConnectionHandlerPool: cannot open sslKeyFile %s", qPrintable(keyFileName));
        return;
    }
    const QSslKey key(&keyFile, QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey, QByteArray());
    sslConfiguration = new QSslConfiguration;
    sslConfiguration->setLocalCertificate(certificate);
    sslConfiguration->setPrivateKey(key);
    sslConfiguration->setPeerVerifyMode(QSslSocket::VerifyNone);
    sslConfiguration->setProtocol(QSsl::TlsV1SslV3);
    qCDebug(httpServerLog, "HttpConnectionHandlerPool: SSL settings loaded");
}

} // namespace tarnwick
