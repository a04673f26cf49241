#include "HttpRequestHandler.h"

namespace tarnwick {

HttpRequestHandler::HttpRequestHandler(QObject *parent)
    : QObject(parent)
{
}

HttpRequestHandler::~HttpRequestHandler() = default;

} // namespace tarnwick
