#include "MapPage.h"

#include "ConsoleSink.h"

#include <QWebEnginePage>
#include <QWebEngineView>

#include <ostream>

QString MapPage::guarded(const QString &js)
{
    return QStringLiteral("try {") + js + QStringLiteral(" } catch(e){ console.log(e); }");
}

void MapPage::executeJSTry(QWebEngineView *view, const QString &js)
{
    view->page()->runJavaScript(guarded(js));
}

void MapPage::reportException()
{
    ConsoleSink::out() << "exception" << std::endl;
}
