#include "MessageHandler.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// What the handler writes to standard error for one message, caught through a pipe in a child
// process, so that a fatal message may abort it. status: the child's wait status.
QByteArray handledLine(QtMsgType type, const QMessageLogContext &context, const QString &message, int &status)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDERR_FILENO);
        messageHandler(type, context, message);
        std::fflush(stderr);
        _exit(0);
    }
    close(pipeEnds[1]);
    QByteArray written;
    char buffer[256];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        written.append(buffer, int(n));
    close(pipeEnds[0]);
    waitpid(child, &status, 0);
    return written;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void messageHandlerWritesOneLine_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("withContext");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("aborts");

        QTest::newRow("debug") << int(QtDebugMsg) << true << QByteArray("Debug: level 3 (Link.cpp:42, void f())\n") << false;
        QTest::newRow("warning") << int(QtWarningMsg) << true << QByteArray("Warning: level 3 (Link.cpp:42, void f())\n") << false;
        QTest::newRow("critical") << int(QtCriticalMsg) << true << QByteArray("Critical: level 3 (Link.cpp:42, void f())\n") << false;
        QTest::newRow("info is dropped") << int(QtInfoMsg) << true << QByteArray() << false;
        QTest::newRow("no context, as in release builds") << int(QtWarningMsg) << false << QByteArray("Warning: level 3 (:0, )\n") << false;
        QTest::newRow("fatal aborts after writing") << int(QtFatalMsg) << true << QByteArray("Fatal: level 3 (Link.cpp:42, void f())\n") << true;
    }

    void messageHandlerWritesOneLine()
    {
        QFETCH(int, type);
        QFETCH(bool, withContext);
        QFETCH(QByteArray, line);
        QFETCH(bool, aborts);
        const QMessageLogContext context = withContext ? QMessageLogContext("Link.cpp", 42, "void f()", "default")
                                                       : QMessageLogContext();
        int status = 0;
        QCOMPARE(handledLine(QtMsgType(type), context, QStringLiteral("level 3"), status), line);
        QCOMPARE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT, aborts);
    }

    // The program's start-up lines, in order, through a pipe.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("no arguments") << QStringList{} << QStringList{"Short file name: ", "Flight file path: "};
        QTest::newRow("a flight in short form")
            << QStringList{"--flight", "./flights/../flights/sample.qora"}
            << QStringList{"arg: --flight", "arg: ./flights/../flights/sample.qora",
                           "Short file name: ./flights/../flights/sample.qora", "Flight file path: WORK/flights/sample.qora"};
        QTest::newRow("a flight that does not exist")
            << QStringList{"--flight=none.qora"}
            << QStringList{"arg: --flight=none.qora", "Short file name: none.qora", "Flight file path: "};
        QTest::newRow("positional arguments are ignored")
            << QStringList{"extra"} << QStringList{"arg: extra", "Short file name: ", "Flight file path: "};
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, lines);
        QTemporaryDir work;
        QVERIFY(QDir(work.path()).mkpath("flights"));
        QFile flight(work.filePath("flights/sample.qora"));
        QVERIFY(flight.open(QIODevice::WriteOnly)); // its content does not matter to start-up

        QProcess program;
        start(program, work.path(), arguments);
        QStringList expected{QStringLiteral("arg: ") + QStringLiteral(NUV_QORA_PROGRAM)};
        for (const QString &line : lines)
            expected << QString(line).replace("WORK", QDir(work.path()).canonicalPath());
        QStringList seen;
        while (seen.size() < expected.size() && program.waitForReadyRead(20000)) {
            while (program.canReadLine() && seen.size() < expected.size())
                seen << QString::fromLocal8Bit(program.readLine()).chopped(1);
        }
        program.kill();
        program.waitForFinished();
        QCOMPARE(seen, expected);
    }

    void commandLineErrorsEndTheProgram_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "Unknown option 'bogus'.";
        QTest::newRow("missing value") << QStringList{"--flight"} << "Missing value after '--flight'.";
    }

    void commandLineErrorsEndTheProgram()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QTemporaryDir work;
        QProcess program;
        start(program, work.path(), arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(!program.readAllStandardOutput().contains("Short file name"));
        QVERIFY2(program.readAllStandardError().contains(error.toLocal8Bit()), qPrintable(error));
    }

private:
    static void start(QProcess &program, const QString &workDir, const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("NUV_HID_BACKEND", "simulator");
        environment.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(workDir);
        program.start(QStringLiteral(NUV_QORA_PROGRAM), arguments);
        QVERIFY(program.waitForStarted());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "TestStartup.moc"
