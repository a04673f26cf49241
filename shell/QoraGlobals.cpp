// The web server's program-wide globals for NUV QORA. Kept in a file of their own so that a
// test program may define its own instead.
#include "WebServer.h"

QString httpServerConfigFile = QStringLiteral("http_server.ini");
std::unique_ptr<WebServer> webServer;
