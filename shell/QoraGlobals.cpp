// The web server's program-wide globals for NUV QORA. Built as an object of its own that every
// program and test linking the shell takes in whole, as the server library refers to them.
#include "WebServer.h"

QString httpServerConfigFile = QStringLiteral("http_server.ini");
std::unique_ptr<WebServer> webServer;
