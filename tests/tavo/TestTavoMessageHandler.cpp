#include "MessageHandler.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstring>

namespace {

const char *const EmitOption = "--emit";

// The child: installs the handler and sends one message of the named kind from a known place.
int emitOne(const char *kind)
{
    qInstallMessageHandler(messageHandler);
    const QMessageLogger logger("RadioPoll.cpp", 42, "void poll()");
    if (!std::strcmp(kind, "debug"))
        logger.debug("frequency %d Hz", 433100000);
    else if (!std::strcmp(kind, "warning"))
        logger.warning("weak signal");
    else if (!std::strcmp(kind, "info"))
        logger.info("packet");
    else if (!std::strcmp(kind, "critical"))
        logger.critical("FIFO overflow: %s", "Ä");
    else if (!std::strcmp(kind, "fatal"))
        logger.fatal("radio gone");
    else if (!std::strcmp(kind, "no context"))
        QMessageLogger().debug("bare");
    return 0;
}

} // namespace

// NUV TAVO's message handler, seen from outside: what one message leaves on standard error of
// a child process, and how that process ends.
class TestTavoMessageHandler : public QObject
{
    Q_OBJECT

private slots:
    void writesDebugAndCriticalDropsTheRestAndAbortsOnFatal_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("standardError");
        QTest::addColumn<bool>("aborts");

        QTest::newRow("debug") << "debug" << QByteArray("Debug: frequency 433100000 Hz (RadioPoll.cpp:42, void poll())\n")
                               << false;
        QTest::newRow("critical, local encoding")
            << "critical" << QByteArray("Critical: FIFO overflow: \xc3\x84 (RadioPoll.cpp:42, void poll())\n") << false;
        QTest::newRow("warning dropped") << "warning" << QByteArray() << false;
        QTest::newRow("info dropped") << "info" << QByteArray() << false;
        QTest::newRow("fatal written, then abort") << "fatal" << QByteArray("Fatal: radio gone (RadioPoll.cpp:42, void poll())\n")
                                                   << true;
        QTest::newRow("no source context") << "no context" << QByteArray("Debug: bare (:0, )\n") << false;
    }

    void writesDebugAndCriticalDropsTheRestAndAbortsOnFatal()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, standardError);
        QFETCH(bool, aborts);

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QLatin1String(EmitOption), kind});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.readAllStandardError(), standardError);
        QCOMPARE(child.readAllStandardOutput(), QByteArray());
        QCOMPARE(child.exitStatus() == QProcess::CrashExit, aborts);
        if (!aborts)
            QCOMPARE(child.exitCode(), 0);
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && !std::strcmp(argv[1], EmitOption))
        return emitOne(argv[2]);
    QCoreApplication application(argc, argv);
    TestTavoMessageHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestTavoMessageHandler.moc"
