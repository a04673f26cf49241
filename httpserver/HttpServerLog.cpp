#include "HttpServerLog.h"

Q_LOGGING_CATEGORY(httpServerLog, "nuv.httpserver")
