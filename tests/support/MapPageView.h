#pragma once

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineView>

// A web view on one of the map pages, as the windows drive it: scripts run through the
// windows' try/catch wrapper, and what the page draws is read back through nuvMap.state().
class MapPageView : public QWebEngineView
{
public:
    MapPageView() { resize(800, 600); }

    // Shows the page and waits until it has loaded; false when it did not.
    bool open(const QUrl &url)
    {
        show();
        QSignalSpy loaded(this, &QWebEngineView::loadFinished);
        load(url);
        return loaded.wait(20000) && loaded.first().first().toBool();
    }

    // As the windows call the page: an error only reaches the page's console.
    void call(const QString &script)
    {
        page()->runJavaScript(QStringLiteral("try {") + script + QStringLiteral(" } catch(e){ console.log(e); }"));
    }

    QVariantMap state() { return evaluate(QStringLiteral("nuvMap.state()")).toMap(); }

    QVariant evaluate(const QString &script)
    {
        QVariant result;
        bool answered = false;
        page()->runJavaScript(script, [&](const QVariant &value) {
            result = value;
            answered = true;
        });
        QElapsedTimer waited;
        waited.start();
        while (!answered && waited.elapsed() < 5000)
            QTest::qWait(10);
        return result;
    }
};
