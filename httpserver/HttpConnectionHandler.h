#pragma once

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>

class QSettings;
class QSslConfiguration;
class QTcpSocket;

namespace tarnwick {

class HttpRequest;
class HttpRequestHandler;

// Socket descriptors travel from the listener to a handler's thread under this name.
using tSocketDescriptor = qintptr;

// Serves one client connection at a time in a thread of its own: parses its requests,
// passes them to the request handler, keeps the connection alive or closes it.
class HttpConnectionHandler : public QThread
{
    Q_OBJECT

public:
    HttpConnectionHandler(const QSettings *settings, HttpRequestHandler *requestHandler,
                          const QSslConfiguration *sslConfiguration);
    ~HttpConnectionHandler() override;

    bool isBusy() const { return busy; }
    void setBusy() { busy = true; }

public slots:
    void handleConnection(tSocketDescriptor socketDescriptor);

private slots:
    void read();
    void readTimeout();
    void disconnected();

private:
    void run() override;
    void createSocket();
    int settingsReadTimeout() const;
    void answerTooLarge();
    void serveCurrentRequest();
    void closeAfterPendingOutput();

    const QSettings *settings;
    QTcpSocket *socket = nullptr;
    QTimer readTimer;
    HttpRequest *currentRequest = nullptr;
    QDeadlineTimer currentRequestDeadline; // bodies extend the read timer only until then
    HttpRequestHandler *requestHandler;
    std::atomic<bool> busy{false};
    const QSslConfiguration *sslConfiguration;
    // Held by the thread while it runs; the destructor takes it after the join, so that its
    // end visibly precedes the destruction for thread checkers, which cannot see inside Qt.
    std::mutex runMutex;
};

} // namespace tarnwick
