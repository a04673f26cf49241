#pragma once

#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "ScriptedDialogs.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <QDir>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

#include <memory>

// NUV QORA's main window with its device window, on the simulated flight computer (unplugged
// at first), in a working folder of its own. Every dialog is answered by the script; the
// update check goes to a port where nothing listens unless a test says otherwise.
class DeviceWindowFixture
{
public:
    explicit DeviceWindowFixture(const QVariantMap &settings = {})
    {
        QDir::setCurrent(workDir.path());
        QSettings ini(QStringLiteral("settings.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("updateHost"), QStringLiteral("127.0.0.1:1"));
        for (auto it = settings.begin(); it != settings.end(); ++it)
            ini.setValue(it.key(), it.value());
        ini.sync();
        HidBackend::setCurrent(&backend);
    }

    ~DeviceWindowFixture()
    {
        window.reset();
        HidBackend::setCurrent(nullptr);
    }

    void open()
    {
        window = std::make_unique<NUVStudio>(QString());
        panel = window->devicePanel();
    }

    template <typename Widget = QWidget>
    Widget *child(const char *name) const
    {
        Widget *widget = panel->findChild<Widget *>(QLatin1String(name));
        if (!widget)
            qFatal("no control named %s", name);
        return widget;
    }

    // Destroys the device window's frame, as closing it does; a window that waited for its
    // device's work to end would hold the test up for minutes.
    bool closeDeviceWindow()
    {
        delete qobject_cast<QMdiSubWindow *>(panel->parentWidget());
        panel = nullptr;
        return !window->devicePanel();
    }

    void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }

    // Plugs the firmware in and waits until the window has its settings.
    bool connectFirmware()
    {
        computer.plugFirmware();
        return QTest::qWaitFor([this] { return consoleText().contains(QLatin1String("Success.")) && controlsEnabled(); },
                               10000);
    }

    bool controlsEnabled() const { return child<QPushButton>("readSettings")->isEnabled(); }
    QString consoleText() const { return window->ui.console->toPlainText(); }
    // Console text from here on, for checks that must not see older lines.
    void markConsole() { m_consoleMark = consoleText().size(); }
    QString consoleSinceMark() const { return consoleText().mid(m_consoleMark); }

    QTemporaryDir workDir;
    SimulatedHidBackend backend;
    SimulatedFlightComputer computer{backend};
    ScriptedDialogs dialogs;
    std::unique_ptr<NUVStudio> window;
    NUVQORAWidget *panel = nullptr;

private:
    int m_consoleMark = 0;
};
