#pragma once

#include <QLoggingCategory>

// The web server's diagnostics, apart from the lines the programs print by design; switched
// off on their own with the rule "nuv.httpserver.debug=false" (QT_LOGGING_RULES).
Q_DECLARE_LOGGING_CATEGORY(httpServerLog)
