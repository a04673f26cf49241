#pragma once

#include <QString>

class QWebEngineView;

// Calls into the map page of a window's embedded browser. The page is only ever called, never
// read back. Each call is guarded, so a page function that is missing (the page has not loaded
// yet) or fails is logged to the page's console and never stops the caller.
class MapPage
{
public:
    static QString guarded(const QString &js);
    static void executeJSTry(QWebEngineView *view, const QString &js);

    // What the live windows do with an exception reported by their browser: one line on
    // standard output, nothing else.
    static void reportException();
};
