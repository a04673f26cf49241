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

const char *formatOf(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "Debug: %s (%s:%u, %s)\n";
    case QtCriticalMsg:
        return "Critical: %s (%s:%u, %s)\n";
    case QtFatalMsg:
        return "Fatal: %s (%s:%u, %s)\n";
    default:
        return nullptr;
    }
}

} // namespace

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (const char *format = formatOf(type)) {
        const QByteArray text = message.toLocal8Bit();
        std::fprintf(stderr, format, text.constData(), orEmpty(context.file), static_cast<unsigned>(context.line),
                     orEmpty(context.function));
    }
    if (type == QtFatalMsg)
        std::abort();
}
