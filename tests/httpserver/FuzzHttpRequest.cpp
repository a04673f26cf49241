// libFuzzer target over the request parser (built and run by scripts/fuzz). The first
// input byte sets the size of the pieces in which the rest arrives, so lines and bodies are
// split everywhere; consecutive requests are parsed from what remains, as on a kept-alive
// connection. A step that consumes nothing would make the connection handler spin: trap.
#include "HttpRequest.h"

#include <QBuffer>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using tarnwick::HttpRequest;

namespace {
const QSettings *listenerSettings()
{
    static QTemporaryDir dir;
    static QSettings settings(dir.filePath("fuzz.ini"), QSettings::IniFormat);
    static const bool ready = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        settings.beginGroup("listener");
        settings.setValue("maxRequestSize", 2048); // small limits reach the refusals quickly
        settings.setValue("maxMultiPartSize", 8192);
        return true;
    }();
    Q_UNUSED(ready);
    return &settings;
}

void useRequest(const HttpRequest &request)
{
    volatile qsizetype used = request.getPath().size() + request.getParameters("a").size()
        + request.getCookie("a").size() + request.getHeader("host").size() + request.getBody().size();
    Q_UNUSED(used);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int pieceSize = data[0] + 1;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), int(size - 1));
    std::unique_ptr<HttpRequest> request;
    for (int offset = 0; offset < input.size(); offset += pieceSize) {
        QByteArray piece = input.mid(offset, pieceSize);
        QBuffer buffer(&piece);
        buffer.open(QIODevice::ReadOnly);
        while (buffer.bytesAvailable() > 0) {
            if (!request)
                request = std::make_unique<HttpRequest>(listenerSettings());
            const qint64 before = buffer.bytesAvailable();
            const HttpRequest::RequestStatus statusBefore = request->getStatus();
            request->readFromSocket(&buffer);
            if (buffer.bytesAvailable() == before && request->getStatus() == statusBefore)
                std::abort();
            if (request->getStatus() == HttpRequest::aborted)
                return 0; // the connection is closed after the 413 answer
            if (request->getStatus() == HttpRequest::complete) {
                useRequest(*request);
                request.reset();
            }
        }
    }
    return 0;
}
