#pragma once

#include <QByteArray>
#include <QList>

namespace tarnwick {

// One cookie as a response sends it in a Set-Cookie line.
class HttpCookie
{
public:
    HttpCookie(const QByteArray &name, const QByteArray &value);

    QByteArray getName() const { return name; }
    void setComment(const QByteArray &text) { comment = text; }
    void setDomain(const QByteArray &text) { domain = text; }
    void setMaxAge(int seconds) { maxAge = seconds; }
    void setPath(const QByteArray &text) { path = text; }
    void setSecure(bool on) { secure = on; }
    void setHttpOnly(bool on) { httpOnly = on; }
    void setVersion(int number) { version = number; }

    // The Set-Cookie value; CR and LF are dropped from every field so that a cookie
    // can never start a header line of its own.
    QByteArray toByteArray() const;

    // Splits a cookie header at semicolons outside double quotes; quotes are removed,
    // pieces trimmed, empty pieces dropped.
    static QList<QByteArray> splitCSV(const QByteArray &source);

private:
    QByteArray name;
    QByteArray value;
    QByteArray comment;
    QByteArray domain;
    int maxAge = 0;
    QByteArray path;
    bool secure = false;
    bool httpOnly = false;
    int version = 1;
};

} // namespace tarnwick
