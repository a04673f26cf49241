// Writes a PNG of every tab of a flight window, in metric and imperial units, for review; not
// run by CTest. Usage: flight_window_screenshots <output folder> [flight file]. Without a file
// the simulator's sample flight is shown.
#include "NUVQORAFlight.h"
#include "NUVQORAFlightWidget.h"
#include "NUVStudio.h"
#include "SampleFlightFile.h"
#include "WebServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWebEngineView>

#include <iostream>

namespace {

void wait(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

void grabTabs(NUVStudio &window, const QDir &output, const QString &units)
{
    auto *flightWindow = window.findChild<NUVQORAFlightWidget *>();
    auto *tabs = flightWindow->findChild<QTabWidget *>(QStringLiteral("flightTabs"));
    for (int index = 0; index < tabs->count(); ++index) {
        tabs->setCurrentIndex(index);
        const bool map = tabs->currentWidget()->objectName() == QLatin1String("gpsTab");
        if (map)
            QMetaObject::invokeMethod(flightWindow->findChild<QObject *>(QStringLiteral("populateGPSData")), "click");
        wait(map ? 6000 : 500);
        const QString name = QStringLiteral("flight-%1-%2.png").arg(units).arg(index);
        window.grab().save(output.filePath(name));
        std::cout << "wrote " << qPrintable(output.filePath(name)) << std::endl;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: flight_window_screenshots <output folder> [flight file]" << std::endl;
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    httpServerConfigFile = QStringLiteral(NUV_QORA_SERVER_SETTINGS);
    webServer.reset(makeWebServer(&application));

    QString path = argc > 2 ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() : QString();
    if (path.isEmpty()) {
        path = work.filePath(QStringLiteral("Sample flight.qora"));
        writeSampleFlightFile(path);
    }
    for (const QString &units : {QStringLiteral("metric"), QStringLiteral("imperial")}) {
        QSettings(QStringLiteral("settings.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("numberSystem"), units == QLatin1String("metric") ? 0 : 1);
        NUVStudio window(path);
        window.resize(1600, 1000);
        window.findChild<QMdiArea *>()->activeSubWindow()->showMaximized();
        wait(1000);
        grabTabs(window, output, units);
    }
    return 0;
}
