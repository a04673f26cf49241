#include "BrowserSandbox.h"

#include "ConsoleSink.h"

#include <QByteArray>

#include <ostream>
#include <unistd.h>

namespace {
const char *const DisableSandboxVariable = "QTWEBENGINE_DISABLE_SANDBOX";
}

void BrowserSandbox::switchOffForRoot()
{
    if (geteuid() != 0 || qEnvironmentVariableIsSet(DisableSandboxVariable))
        return;
    qputenv(DisableSandboxVariable, QByteArrayLiteral("1"));
    ConsoleSink::out() << "Running as root: the browser engine's sandbox is switched off (" << DisableSandboxVariable
                       << "=1)." << std::endl;
}
