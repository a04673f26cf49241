#include "HttpRequest.h"

#include <QBuffer>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using tarnwick::HttpRequest;

class TestHttpRequest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    std::unique_ptr<QSettings> settings(const QMap<QString, QVariant> &values = {})
    {
        auto listener = std::make_unique<QSettings>(dir.filePath("server.ini"), QSettings::IniFormat);
        listener->clear();
        listener->beginGroup("listener");
        for (auto value = values.cbegin(); value != values.cend(); ++value)
            listener->setValue(value.key(), value.value());
        return listener;
    }

    // Feeds each piece as the connection handler would: steps while bytes remain and the
    // request is unfinished. Every step must consume something, or the handler would spin.
    // Returns what is left of the last piece.
    static QByteArray feed(HttpRequest &request, const QList<QByteArray> &pieces)
    {
        QByteArray rest;
        for (QByteArray piece : pieces) {
            QBuffer buffer(&piece);
            buffer.open(QIODevice::ReadOnly);
            while (buffer.bytesAvailable() > 0 && request.getStatus() != HttpRequest::complete
                   && request.getStatus() != HttpRequest::aborted) {
                const qint64 before = buffer.bytesAvailable();
                const int statusBefore = request.getStatus();
                request.readFromSocket(&buffer);
                if (buffer.bytesAvailable() == before && request.getStatus() == statusBefore)
                    qFatal("a parser step consumed nothing");
            }
            rest = buffer.readAll();
        }
        return rest;
    }

private slots:
    void requestsSplitAnywhereAndPipelined()
    {
        const auto listener = settings();
        HttpRequest request(listener.get());
        const QByteArray rest = feed(request, {"\r\nGET /a%20b?x=1&x=2&y HT", "TP/1.1\r", "\nAccept: a\r\n b\r\n c\r\n",
                                               "X-NAME: v\r", "\nCookie: a=1; b=\"x;y\"; c\r\n\r",
                                               "\nPOST /f?q=0 HTTP/1.1\r\nContent-Length: 9\r\n\r\na=1&b"});
        QCOMPARE(request.getStatus(), HttpRequest::complete);
        QCOMPARE(request.getMethod(), QByteArray("GET"));
        QCOMPARE(request.getPath(), QByteArray("/a b"));
        QCOMPARE(request.getVersion(), QByteArray("HTTP/1.1"));
        QCOMPARE(request.getParameters("x"), (QList<QByteArray>{"2", "1"}));
        QCOMPARE(request.getParameters("y"), QList<QByteArray>{QByteArray()});
        QCOMPARE(request.getHeaders("ACCEPT"), (QList<QByteArray>{"a b c", "a"}));
        QCOMPARE(request.getHeader("x-Name"), QByteArray("v"));
        QCOMPARE(request.getCookie("a"), QByteArray("1"));
        QCOMPARE(request.getCookie("b"), QByteArray("x;y"));
        QVERIFY(request.getHeader("cookie").isEmpty());

        // The pipelined request stays unread; its form body joins the query's parameters.
        HttpRequest form(listener.get());
        feed(form, {rest, "=%41"});
        QCOMPARE(form.getStatus(), HttpRequest::complete);
        QCOMPARE(form.getBody(), QByteArray("a=1&b=%41"));
        QCOMPARE(form.getParameters("q"), QList<QByteArray>{"0"});
        QCOMPARE(form.getParameters("b"), QList<QByteArray>{"A"});
    }

    void urlDecode_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("decoded");
        QTest::newRow("escape") << QByteArray("%41") << QByteArray("A");
        QTest::newRow("one digit at the end") << QByteArray("x%4") << QByteArray("x\x04");
        QTest::newRow("plus") << QByteArray("a+b") << QByteArray("a b");
        QTest::newRow("not hexadecimal") << QByteArray("%zz%4z") << QByteArray("%zz%4z");
        QTest::newRow("lone percent") << QByteArray("50%") << QByteArray("50%");
        QTest::newRow("dots") << QByteArray("%2e%2E/") << QByteArray("../");
    }

    void urlDecode()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, decoded);
        QCOMPARE(HttpRequest::urlDecode(source), decoded);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("maxRequestSize");
        QTest::newRow("two words") << QByteArray("GET /\r\n") << 16000;
        QTest::newRow("no HTTP") << QByteArray("GET / FTP\r\n") << 16000;
        QTest::newRow("declared body too large")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 16000\r\n\r\n") << 16000;
        QTest::newRow("negative length") << QByteArray("POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\nabc") << 16000;
        QTest::newRow("malformed length") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 3x\r\n\r\nabc") << 16000;
        QTest::newRow("huge length")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n") << 16000;
        // The largest lengths a 64-bit count holds must not wrap when the head is added.
        QTest::newRow("largest length")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 9223372036854775807\r\n\r\n") << 16000;
        QTest::newRow("largest length less the head")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 9223372036854775780\r\n\r\n") << 16000;
        QTest::newRow("one beyond the largest length")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 9223372036854775808\r\n\r\n") << 16000;
        QTest::newRow("largest multipart length")
            << QByteArray("POST / HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=b\r\n"
                          "Content-Length: 9223372036854775807\r\n\r\n") << 16000;
        QTest::newRow("head over the limit") << "GET / HTTP/1.1\r\nX: " + QByteArray(16000, 'a') + "\r\n\r\n" << 16000;
        // 16 + 16 bytes of lines fill the limit exactly; the next byte must trip it.
        QTest::newRow("head of exactly the limit") << QByteArray("GET / HTTP/1.1\r\nHost: 12345678\r\n\r\n") << 32;
        QTest::newRow("body over the limit")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 20\r\n\r\n01234567890123456789") << 50;
        const QByteArray part = "--b\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nvalue\r\n";
        QTest::newRow("unterminated multipart")
            << "POST / HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=b\r\nContent-Length: "
                + QByteArray::number(part.size()) + "\r\n\r\n" + part << 16000;
    }

    void refusals()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, maxRequestSize);
        const auto listener = settings({{"maxRequestSize", maxRequestSize}});
        HttpRequest request(listener.get());
        feed(request, {text});
        QCOMPARE(request.getStatus(), HttpRequest::aborted);
    }

    void multipartFieldsAndFiles()
    {
        const auto listener = settings();
        auto request = std::make_unique<HttpRequest>(listener.get());
        const QByteArray body = "--XyZ\r\nContent-Disposition: form-data; name=\"title\"\r\n\r\nTwo\r\nlines\r\n"
                                "--XyZ\r\nContent-Disposition: form-data; name=\"upload\"; filename=\"a.txt\"\r\n"
                                "Content-Type: text/plain\r\n\r\nfile\r\ncontent\r\n"
                                "--XyZ\r\nContent-Disposition: attachment\r\n\r\nignored\r\n--XyZ--\r\n";
        feed(*request, {"POST /up HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=\"XyZ\"\r\n"
                        "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n",
                        body.left(40), body.mid(40)});
        QCOMPARE(request->getStatus(), HttpRequest::complete);
        QCOMPARE(request->getParameters("title"), QList<QByteArray>{"Two\r\nlines"});
        QCOMPARE(request->getParameters("upload"), QList<QByteArray>{"a.txt"});
        QFile *file = request->getUploadedFile("upload");
        QVERIFY(file && !file->isOpen()); // many uploads must not hold a descriptor each
        QVERIFY(file->open(QIODevice::ReadOnly));
        QCOMPARE(file->readAll(), QByteArray("file\r\ncontent"));
        const QString uploadPath = file->fileName();
        request.reset();
        QVERIFY(!QFile::exists(uploadPath));

        // Exactly the size limit passes the header check and is refused when its last block arrives.
        HttpRequest atLimit(listener.get());
        feed(atLimit, {"POST / HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=b\r\n"
                       "Content-Length: 1000000\r\n\r\n", QByteArray(999999, 'x')});
        QCOMPARE(atLimit.getStatus(), HttpRequest::readingBody);
        feed(atLimit, {"x"});
        QCOMPARE(atLimit.getStatus(), HttpRequest::aborted);
    }
};

QTEST_GUILESS_MAIN(TestHttpRequest)
#include "TestHttpRequest.moc"
