#include "MessageHandler.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

// Release builds leave the context's file and function null.
const char *orEmpty(const char *text)
{
    return text ? text : "";
}

} // namespace

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const char *format = nullptr;
    switch (type) {
    case QtDebugMsg:
        format = "Debug: %s (%s:%u, %s)\n";
        break;
    case QtWarningMsg:
        format = "Warning: %s (%s:%u, %s)\n";
        break;
    case QtCriticalMsg:
        format = "Critical: %s (%s:%u, %s)\n";
        break;
    case QtFatalMsg:
        format = "Fatal: %s (%s:%u, %s)\n";
        break;
    default:
        return;
    }
    const QByteArray text = message.toLocal8Bit();
    std::fprintf(stderr, format, text.constData(), orEmpty(context.file), static_cast<unsigned>(context.line),
                 orEmpty(context.function));
    if (type == QtFatalMsg)
        std::abort();
}
