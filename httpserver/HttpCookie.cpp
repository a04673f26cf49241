#include "HttpCookie.h"

#include "HeaderText.h"

namespace tarnwick {

HttpCookie::HttpCookie(const QByteArray &name, const QByteArray &value)
    : name(name)
    , value(value)
{
}

QByteArray HttpCookie::toByteArray() const
{
    QByteArray text = name + '=' + value;
    if (!comment.isEmpty())
        text += "; Comment=" + comment;
    if (!domain.isEmpty())
        text += "; Domain=" + domain;
    if (maxAge != 0)
        text += "; Max-Age=" + QByteArray::number(maxAge);
    if (!path.isEmpty())
        text += "; Path=" + path;
    if (secure)
        text += "; Secure";
    if (httpOnly)
        text += "; HttpOnly";
    text += "; Version=" + QByteArray::number(version);
    return withoutLineBreaks(text);
}

QList<QByteArray> HttpCookie::splitCSV(const QByteArray &source)
{
    QList<QByteArray> pieces;
    QByteArray collected;
    bool inQuotes = false;
    const auto finishPiece = [&] {
        const QByteArray piece = collected.trimmed();
        if (!piece.isEmpty())
            pieces.append(piece);
        collected.clear();
    };
    for (const char c : source) {
        if (c == '"')
            inQuotes = !inQuotes;
        else if (c == ';' && !inQuotes)
            finishPiece();
        else
            collected += c;
    }
    finishPiece();
    return pieces;
}

} // namespace tarnwick
