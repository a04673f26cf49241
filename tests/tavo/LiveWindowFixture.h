#pragma once

#include "ConsoleSink.h"
#include "FakeMonotonicClock.h"
#include "NUVStudio.h"
#include "NUVTAVOWidget.h"
#include "ScriptedDialogs.h"
#include "SimulatedGroundStation.h"
#include "SimulatedHidBackend.h"
#include "VoiceRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

// Collects the console lines of every thread (the window's, the radio link's, the recorder's).
class SharedOutput : private std::streambuf, public std::ostream
{
public:
    SharedOutput() : std::ostream(static_cast<std::streambuf *>(this)) { ConsoleSink::setStream(this); }
    ~SharedOutput() override { ConsoleSink::setStream(nullptr); }

    std::string text()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_text;
    }
    bool contains(const std::string &part) { return text().find(part) != std::string::npos; }
    void clear()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_text.clear();
    }

private:
    int overflow(int c) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (c != EOF)
            m_text += static_cast<char>(c);
        return c;
    }
    std::streamsize xsputn(const char *s, std::streamsize n) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_text.append(s, static_cast<size_t>(n));
        return n;
    }

    std::mutex m_mutex;
    std::string m_text;
};

// NUV TAVO's main window with its live window, on the simulated ground station (unplugged
// unless the test plugs it), in a working folder of its own, with every dialog answered by
// the test and every announcement recorded.
struct LiveWindowFixture
{
    QTemporaryDir workDir;
    SharedOutput output;
    VoiceRecorder voice;
    ScriptedDialogs dialogs;
    SimulatedHidBackend backend;
    SimulatedGroundStation station{backend};
    std::unique_ptr<NUVStudio> window;

    explicit LiveWindowFixture(int numberSystem = 0, bool voiceOn = true)
    {
        QDir::setCurrent(workDir.path());
        HidBackend::setCurrent(&backend);
        QSettings settings(QStringLiteral("tavo_settings.ini"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("numberSystem"), numberSystem);
        settings.setValue(QStringLiteral("voice"), voiceOn);
    }
    ~LiveWindowFixture()
    {
        window.reset();
        HidBackend::setCurrent(nullptr);
        QDir(QCoreApplication::applicationDirPath() + "/TAVO").removeRecursively();
    }

    NUVTAVOWidget *open()
    {
        window = std::make_unique<NUVStudio>();
        // The connection attempt at start runs in the radio link's thread: it has printed its
        // lines before a test drives the window and reads what the window prints.
        QMetaObject::invokeMethod(window->liveWindow()->radioLink(), [] {}, Qt::BlockingQueuedConnection);
        return window->liveWindow();
    }
    Ui::NUVStudioClass &overview() { return window->ui; }
    QString path(const QString &name) const { return workDir.filePath(name); }
};
