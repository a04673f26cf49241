#include "HarnessProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QSettings>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

const QByteArray tooLargeAnswer = "HTTP/1.1 413 entity too large\r\nConnection: close\r\n\r\n413 Entity too large\r\n";
const QByteArray tooManyAnswer = "HTTP/1.1 503 too many connections\r\nConnection: close\r\n\r\nToo many connections\r\n";
const QByteArray secret = "SECRET beside the document root";

struct Reply {
    int status = 0;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QList<int> chunkSizes;
};

// A client that speaks raw bytes and parses the replies itself.
class RawClient
{
public:
    explicit RawClient(quint16 port, bool encrypted = false)
    {
        if (encrypted) {
            socket.setPeerVerifyMode(QSslSocket::VerifyNone); // the test certificate is its own issuer
            socket.connectToHostEncrypted("127.0.0.1", port);
            socket.waitForEncrypted(5000);
        } else {
            socket.connectToHost(QHostAddress::LocalHost, port);
            socket.waitForConnected(3000);
        }
    }

    void send(const QByteArray &data)
    {
        socket.write(data);
        socket.waitForBytesWritten(3000);
    }

    bool isClosed() const { return socket.state() == QAbstractSocket::UnconnectedState; }

    // Everything until the server closes the connection (or the time runs out).
    QByteArray readUntilClosed(int timeoutMs = 3000)
    {
        deadline = QDeadlineTimer(timeoutMs);
        while (fill()) {
        }
        return std::exchange(pending, QByteArray()) + socket.readAll();
    }

    Reply readReply(int timeoutMs = 3000)
    {
        Reply reply;
        deadline = QDeadlineTimer(timeoutMs);
        QList<QByteArray> lines = takeUntil("\r\n\r\n").split('\n');
        reply.status = lines.takeFirst().split(' ').value(1).toInt();
        for (const QByteArray &line : lines) {
            const int colon = line.indexOf(':');
            if (colon > 0)
                reply.headers.insert(line.left(colon).toLower(), line.mid(colon + 1).trimmed());
        }
        if (reply.headers.value("transfer-encoding") == "chunked") {
            for (int size = -1; size != 0 && !deadline.hasExpired();) {
                size = takeUntil("\r\n").trimmed().toInt(nullptr, 16);
                reply.chunkSizes.append(size);
                reply.body += take(size);
                takeUntil("\r\n");
            }
        } else if (reply.headers.contains("content-length")) {
            reply.body = take(reply.headers.value("content-length").toInt());
        } else {
            reply.body = readUntilClosed(timeoutMs);
        }
        return reply;
    }

    QSslSocket socket;

private:
    bool fill()
    {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
        pending += socket.readAll();
        return true;
    }

    QByteArray takeUntil(const QByteArray &end)
    {
        int at;
        while ((at = pending.indexOf(end)) < 0)
            if (!fill())
                return std::exchange(pending, QByteArray());
        return take(at + end.size());
    }

    QByteArray take(int size)
    {
        while (pending.size() < size && fill()) {
        }
        const QByteArray data = pending.left(size);
        pending.remove(0, data.size());
        return data;
    }

    QByteArray pending;
    QDeadlineTimer deadline;
};

QByteArray get(const QByteArray &path, const QByteArray &extra = QByteArray())
{
    return "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n" + extra + "\r\n";
}

// One request on a connection of its own.
Reply fetch(quint16 port, const QByteArray &request)
{
    RawClient client(port);
    client.send(request);
    return client.readReply();
}

// Asks for much and never reads, so that the server's writes to it block.
void stall(RawClient &client)
{
    client.socket.setReadBufferSize(1);
    client.send(get("/large.bin").repeated(64));
}

} // namespace

// Runs the server harness as a child process over a copy of the test document root. Cases
// that need no settings of their own share one server.
class TestHttpServer : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString www;
    std::unique_ptr<HarnessProcess> server_;

    void writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(QDir(www).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    QByteArray fixture(const QString &name)
    {
        QFile file(QDir(www).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A harness on a settings file of its own with the given "listener" and "docroot" keys.
    std::unique_ptr<HarnessProcess> startServer(const QVariantMap &listener = {}, const QVariantMap &docroot = {})
    {
        static int count = 0;
        const QString settingsFile = dir.filePath(QStringLiteral("server%1.ini").arg(++count));
        {
            QSettings settings(settingsFile, QSettings::IniFormat);
            settings.setValue("docroot/path", "www");
            for (auto value = docroot.cbegin(); value != docroot.cend(); ++value)
                settings.setValue("docroot/" + value.key(), value.value());
            for (auto value = listener.cbegin(); value != listener.cend(); ++value)
                settings.setValue("listener/" + value.key(), value.value());
        }
        return std::make_unique<HarnessProcess>(settingsFile);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        www = dir.filePath("www");
        const QString source = QDir(qEnvironmentVariable("NUV_TEST_DATA")).filePath("www");
        QDirIterator files(source, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString target = QDir(www).filePath(QDir(source).relativeFilePath(files.next()));
            QDir().mkpath(QFileInfo(target).absolutePath());
            QVERIFY(QFile::copy(files.filePath(), target));
        }
        QVERIFY(QDir(www).mkpath("empty"));
        writeFile("cached.txt", QByteArray(65536, 'a'));
        writeFile("streamed.txt", QByteArray(65537, 'b'));
        QByteArray large(1 << 20, 0);
        for (int i = 0; i < large.size(); ++i)
            large[i] = char(i * 7 % 251);
        writeFile("large.bin", large);
        QVERIFY(::mkfifo(QFile::encodeName(QDir(www).filePath("pipe.html")).constData(), 0600) == 0);
        QFile secretFile(dir.filePath("secret.txt"));
        QVERIFY(secretFile.open(QIODevice::WriteOnly));
        secretFile.write(secret);
        server_ = startServer();
        QVERIFY(server_->isServing());
    }

    void cleanupTestCase() { server_.reset(); cleanup(); }

    void cleanup()
    {
        const QStringList logs = HarnessProcess::takeUncleanExits();
        QVERIFY2(logs.isEmpty(), qPrintable(logs.join("\n")));
    }

    void urlCarriesTheRealPort()
    {
        QCOMPARE(server_->urlLine(), QStringLiteral("URL: http://localhost:%1/index.html").arg(server_->port()));
        const auto named = startServer({{"host", "localhost"}});
        QCOMPARE(named->urlLine(), QStringLiteral("URL: http://localhost:0/index.html"));
        QVERIFY(named->waitForLog("HttpListener: Cannot bind on port 0", 2000));
    }

    void keepAlivePipeliningAndCloseRules()
    {
        RawClient client(server_->port());
        client.send(get("/index.html") + get("/") + get("/missing")); // answered in order
        Reply reply = client.readReply();
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.headers.value("transfer-encoding"), QByteArray("chunked"));
        QCOMPARE(reply.headers.value("cache-control"), QByteArray("max-age=60"));
        QCOMPARE(reply.body, fixture("index.html"));
        QCOMPARE(client.readReply().body, fixture("index.html")); // "/" is index.html
        QCOMPARE(client.readReply().status, 404);

        client.send(get("/sub", "connection: Close\r\n")); // the connection was kept alive
        reply = client.readReply();
        QCOMPARE(reply.headers.value("connection"), QByteArray("close"));
        QVERIFY(!reply.headers.contains("transfer-encoding"));
        QCOMPARE(reply.body, fixture("sub/index.html"));
        QVERIFY(client.isClosed());

        RawClient old(server_->port());
        old.send("GET /style.css HTTP/1.0\r\n\r\n");
        reply = old.readReply();
        QCOMPARE(reply.headers.value("connection"), QByteArray("close"));
        QCOMPARE(reply.body, fixture("style.css"));
        QVERIFY(old.isClosed());
    }

    void answersByFileKind_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        const QByteArray html = "text/html; charset=UTF-8";
        QTest::newRow("page") << QByteArray("/index.html") << 200 << html << fixture("index.html");
        QTest::newRow("style") << QByteArray("/style.css") << 200 << QByteArray("text/css") << fixture("style.css");
        QTest::newRow("script")
            << QByteArray("/script.js") << 200 << QByteArray("text/javascript") << fixture("script.js");
        QTest::newRow("no known suffix") << QByteArray("/sound.mp3") << 200 << QByteArray() << fixture("sound.mp3");
        QTest::newRow("suffix in capitals") << QByteArray("/image.PNG") << 200 << QByteArray() << fixture("image.PNG");
        QTest::newRow("directory with index") << QByteArray("/sub/") << 200 << html << fixture("sub/index.html");
        QTest::newRow("missing") << QByteArray("/nothing.html") << 404 << QByteArray() << QByteArray("404 not found");
        QTest::newRow("directory without index") << QByteArray("/empty/") << 404 << QByteArray() << QByteArray("404 not found");
        QTest::newRow("not a regular file") << QByteArray("/pipe.html") << 403 << QByteArray() << QByteArray("403 forbidden");
    }

    void answersByFileKind()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        // Every method reaches the files.
        const Reply reply = fetch(server_->port(), "DELETE " + path + " HTTP/1.1\r\n\r\n");
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.headers.value("content-type"), contentType);
        QCOMPARE(reply.body, body);
    }

    void nothingEscapesTheDocumentRoot()
    {
        const auto server = startServer(); // its cache empty, so that every attempt reaches the files
        const QList<QByteArray> attempts = {
            "/../secret.txt", "/%2e%2e/secret.txt", "/%2E%2E%2Fsecret.txt", "/sub/../../secret.txt",
            "/sub/%2e%2e/%2e%2e/secret.txt", "/..%2fsecret.txt", "/..", "/.%2e/secret.txt", "..%2Fsecret.txt",
            "../secret.txt", "secret.txt", "%2e%2e/secret.txt", "/sub/..%5c..%5csecret.txt", "//../secret.txt",
            "/%252e%252e/secret.txt", "/index.html%00/../../secret.txt", "http://localhost/../secret.txt",
            "/sub/.././../secret.txt", "/+/../../secret.txt", "/%2e%2e%2f%2e%2e%2fsecret.txt", "*",
        };
        for (const QByteArray &path : attempts) {
            const Reply reply = fetch(server->port(), "GET " + path + " HTTP/1.1\r\n\r\n");
            QVERIFY2(reply.status == 403 || reply.status == 404, path.constData());
            QVERIFY2(!reply.body.contains(secret), path.constData());
        }
        QCOMPARE(fetch(server->port(), get("//sub//./index.html")).status, 200); // odd but inside the root
        // A cached file must not answer for a longer, forbidden path that starts with its name.
        QCOMPARE(fetch(server->port(), get("/index.html")).status, 200);
        QCOMPARE(fetch(server->port(), get("/index.html%00/../../secret.txt")).status, 403);
    }

    void smallFilesAreCachedLargeOnesStreamed()
    {
        RawClient client(server_->port());
        client.send(get("/cached.txt") + get("/streamed.txt") + get("/large.bin"));
        QCOMPARE(client.readReply().body, fixture("cached.txt"));
        QCOMPARE(client.readReply().body, fixture("streamed.txt"));
        const Reply large = client.readReply(10000);
        QCOMPARE(large.body, fixture("large.bin"));
        QCOMPARE(*std::max_element(large.chunkSizes.cbegin(), large.chunkSizes.cend()), 65536);

        writeFile("cached.txt", QByteArray(65536, 'A'));
        writeFile("streamed.txt", QByteArray(65537, 'B'));
        client.send(get("/cached.txt") + get("/streamed.txt"));
        QCOMPARE(client.readReply().body, QByteArray(65536, 'a')); // served from the cache
        QCOMPARE(client.readReply().body, QByteArray(65537, 'B')); // read again
        QVERIFY(server_->waitForLog("StaticFileController: Cache hit for /cached.txt", 2000));
    }

    void cacheEntriesExpire()
    {
        const auto expiring = startServer({}, {{"cacheTime", 300}});
        const auto permanent = startServer({}, {{"cacheTime", 0}});
        const auto changingFile = [](const HarnessProcess &server) {
            return fetch(server.port(), get("/changing.txt")).body;
        };
        writeFile("changing.txt", "first");
        QCOMPARE(changingFile(*expiring), QByteArray("first"));
        QCOMPARE(changingFile(*permanent), QByteArray("first"));
        writeFile("changing.txt", "second");
        QTest::qWait(500);
        QCOMPARE(changingFile(*expiring), QByteArray("second"));
        QCOMPARE(changingFile(*permanent), QByteArray("first"));
    }

    void oversizedAndMalformedRequestsGet413_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("long header") << get("/", "X-Long: " + QByteArray(16000, 'x') + "\r\n");
        QTest::newRow("negative length") << get("/", "Content-Length: -1\r\n") + "x";
    }

    void oversizedAndMalformedRequestsGet413()
    {
        QFETCH(QByteArray, request);
        RawClient client(server_->port());
        client.send(request);
        QCOMPARE(client.readUntilClosed(), tooLargeAnswer);
        QVERIFY(client.isClosed());
    }

    void timeOutsBoundEveryConnection()
    {
        const auto server = startServer({{"readTimeout", 300}, {"maxThreads", 4}});
        QElapsedTimer clock;
        clock.start();
        RawClient halfHead(server->port());
        halfHead.send("GET / HTTP/1.1\r\nHost: local");
        RawClient idle(server->port());
        idle.send(get("/style.css"));
        QCOMPARE(idle.readReply().status, 200);
        RawClient trickle(server->port());
        trickle.send("POST / HTTP/1.1\r\nContent-Length: 1000\r\n\r\n");
        RawClient stalled(server->port());
        stall(stalled);
        while (clock.elapsed() < 4000 && !(halfHead.isClosed() && idle.isClosed() && trickle.isClosed())) {
            trickle.send("x");
            for (RawClient *client : {&halfHead, &idle})
                client->socket.waitForReadyRead(10);
            QTest::qWait(90);
        }
        QCOMPARE(halfHead.readUntilClosed(100), QByteArray()); // dropped without an answer
        QVERIFY(idle.isClosed());
        QVERIFY2(trickle.isClosed(), "a trickling body held its connection");
        QVERIFY(server->waitForLog("read timeout occured", 100));
        // The stalled client is dropped too: soon four handlers serve at once again.
        bool allServed = false;
        for (QDeadlineTimer deadline(5000); !allServed && !deadline.hasExpired(); QTest::qWait(100)) {
            std::vector<std::unique_ptr<RawClient>> clients;
            for (int i = 0; i < 4; ++i) {
                clients.push_back(std::make_unique<RawClient>(server->port()));
                clients.back()->send(get("/style.css"));
            }
            allServed = std::all_of(clients.begin(), clients.end(),
                                    [](const auto &client) { return client->readReply().status == 200; });
        }
        QVERIFY2(allServed, "a client that never reads kept its handler");
    }

    void poolIsBoundedReusedAndShrinks()
    {
        const auto server = startServer({{"maxThreads", 3}, {"cleanupInterval", 100}});
        {
            RawClient first(server->port());
            first.send(get("/style.css"));
            QCOMPARE(first.readReply().status, 200);
        }
        QTest::qWait(100);
        RawClient second(server->port());
        second.send(get("/style.css"));
        QCOMPARE(second.readReply().status, 200);
        QCOMPARE(server->countInLog("): constructed"), 1); // the first handler served again

        std::vector<std::unique_ptr<RawClient>> busy;
        for (int i = 0; i < 2; ++i) {
            busy.push_back(std::make_unique<RawClient>(server->port()));
            busy.back()->send(get("/style.css"));
            QCOMPARE(busy.back()->readReply().status, 200);
        }
        RawClient refused(server->port());
        QCOMPARE(refused.readUntilClosed(), tooManyAnswer);
        QCOMPARE(server->countInLog("): constructed"), 3);

        busy.clear();
        second.socket.disconnectFromHost();
        QVERIFY(server->waitForLog("pool size is now 1", 3000));
        QVERIFY(!server->log().contains("pool size is now 0"));
    }

    void servesOverTlsOnlyWithBothFiles()
    {
        const QDir data(qEnvironmentVariable("NUV_TEST_DATA"));
        QFile::copy(data.filePath("test-key.pem"), dir.filePath("key.pem"));
        QFile::copy(data.filePath("test-cert.pem"), dir.filePath("cert.pem"));
        const auto secure = startServer({{"sslKeyFile", "key.pem"}, {"sslCertFile", "cert.pem"}});
        RawClient client(secure->port(), true);
        QVERIFY(client.socket.isEncrypted());
        client.send(get("/style.css"));
        QCOMPARE(client.readReply().body, fixture("style.css"));

        const auto keyOnly = startServer({{"sslKeyFile", "key.pem"}});
        QCOMPARE(fetch(keyOnly->port(), get("/style.css")).status, 200);
        QVERIFY(!keyOnly->log().contains("SSL"));
    }

    void closesPromptlyWithConnectionsOpen()
    {
        auto server = startServer();
        RawClient halfHead(server->port());
        halfHead.send("GET / HTTP/1.1\r\n");
        RawClient stalled(server->port());
        stall(stalled);
        QTest::qWait(300);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(server->terminate(5000));
        QVERIFY2(clock.elapsed() < 2000, "closing waited for a connection");
    }
};

QTEST_GUILESS_MAIN(TestHttpServer)
#include "TestHttpServer.moc"
