#include "MapPage.h"

#include "ConsoleSink.h"

#include <QWebEnginePage>
#include <QWebEngineView>

#include <ostream>

MapPage::MapPage(QWebEngineView *view, int coordinateDecimals, BareCalls bareCalls)
    : m_view(view)
    , m_coordinateDecimals(coordinateDecimals)
    , m_bareCalls(bareCalls)
{
}

void MapPage::setPlacemark(double latitude, double longitude)
{
    run(setPlacemarkScript(latitude, longitude, m_coordinateDecimals));
}

void MapPage::flyTo()
{
    runBare(QStringLiteral("flyTo"));
}

void MapPage::appendLineCoord(double latitude, double longitude, double altitude)
{
    run(QStringLiteral("appendLineCoord(") + QString::number(latitude, 'f', m_coordinateDecimals) + QStringLiteral(", ")
        + QString::number(longitude, 'f', m_coordinateDecimals) + QStringLiteral(", ")
        + QString::number(altitude, 'f', 6) + QStringLiteral(");"));
}

void MapPage::clearLineString()
{
    runBare(QStringLiteral("clearLineString"));
}

void MapPage::run(const QString &js)
{
    send(guarded(js));
}

QString MapPage::setPlacemarkScript(double latitude, double longitude, int decimals)
{
    return QStringLiteral("setPlacemark(") + QString::number(latitude, 'f', decimals) + QStringLiteral(", ")
        + QString::number(longitude, 'f', decimals) + QStringLiteral(");");
}

QString MapPage::plotKMLScript(const QString &kml)
{
    return QStringLiteral("plotKML('") + kml + QStringLiteral("');");
}

QString MapPage::plotGroudTrackScript(const QString &points)
{
    return QStringLiteral("plotGroudTrack(") + points + QStringLiteral(");");
}

QString MapPage::guarded(const QString &js)
{
    return QStringLiteral("try {") + js + QStringLiteral(" } catch(e){ console.log(e); }");
}

void MapPage::reportException()
{
    ConsoleSink::out() << "exception" << std::endl;
}

void MapPage::runBare(const QString &function)
{
    const QString silent = QStringLiteral("try { ") + function + QStringLiteral("(); } catch(e){}");
    switch (m_bareCalls) {
    case BareCalls::Guarded: run(function + QStringLiteral("()")); break;
    case BareCalls::Silent: send(silent); break;
    case BareCalls::SilentInGuard: run(silent); break;
    }
}

void MapPage::send(const QString &script)
{
    m_view->page()->runJavaScript(script);
}
