#include "RequestMapper.h"

#include "HttpRequest.h"
#include "HttpServerLog.h"
#include "StaticFileController.h"

#include <QtDebug>

RequestMapper::RequestMapper(tarnwick::StaticFileController *staticFileController, QObject *parent)
    : tarnwick::HttpRequestHandler(parent)
    , staticFileController(staticFileController)
{
}

void RequestMapper::service(tarnwick::HttpRequest &request, tarnwick::HttpResponse &response)
{
    qCDebug(httpServerLog, "RequestMapper: path=%s", request.getPath().constData());
    staticFileController->service(request, response);
    qCDebug(httpServerLog, "RequestMapper: finished request");
}
