// The device window's firmware update through a stand-in loader tool, the update check
// against a local server, and closing the window while an update or an emulation runs.
#include "DeviceWindowFixture.h"
#include "FirmwareLoaderErrors.h"
#include "ShellTestMain.h"

#include <QCoreApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Where the window looks for firmware images: next to the program.
QString imageFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QORA/firmware/");
}
constexpr int updateWaitMs = 15000; // the update starts 5 s after it is asked for

// Answers every request with one body and keeps the head of the last request.
class UpdateServer : public QTcpServer
{
public:
    explicit UpdateServer(const QByteArray &body) : m_body(body) { listen(QHostAddress::LocalHost); }

    QByteArray lastRequest;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            m_received += socket->readAll();
            if (!m_received.contains("\r\n\r\n"))
                return;
            lastRequest = m_received;
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(m_body.size())
                          + "\r\nConnection: close\r\n\r\n" + m_body);
            socket->disconnectFromHost();
        });
    }

private:
    QByteArray m_body;
    QByteArray m_received;
};

void writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// The loader tool, as the window finds it from its working folder.
void installLoader(DeviceWindowFixture &f, const QByteArray &script)
{
    writeFile(f.workDir.filePath(QStringLiteral("QORA/firmware/bootload.exe")), "#!/bin/sh\n" + script, true);
}

QStringList informationTexts(const QList<ScriptedDialogs::Request> &requests)
{
    QStringList texts;
    for (const ScriptedDialogs::Request &request : requests) {
        if (request.message.icon == QMessageBox::Information)
            texts << request.message.title + ": " + request.message.text;
    }
    return texts;
}

} // namespace

class TestDeviceWindowUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir(imageFolder()).removeRecursively();
        // Found by name: the first match is handed to the loader.
        writeFile(imageFolder() + QStringLiteral("NUV QORA Firmware 2.14.hex.dat"), "new");
        writeFile(imageFolder() + QStringLiteral("NUV QORA Firmware 2.13.hex.dat"), "old");
        writeFile(imageFolder() + QStringLiteral("NUV TAVO Firmware 2.02.hex.dat"), "other");
    }

    void cleanupTestCase() { QDir(imageFolder()).removeRecursively(); }

    void theLoaderUpdatesTheDeviceAndTheWindowReconnects()
    {
        DeviceWindowFixture f;
        // Two pieces of output: a CR LF line, then (a moment later) an LF line.
        installLoader(f, "printf 'Loading %s %s\\r\\n' \"$1\" \"$2\"\nsleep 1\nprintf 'Verified\\n'\nexit 0\n");
        f.open();
        QVERIFY(f.connectFirmware());
        f.markConsole();
        f.click("updateFirmware");
        QVERIFY(!f.child("updateFirmware")->isEnabled());
        // The dialogs follow once the worker thread has sent the firmware to its bootloader.
        QTRY_VERIFY(!f.dialogs.requests.isEmpty());
        QCOMPARE(informationTexts(f.dialogs.takeRequests()),
                 QStringList{"Firmware update: Please do not disconnect the device while the update is taking "
                             "place.\r\nThis will cause incomplete/corrupted firmware to be uploaded."});
        QTRY_VERIFY_WITH_TIMEOUT(f.child("updateFirmware")->isEnabled(), updateWaitMs);
        // Sent to its bootloader by the window, started again once the loader is done.
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Firmware initialized.")));
        QTRY_VERIFY(f.controlsEnabled());
        const QString console = f.consoleSinceMark();
        QVERIFY(console.startsWith(QStringLiteral("\nRequesting firmware update. Please wait...\n")));
        QVERIFY(console.contains(QStringLiteral("Update will start in 5 seconds...")));
        QVERIFY(console.contains(QStringLiteral("Firmware disconnected.")));
        // Each piece of output a paragraph of its own, without its line end, CR LF or LF alone;
        // the device's own lines may come between them.
        const int loading = console.indexOf(QStringLiteral("\nLoading -p ") + imageFolder()
                                            + QStringLiteral("NUV QORA Firmware 2.13.hex.dat\n"));
        QVERIFY(loading >= 0);
        QVERIFY(console.indexOf(QStringLiteral("\nVerified\n"), loading) > loading);
        QVERIFY(!console.contains(QStringLiteral("Failed to update firmware.")));
    }

    void withoutAnImageTheUpdateFails()
    {
        DeviceWindowFixture f;
        installLoader(f, "exit 0\n");
        const QString hidden = imageFolder().chopped(1) + QStringLiteral("-hidden");
        QVERIFY(QDir().rename(imageFolder(), hidden));
        f.open();
        QVERIFY(f.connectFirmware());
        f.markConsole();
        f.click("updateFirmware");
        QTRY_VERIFY_WITH_TIMEOUT(
            f.consoleSinceMark().contains(QStringLiteral("No firmware files found!\nFailed to update firmware.")),
            updateWaitMs);
        QVERIFY(QDir().rename(hidden, imageFolder()));
        // The button stays off; the device is connected again.
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Firmware initialized.")));
        QTRY_VERIFY(f.controlsEnabled());
        QVERIFY(!f.child("updateFirmware")->isEnabled());
    }

    void aLoaderError_data() { FirmwareLoaderErrors::addRows(); }

    // Only an error that ends the loader fails the update; until then a device plugged in stays
    // in its bootloader.
    void aLoaderError()
    {
        QFETCH(QByteArray, loader);
        QFETCH(int, error);
        QFETCH(bool, endsUpdate);
        QFETCH(bool, buttonBack);
        DeviceWindowFixture f;
        if (!loader.isEmpty())
            installLoader(f, loader);
        f.open();
        QVERIFY(f.connectFirmware());
        f.markConsole();
        f.click("updateFirmware");
        const QString failed = QStringLiteral("Failed to update firmware.");
        if (error >= 0) {
            QTRY_VERIFY_WITH_TIMEOUT(f.consoleSinceMark().contains(FirmwareLoaderErrors::RunningLine), updateWaitMs);
            f.panel->updateError(QProcess::ProcessError(error));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(f.consoleSinceMark().contains(failed), updateWaitMs);
        }
        f.computer.plugBootloader();
        if (!endsUpdate) {
            QTest::qWait(1000);
            QCOMPARE(f.computer.mode(), SimulatedFlightComputer::Mode::Bootloader);
            QVERIFY(!f.child("updateFirmware")->isEnabled());
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.computer.mode(), SimulatedFlightComputer::Mode::Firmware, updateWaitMs);
        QTRY_VERIFY(f.controlsEnabled());
        QCOMPARE(f.consoleSinceMark().contains(failed), endsUpdate);
        QCOMPARE(f.child("updateFirmware")->isEnabled(), buttonBack);
    }

    void withoutOpenFirmwareTheUserReconnectsByHand()
    {
        DeviceWindowFixture f;
        installLoader(f, "exit 0\n");
        f.open();
        QTRY_VERIFY(!f.controlsEnabled());
        f.click("updateFirmware");
        QTRY_VERIFY(!f.dialogs.requests.isEmpty());
        const QStringList texts = informationTexts(f.dialogs.takeRequests());
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts[0], QStringLiteral("Firmware update: We can't connect to the device to automatically place it "
                                          "in \"bootloader\" mode.\r\nThis is possibly because the existing firmware "
                                          "is too old for this software version."));
        QCOMPARE(texts[1], QStringLiteral("Firmware update: To continue the update, please disconnect your device "
                                          "and then reconnect it again."));
        // No connection while the loader is about to run.
        f.computer.plugFirmware();
        QTest::qWait(300);
        QVERIFY(!f.consoleText().contains(QStringLiteral("Firmware initialized.")));
        QTRY_VERIFY_WITH_TIMEOUT(f.child("updateFirmware")->isEnabled(), updateWaitMs);
        QTRY_VERIFY(f.consoleText().contains(QStringLiteral("Firmware initialized.")));
    }

    void closingTheWindowDuringAnUpdate()
    {
        DeviceWindowFixture f;
        // exec: the loader killed with the window is the sleep itself, which then holds no output
        // pipe open for the test runner to wait on.
        installLoader(f, "echo started\nexec sleep 60\n");
        f.open();
        QVERIFY(f.connectFirmware());
        f.click("updateFirmware");
        QTRY_VERIFY_WITH_TIMEOUT(f.consoleText().contains(QStringLiteral("started")), updateWaitMs);
        QVERIFY(f.closeDeviceWindow());
        QTest::qWait(100); // nothing of the loader reaches the gone window
        QVERIFY(!f.window->devicePanel());
    }

    void closingTheWindowDuringAnEmulation()
    {
        DeviceWindowFixture f;
        const QString source = f.workDir.filePath(QStringLiteral("long.csv"));
        QByteArray rows = "header\n";
        for (int i = 0; i < 100000; ++i)
            rows += QByteArray::number(i * 0.01, 'f', 2) + ",0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n";
        writeFile(source, rows);
        f.open();
        QVERIFY(f.connectFirmware());
        f.dialogs.chooseFile(source);
        f.dialogs.chooseFile(f.workDir.filePath(QStringLiteral("results.csv")));
        f.dialogs.pressButton(QMessageBox::Yes); // in real time: about 17 minutes
        f.click("emulateLaunch");
        QTRY_VERIFY(!f.computer.emulationSteps().empty());
        QVERIFY(f.closeDeviceWindow());
        QVERIFY(f.computer.emulationSteps().size() < 1000);
    }

    void theUpdateCheck_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("boxes");
        const QString notice = QStringLiteral("Update: A new update is available online. Please visit ")
            + NUVStudio::webAddress()
            + QStringLiteral(" to download a new update for your device. Updates are important for device "
                             "reliability and feature enhancements.");
        QTest::newRow("newer, with a note") << QByteArray("1,Version 2.14 fixes the GPS clock")
                                            << QStringList{notice, "Update: Version 2.14 fixes the GPS clock"};
        QTest::newRow("newer") << QByteArray("1") << QStringList{notice};
        QTest::newRow("current") << QByteArray("0") << QStringList{};
        QTest::newRow("empty") << QByteArray() << QStringList{};
    }

    void theUpdateCheck()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, boxes);
        UpdateServer server(reply);
        DeviceWindowFixture f({{"updateHost", QStringLiteral("127.0.0.1:%1").arg(server.serverPort())}});
        f.open();
        QTRY_VERIFY(!server.lastRequest.isEmpty());
        QVERIFY(server.lastRequest.startsWith(
            "GET /resources/update/NUVQORA/updateavailable.php?v=531531 HTTP/1.1\r\n"));
        QVERIFY(server.lastRequest.contains("\r\nUser-Agent: Mozilla Firefox\r\n"));
        QTest::qWait(300);
        QCOMPARE(informationTexts(f.dialogs.requests), boxes);
    }
};

NUV_SHELL_TEST_MAIN(TestDeviceWindowUpdate)
#include "TestDeviceWindowUpdate.moc"
