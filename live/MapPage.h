#pragma once

#include <QString>

class QWebEngineView;

// The calls a window makes into the map page of its embedded browser, one method a page
// function. The page is only ever called, never read back. Each call is guarded, so a page
// function that is missing (the page has not loaded yet) or fails never stops the caller.
class MapPage
{
public:
    // How a call without arguments (flyTo, clearLineString) is written; each window keeps the
    // form it has always sent. The silent guard swallows a failure without a console line.
    enum class BareCalls {
        Guarded,       // "flyTo()" in the logging guard
        Silent,        // "try { flyTo(); } catch(e){}" alone
        SilentInGuard, // the silent form in the logging guard
    };

    MapPage() = default;
    // coordinateDecimals: how many decimals the latitudes and longitudes are sent with.
    MapPage(QWebEngineView *view, int coordinateDecimals, BareCalls bareCalls);

    void setPlacemark(double latitude, double longitude);
    void flyTo();
    // Altitude in m.
    void appendLineCoord(double latitude, double longitude, double altitude);
    void clearLineString();
    // Any script, in the logging guard.
    void run(const QString &js);

    // The texts of the calls, for scripts built ahead of sending.
    static QString setPlacemarkScript(double latitude, double longitude, int decimals);
    // kml: a whole KML document holding no quote or backslash, so it goes into the string
    // literal as it is.
    static QString plotKMLScript(const QString &kml);
    // points: an array literal of longitudes and latitudes.
    static QString plotGroudTrackScript(const QString &points);
    // The logging guard: a failure only reaches the page's console.
    static QString guarded(const QString &js);

    // What the live windows do with an exception reported by their browser: one line on
    // standard output, nothing else.
    static void reportException();

private:
    void runBare(const QString &function);
    void send(const QString &script);

    QWebEngineView *m_view = nullptr;
    int m_coordinateDecimals = 10;
    BareCalls m_bareCalls = BareCalls::Guarded;
};
