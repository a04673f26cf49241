#pragma once

#include "SpeechMarkup.h"
#include "Voice.h"

#include <QObject>
#include <QQueue>
#include <QTimer>

// The queue in front of an engine: speak() only appends, and the segments of every text go
// to the engine one at a time, each after the previous one has finished, because an engine
// told to say something new cuts short what it is saying.
//
// An engine that does not finish a segment in good time (a speech daemon that has lost its
// audio output says nothing and never reports) is taken for broken: the voice goes mute,
// with the console line of a voice that has no engine, instead of holding every later
// announcement behind it.
class QueuedVoice : public QObject, public Voice
{
    Q_OBJECT

public:
    void speak(const QString &text) override;

protected:
    explicit QueuedVoice(QObject *parent = nullptr);

    // Puts one segment on the engine; the subclass calls segmentFinished() when it has been
    // spoken or has failed.
    virtual void startSegment(const SpeechSegment &segment) = 0;
    void segmentFinished();
    // Silences the engine once it is given up on.
    virtual void stopSegment() = 0;

    // How long a segment may take: a fixed part for the engine to start and a part per
    // character generous enough for the slowest rate.
    void setPatience(int startMilliseconds, int perCharacterMilliseconds);

private:
    void startNext();
    void giveUp();

    QQueue<SpeechSegment> m_waiting;
    bool m_speaking = false;
    bool m_muted = false;
    QTimer m_overdue;
    int m_startPatience = 10000;
    int m_characterPatience = 500;
};
