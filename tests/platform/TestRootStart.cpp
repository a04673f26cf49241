#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Both programs started as scripts/run starts them on a fresh machine, where everyone is root:
// without the variable that switches the browser engine's sandbox off, which the suite sets
// for every other test. The engine ended such a program as soon as it started.
class TestRootStart : public QObject
{
    Q_OBJECT

private slots:
    void staysUpAsRoot_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("NUV QORA") << QStringLiteral(NUV_QORA_PROGRAM);
        QTest::newRow("NUV TAVO") << QStringLiteral(NUV_TAVO_PROGRAM);
    }

    void staysUpAsRoot()
    {
        QFETCH(QString, program);
        if (geteuid() != 0)
            QSKIP("needs root: a normal user keeps the sandbox");

        QTemporaryDir work; // what the program writes in its working folder goes with it
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
        environment.insert(QStringLiteral("NUV_HID_BACKEND"), QStringLiteral("simulator"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(work.path());
        QByteArray output;
        connect(&child, &QProcess::readyReadStandardOutput, this,
                [&child, &output] { output += child.readAllStandardOutput(); });
        child.start(program, QStringList());
        QVERIFY(child.waitForStarted());

        // Each program's device link makes its first attempt once the window shows.
        QTRY_VERIFY_WITH_TIMEOUT(output.contains("attempting connection\n") || child.state() == QProcess::NotRunning,
                                 60000);
        const auto report = [&child, &output] { return QString::fromLocal8Bit(output + child.readAllStandardError()); };
        QVERIFY2(child.state() == QProcess::Running, qPrintable(report()));
        QVERIFY(output.contains("Running as root: the browser engine's sandbox is switched off"));
        // By now the map page is on its way: the engine's own processes have started.
        QTest::qWait(3000);
        QVERIFY2(child.state() == QProcess::Running, qPrintable(report()));

        child.terminate();
        if (!child.waitForFinished(10000)) {
            child.kill();
            child.waitForFinished();
        }
    }
};

QTEST_GUILESS_MAIN(TestRootStart)
#include "TestRootStart.moc"
