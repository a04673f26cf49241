#include "SpeechMarkup.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// The speaking state inside an element; the outermost one is the engine's default.
struct Scope
{
    QString element; // the tag that opened it
    int speed = 0;   // summed, held to the engine's range only when a segment is made
    bool emphasis = false;
};

QString decodeEntities(QString text)
{
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    return text.replace(QLatin1String("&amp;"), QLatin1String("&"));
}

int speedAttribute(const QString &tag)
{
    static const QRegularExpression speed(QStringLiteral("\\bspeed\\s*=\\s*(['\"])\\s*([-+]?\\d+)\\s*\\1"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = speed.match(tag);
    // A number too long for an int reads as 0, which leaves the rate alone.
    return match.hasMatch() ? match.captured(2).toInt() : 0;
}

SpeechSegment segmentFor(const Scope &scope)
{
    SpeechSegment segment;
    segment.rate = std::clamp(scope.speed, -10, 10) / 10.0;
    segment.pitch = scope.emphasis ? SpeechMarkup::emphasisPitch : 0;
    return segment;
}

void append(QVector<SpeechSegment> &segments, const QString &text, const Scope &scope)
{
    if (text.trimmed().isEmpty()) {
        // Spacing between elements separates words but is not a segment of its own.
        if (!text.isEmpty() && !segments.isEmpty())
            segments.last().text += text;
        return;
    }
    SpeechSegment segment = segmentFor(scope);
    if (!segments.isEmpty() && segments.last().rate == segment.rate
        && segments.last().pitch == segment.pitch) {
        segments.last().text += text;
        return;
    }
    segment.text = text;
    segments.append(segment);
}

void applyTag(QVector<Scope> &scopes, QString tag)
{
    tag = tag.trimmed();
    if (tag.startsWith(QLatin1Char('/'))) {
        // A closing tag ends the innermost open element of its name and any left open inside
        // it; one without an open element is ignored.
        const QString element = tag.mid(1).trimmed().toLower();
        for (int i = scopes.size() - 1; i > 0; --i) {
            if (scopes[i].element == element) {
                scopes.resize(i);
                break;
            }
        }
        return;
    }
    const bool empty = tag.endsWith(QLatin1Char('/'));
    const QString element = tag.section(QRegularExpression(QStringLiteral("[\\s/]")), 0, 0).toLower();
    Scope inner = scopes.last();
    inner.element = element;
    if (element == QLatin1String("rate"))
        inner.speed += speedAttribute(tag);
    else if (element == QLatin1String("emph") && !empty)
        inner.emphasis = true;
    else
        return;
    if (empty) {
        inner.element = scopes.last().element;
        scopes.last() = inner;
    } else {
        scopes.append(inner);
    }
}

} // namespace

QVector<SpeechSegment> SpeechMarkup::parse(const QString &markup)
{
    QVector<SpeechSegment> segments;
    QVector<Scope> scopes(1);
    int position = 0;
    while (position < markup.size()) {
        const int open = markup.indexOf(QLatin1Char('<'), position);
        const int close = open < 0 ? -1 : markup.indexOf(QLatin1Char('>'), open);
        if (close < 0) {
            append(segments, decodeEntities(markup.mid(position)), scopes.last());
            break;
        }
        const int nextOpen = markup.indexOf(QLatin1Char('<'), open + 1);
        if (nextOpen >= 0 && nextOpen < close) {
            // This '<' opens no tag: it is text up to the next one.
            append(segments, decodeEntities(markup.mid(position, nextOpen - position)), scopes.last());
            position = nextOpen;
            continue;
        }
        append(segments, decodeEntities(markup.mid(position, open - position)), scopes.last());
        applyTag(scopes, markup.mid(open + 1, close - open - 1));
        position = close + 1;
    }

    for (SpeechSegment &segment : segments)
        segment.text = segment.text.simplified();
    segments.erase(std::remove_if(segments.begin(), segments.end(),
                                  [](const SpeechSegment &s) { return s.text.isEmpty(); }),
                   segments.end());
    return segments;
}
