#pragma once

#include <QObject>

namespace tarnwick {

class HttpRequest;
class HttpResponse;

// Answers complete requests; runs in the connection handlers' threads, several at once.
class HttpRequestHandler : public QObject
{
    Q_OBJECT

public:
    explicit HttpRequestHandler(QObject *parent = nullptr);
    ~HttpRequestHandler() override;

    virtual void service(HttpRequest &request, HttpResponse &response) = 0;
};

} // namespace tarnwick
