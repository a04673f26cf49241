#include "QueuedVoice.h"

QueuedVoice::QueuedVoice(QObject *parent) : QObject(parent)
{
    m_overdue.setSingleShot(true);
    connect(&m_overdue, &QTimer::timeout, this, &QueuedVoice::giveUp);
}

void QueuedVoice::speak(const QString &text)
{
    if (m_muted)
        return;
    for (const SpeechSegment &segment : SpeechMarkup::parse(text))
        m_waiting.enqueue(segment);
    startNext();
}

void QueuedVoice::segmentFinished()
{
    if (!m_speaking)
        return;
    m_speaking = false;
    m_overdue.stop();
    // Later, not from within the engine's own notice, which may come while the engine is
    // still inside the call that started the segment.
    QMetaObject::invokeMethod(this, &QueuedVoice::startNext, Qt::QueuedConnection);
}

void QueuedVoice::setPatience(int startMilliseconds, int perCharacterMilliseconds)
{
    m_startPatience = startMilliseconds;
    m_characterPatience = perCharacterMilliseconds;
}

void QueuedVoice::startNext()
{
    if (m_speaking || m_waiting.isEmpty())
        return;
    m_speaking = true;
    const SpeechSegment segment = m_waiting.dequeue();
    m_overdue.start(m_startPatience + m_characterPatience * segment.text.size());
    startSegment(segment);
}

void QueuedVoice::giveUp()
{
    m_muted = true;
    m_speaking = false;
    m_waiting.clear();
    stopSegment();
    reportMuted(QStringLiteral("the text-to-speech engine stopped answering"));
}
