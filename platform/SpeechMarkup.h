#pragma once

#include <QString>
#include <QVector>

// A stretch of text that the engine speaks with one setting.
struct SpeechSegment
{
    QString text;
    double rate = 0;  // -1 slowest .. 1 fastest; 0 is the engine's normal rate
    double pitch = 0; // -1 .. 1; 0 is the voice's normal pitch

    bool operator==(const SpeechSegment &other) const
    {
        return text == other.text && rate == other.rate && pitch == other.pitch;
    }
};

// Turns an announcement with rate and emphasis mark-up into segments the engine can speak,
// since the engine takes plain text with one rate and pitch per utterance:
//   <rate speed='n'>...</rate>  n from -10 (slowest) to 10 (fastest), added to the enclosing
//                               rate; <rate speed='n'/> changes the rate for the rest of the
//                               enclosing element. The sum is held to -10..10.
//   <emph>...</emph>            spoken at a raised pitch: the engine has no emphasis of its own.
// Other tags are dropped unspoken, the five XML entities are decoded, and a '<' that opens no
// tag is spoken as it stands. Neighbouring text with the same setting stays one segment, so an
// announcement is not broken up by pauses the engine would put between utterances.
class SpeechMarkup
{
public:
    static constexpr double emphasisPitch = 0.25;

    static QVector<SpeechSegment> parse(const QString &markup);
};
