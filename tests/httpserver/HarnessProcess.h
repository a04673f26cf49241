#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The server harness as a child process, started from a settings file; its log goes to a
// file beside the settings so that tests can look for lines in it.
class HarnessProcess
{
public:
    explicit HarnessProcess(const QString &settingsFile);
    ~HarnessProcess();

    bool isServing() const { return servingPort != 0; }
    quint16 port() const { return servingPort; }
    QString urlLine() const { return url; }
    QByteArray log() const;
    bool waitForLog(const QByteArray &text, int timeoutMs) const;
    int countInLog(const QByteArray &text) const { return log().count(text); }
    // SIGTERM; true when the server ended cleanly within the time.
    bool terminate(int timeoutMs);
    // The logs of servers that did not end cleanly when released (a sanitizer report, a
    // crash or a hang), collected since the last call.
    static QStringList takeUncleanExits();

private:
    QProcess process;
    QString logFile;
    QString url;
    quint16 servingPort = 0;
};
