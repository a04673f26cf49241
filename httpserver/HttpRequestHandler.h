#pragma once

#include <QObject>

namespace tarnwick {

class HttpRequest;
class HttpResponse;

// Answers complete requests; runs in the connection handlers' threads, several at once.
// A handler that does not replace service() answers 501.
class HttpRequestHandler : public QObject
{
    Q_OBJECT

public:
    explicit HttpRequestHandler(QObject *parent = nullptr);
    ~HttpRequestHandler() override;

    virtual void service(HttpRequest &request, HttpResponse &response);
};

} // namespace tarnwick
