#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QTimer>

class QSettings;
class QSslConfiguration;

namespace tarnwick {

class HttpConnectionHandler;
class HttpRequestHandler;

// Connection handlers, grown on demand up to maxThreads, reused when idle and removed one
// per cleanup tick while more than minThreads are idle.
class HttpConnectionHandlerPool : public QObject
{
    Q_OBJECT

public:
    HttpConnectionHandlerPool(const QSettings *settings, HttpRequestHandler *requestHandler);
    ~HttpConnectionHandlerPool() override;

    // An idle or new handler, already marked busy; null when all maxThreads are busy.
    HttpConnectionHandler *getConnectionHandler();

private slots:
    void cleanup();

private:
    void loadSslConfig();

    const QSettings *settings;
    HttpRequestHandler *requestHandler;
    QList<HttpConnectionHandler *> pool;
    QTimer cleanupTimer;
    QMutex mutex;
    QSslConfiguration *sslConfiguration = nullptr;
};

} // namespace tarnwick
