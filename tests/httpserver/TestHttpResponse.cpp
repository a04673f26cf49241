#include "HttpRequest.h"
#include "HttpRequestHandler.h"
#include "HttpResponse.h"

#include <QBuffer>
#include <QSettings>
#include <QTemporaryDir>

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using tarnwick::HttpCookie;
using tarnwick::HttpRequest;
using tarnwick::HttpResponse;

// Writes responses, one after another, on the server end of a loopback connection and compares
// the exact bytes the client receives.
class TestHttpResponse : public QObject
{
    Q_OBJECT

    QTcpServer server;
    QTcpSocket client;
    QTcpSocket *serverEnd = nullptr; // owned by the server

    QByteArray received()
    {
        serverEnd->flush();
        serverEnd->waitForBytesWritten(1000);
        QByteArray data;
        while (client.waitForReadyRead(100))
            data += client.readAll();
        return data + client.readAll();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen(QHostAddress::LocalHost));
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(client.waitForConnected(1000) && server.waitForNewConnection(1000));
        serverEnd = server.nextPendingConnection();
    }

    void framedByLengthChunksOrClose()
    {
        HttpResponse single(serverEnd, 1000);
        single.setStatus(403, "forbidden");
        single.write("403 forbidden", true);
        QVERIFY(single.hasSentLastPart());
        QCOMPARE(received(), QByteArray("HTTP/1.1 403 forbidden\r\nContent-Length: 13\r\n\r\n403 forbidden"));

        HttpResponse parts(serverEnd, 1000);
        parts.setHeader("Transfer-Encoding", "ignored");
        parts.setHeader("Content-Type", "text/plain");
        parts.setHeader("Cache-Control", "max-age=60");
        parts.write("0123456789abcdefX");
        parts.write("yz");
        parts.write(QByteArray(), true);
        QCOMPARE(received(), QByteArray("HTTP/1.1 200 OK\r\nCache-Control: max-age=60\r\nContent-Type: text/plain\r\n"
                                        "Transfer-Encoding: chunked\r\n\r\n11\r\n0123456789abcdefX\r\n2\r\nyz\r\n0\r\n\r\n"));

        HttpResponse closing(serverEnd, 1000);
        closing.setHeader("Connection", "Close");
        closing.write("ab");
        closing.write("c", true);
        QCOMPARE(received(), QByteArray("HTTP/1.1 200 OK\r\nConnection: Close\r\n\r\nabc"));
    }

    void cookiesAndLineBreaksCannotInjectHeaders()
    {
        HttpResponse response(serverEnd, 1000);
        HttpCookie plain("a", "1");
        plain.setVersion(0);
        response.setCookie(plain);
        HttpCookie full("b", "2\r\nX-Evil: 1");
        full.setPath("/");
        full.setMaxAge(60);
        full.setHttpOnly(true);
        response.setCookie(full);
        response.setHeader("X-Name", "v\r\nSet-Cookie: evil=1");
        response.write(QByteArray(), true);
        QCOMPARE(received(), QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX-Name: vSet-Cookie: evil=1\r\n"
                                        "Set-Cookie: a=1; Version=0\r\n"
                                        "Set-Cookie: b=2X-Evil: 1; Max-Age=60; Path=/; HttpOnly; Version=1\r\n\r\n"));
    }

    void handlerWithoutServiceAnswers501()
    {
        QTemporaryDir dir;
        const QSettings settings(dir.filePath("server.ini"), QSettings::IniFormat);
        HttpRequest request(&settings);
        QByteArray text = "GET /page HTTP/1.1\r\n\r\n";
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        while (buffer.bytesAvailable() > 0 && request.getStatus() != HttpRequest::complete)
            request.readFromSocket(&buffer);
        HttpResponse response(serverEnd, 1000);
        QTest::ignoreMessage(QtCriticalMsg, "HttpRequestHandler: you need to override the service() function");
        QTest::ignoreMessage(QtDebugMsg, "HttpRequestHandler: request=GET /page HTTP/1.1");
        tarnwick::HttpRequestHandler().service(request, response);
        QCOMPARE(received(), QByteArray("HTTP/1.1 501 not implemented\r\nContent-Length: 19\r\n\r\n501 not implemented"));
    }
};

QTEST_GUILESS_MAIN(TestHttpResponse)
#include "TestHttpResponse.moc"
