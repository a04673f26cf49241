#pragma once

#include "Axis.h"
#include "GraphSeries.h"
#include "NUVQORAFlight.h"
#include "NUVQORAFlightWidget.h"
#include "NUVStudio.h"
#include "QGraph.h"
#include "QGraphView.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// NUV QORA's main window with the flights a test opens in it, reached as a user reaches them:
// through the menus and the form's object names. The working folder, where the program keeps
// "settings.ini", is a fresh one for the whole test.
class FlightWindowFixture
{
public:
    FlightWindowFixture() { QDir::setCurrent(m_folder.path()); }

    QString path(const QString &name) const { return m_folder.filePath(name); }

    // A main window without any sub-window (opened on an empty flight whose window is closed),
    // in the given number system: 0 metric, 1 imperial.
    std::unique_ptr<NUVStudio> mainWindow(int numberSystem = 0)
    {
        const QString anchor = path(QStringLiteral("anchor.qora"));
        if (!QFile::exists(anchor))
            NUVQORAFlight().save(anchor.toStdWString());
        auto window = std::make_unique<NUVStudio>(anchor);
        window->settings()->setValue(QStringLiteral("numberSystem"), numberSystem);
        window->ui.mdiArea->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window;
    }

    // Opens the flight as a downloaded one (modified, no file) unless modified is false.
    static NUVQORAFlightWidget *show(NUVStudio &window, std::shared_ptr<NUVQORAFlight> flight,
                                     bool modified = true, const QString &title = QStringLiteral("Flight"))
    {
        window.addFlight(std::move(flight), title);
        auto *flightWindow = active(window);
        flightWindow->setWindowModified(modified);
        window.updateMenus();
        return flightWindow;
    }

    static NUVQORAFlightWidget *active(NUVStudio &window)
    {
        QMdiSubWindow *sub = window.ui.mdiArea->currentSubWindow();
        return sub ? qobject_cast<NUVQORAFlightWidget *>(sub->widget()) : nullptr;
    }

    template<class Widget = QWidget>
    static Widget *child(const QWidget *window, const char *name)
    {
        auto *widget = window->findChild<Widget *>(QLatin1String(name));
        if (!widget)
            qFatal("no %s", name);
        return widget;
    }

    static Axis *axis(const QWidget *window, const char *graph) { return child<QGraph>(window, graph)->first(); }
    static const QVector<QPointF> &points(const QWidget *window, const char *graph, int series)
    {
        return axis(window, graph)->series.at(series)->points;
    }

    static QStringList tabTitles(const QWidget *window)
    {
        auto *tabs = child<QTabWidget>(window, "flightTabs");
        QStringList titles;
        for (int index = 0; index < tabs->count(); ++index)
            titles << tabs->tabText(index);
        return titles;
    }

    static QString text(const QWidget *window, const char *label) { return child<QLabel>(window, label)->text(); }

    // One of the altitude graph's "Data" options, by its object name.
    static QAction *dataOption(const QWidget *window, const char *name)
    {
        auto *option = child<QGraph>(window, "livePressureGraph")->findChild<QAction *>(QLatin1String(name));
        if (!option)
            qFatal("no data option %s", name);
        return option;
    }

private:
    QTemporaryDir m_folder;
};
