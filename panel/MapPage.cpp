#include "MapPage.h"

#include <QWebEnginePage>
#include <QWebEngineView>

#include <iostream>

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
    std::cout << "exception" << std::endl;
}
