#pragma once

#include "HttpRequestHandler.h"

namespace tarnwick {
class StaticFileController;
}

// The one route of the programs' web server: every request goes to the document root.
class RequestMapper : public tarnwick::HttpRequestHandler
{
    Q_OBJECT

public:
    RequestMapper(tarnwick::StaticFileController *staticFileController, QObject *parent = nullptr);

    void service(tarnwick::HttpRequest &request, tarnwick::HttpResponse &response) override;

private:
    tarnwick::StaticFileController *staticFileController;
};
