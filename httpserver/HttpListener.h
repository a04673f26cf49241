#pragma once

#include <QTcpServer>

class QSettings;

namespace tarnwick {

class HttpConnectionHandlerPool;
class HttpRequestHandler;

// Accepts connections in the GUI thread and hands each to a pooled connection handler;
// answers 503 itself when none is free.
class HttpListener : public QTcpServer
{
    Q_OBJECT

public:
    HttpListener(const QSettings *settings, HttpRequestHandler *requestHandler, QObject *parent = nullptr);
    ~HttpListener() override;

    // Binds to the configured host (the loopback interface when none is set) and port.
    void listen();
    void close();

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    const QSettings *settings;
    HttpRequestHandler *requestHandler;
    HttpConnectionHandlerPool *pool = nullptr;
};

} // namespace tarnwick
