#include "HttpRequestHandler.h"

#include "HttpRequest.h"
#include "HttpResponse.h"
#include "HttpServerLog.h"

#include <QtDebug>

namespace tarnwick {

HttpRequestHandler::HttpRequestHandler(QObject *parent)
    : QObject(parent)
{
}

HttpRequestHandler::~HttpRequestHandler() = default;

void HttpRequestHandler::service(HttpRequest &request, HttpResponse &response)
{
    qCCritical(httpServerLog, "HttpRequestHandler: you need to override the service() function");
    qCDebug(httpServerLog, "HttpRequestHandler: request=%s %s %s", request.getMethod().constData(), request.getPath().constData(),
           request.getVersion().constData());
    response.setStatus(501, "not implemented");
    response.write("501 not implemented", true);
}

} // namespace tarnwick
