// The web server's program-wide globals for NUV TAVO. Built as an object of its own that the
// program and every test linking the windows take in whole, as the server library refers to them.
#include "WebServer.h"

QString httpServerConfigFile = QStringLiteral("tavo_http_server.ini");
std::unique_ptr<WebServer> webServer;
