#include "QueuedVoice.h"

QueuedVoice::QueuedVoice(QObject *parent) : QObject(parent)
{
    overdue_.setSingleShot(true);
    connect(&overdue_, &QTimer::timeout, this, &QueuedVoice::giveUp);
}

void QueuedVoice::speak(const QString &text)
{
    if (muted_)
        return;
    for (const SpeechSegment &segment : SpeechMarkup::parse(text))
        waiting_.enqueue(segment);
    startNext();
}

void QueuedVoice::segmentFinished()
{
    if (!speaking_)
        return;
    speaking_ = false;
    overdue_.stop();
    // Later, not from within the engine's own notice, which may come while the engine is
    // still inside the call that started the segment.
    QMetaObject::invokeMethod(this, &QueuedVoice::startNext, Qt::QueuedConnection);
}

void QueuedVoice::setPatience(int startMilliseconds, int perCharacterMilliseconds)
{
    startPatience_ = startMilliseconds;
    characterPatience_ = perCharacterMilliseconds;
}

void QueuedVoice::startNext()
{
    if (speaking_ || waiting_.isEmpty())
        return;
    speaking_ = true;
    const SpeechSegment segment = waiting_.dequeue();
    overdue_.start(startPatience_ + characterPatience_ * segment.text.size());
    startSegment(segment);
}

void QueuedVoice::giveUp()
{
    muted_ = true;
    speaking_ = false;
    waiting_.clear();
    stopSegment();
    reportMuted(QStringLiteral("the text-to-speech engine stopped answering"));
}
