#include "HttpResponse.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using tarnwick::HttpCookie;
using tarnwick::HttpResponse;

// Each case writes a response on the server end of a loopback connection and compares the
// exact bytes the client receives.
class TestHttpResponse : public QObject
{
    Q_OBJECT

    QTcpServer server;
    std::unique_ptr<QTcpSocket> client;
    std::unique_ptr<QTcpSocket> serverEnd;

    QByteArray received()
    {
        serverEnd->flush();
        serverEnd->waitForBytesWritten(1000);
        QByteArray data;
        while (client->waitForReadyRead(100))
            data += client->readAll();
        return data + client->readAll();
    }

private slots:
    void init()
    {
        QVERIFY(server.listen(QHostAddress::LocalHost));
        client = std::make_unique<QTcpSocket>();
        client->connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(client->waitForConnected(1000));
        QVERIFY(server.waitForNewConnection(1000));
        serverEnd.reset(server.nextPendingConnection());
        serverEnd->setParent(nullptr);
    }

    void cleanup()
    {
        client.reset();
        serverEnd.reset();
        server.close();
    }

    void singleLastPartHasContentLength()
    {
        HttpResponse response(serverEnd.get(), 1000);
        response.setStatus(403, "forbidden");
        response.write("403 forbidden", true);
        QVERIFY(response.hasSentLastPart());
        QCOMPARE(received(), QByteArray("HTTP/1.1 403 forbidden\r\nContent-Length: 13\r\n\r\n403 forbidden"));
    }

    void partsGoOutChunkedInHeaderOrder()
    {
        HttpResponse response(serverEnd.get(), 1000);
        response.setHeader("Transfer-Encoding", "ignored");
        response.setHeader("Content-Type", "text/plain");
        response.setHeader("Cache-Control", "max-age=60");
        response.write("0123456789abcdefX");
        response.write("yz");
        response.write(QByteArray(), true);
        QCOMPARE(received(), QByteArray("HTTP/1.1 200 OK\r\nCache-Control: max-age=60\r\nContent-Type: text/plain\r\n"
                                        "Transfer-Encoding: chunked\r\n\r\n11\r\n0123456789abcdefX\r\n2\r\nyz\r\n0\r\n\r\n"));
    }

    void connectionCloseIsNeverChunked()
    {
        HttpResponse response(serverEnd.get(), 1000);
        response.setHeader("Connection", "Close");
        response.write("ab");
        response.write("c", true);
        QCOMPARE(received(), QByteArray("HTTP/1.1 200 OK\r\nConnection: Close\r\n\r\nabc"));
    }

    void cookiesAndLineBreaksCannotInjectHeaders()
    {
        HttpResponse response(serverEnd.get(), 1000);
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

    void clientThatDoesNotReadIsDropped()
    {
        client->setReadBufferSize(1);
        HttpResponse response(serverEnd.get(), 300);
        QElapsedTimer clock;
        clock.start();
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 64 && response.isConnected(); ++i)
            response.write(block);
        QVERIFY(!response.isConnected());
        QVERIFY2(clock.elapsed() < 5000, "the writer waited without a bound");
    }
};

QTEST_GUILESS_MAIN(TestHttpResponse)
#include "TestHttpResponse.moc"
