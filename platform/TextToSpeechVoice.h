#pragma once

#include "QueuedVoice.h"

#include <memory>

class QTextToSpeech;

// A voice on one of the text-to-speech engines installed with Qt.
class TextToSpeechVoice : public QueuedVoice
{
    Q_OBJECT

public:
    // A voice on the first engine that works, trying flite first (it needs no daemon), then
    // speech-dispatcher (where its daemon runs), then any other. Null when none works, with
    // the reason in *whyNot.
    static std::unique_ptr<TextToSpeechVoice> open(QString *whyNot);

    ~TextToSpeechVoice() override;

protected:
    void startSegment(const SpeechSegment &segment) override;
    void stopSegment() override;

private:
    explicit TextToSpeechVoice(QTextToSpeech *engine);

    QTextToSpeech *m_engine; // child
};
