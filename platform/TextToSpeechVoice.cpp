#include "TextToSpeechVoice.h"

#include <QAudioDeviceInfo>
#include <QTextToSpeech>
#include <algorithm>

namespace {

int preference(const QString &engine)
{
    if (engine == QLatin1String("flite"))
        return 0;
    if (engine == QLatin1String("speechd"))
        return 1;
    return 2;
}

} // namespace

std::unique_ptr<TextToSpeechVoice> TextToSpeechVoice::open(QString *whyNot)
{
    QStringList engines = QTextToSpeech::availableEngines();
    if (engines.isEmpty()) {
        *whyNot = QStringLiteral("no text-to-speech engine is installed");
        return nullptr;
    }
    std::stable_sort(engines.begin(), engines.end(),
                     [](const QString &a, const QString &b) { return preference(a) < preference(b); });

    QStringList failures;
    for (const QString &name : engines) {
        // flite plays through Qt Multimedia: without an output device it would finish every
        // utterance at once, unheard, with a warning each time.
        if (name == QLatin1String("flite") && QAudioDeviceInfo::defaultOutputDevice().isNull()) {
            failures << name + QStringLiteral(": no audio output device");
            continue;
        }
        auto engine = std::make_unique<QTextToSpeech>(name);
        if (engine->state() == QTextToSpeech::BackendError) {
            failures << name + QStringLiteral(": the engine did not start");
            continue;
        }
        return std::unique_ptr<TextToSpeechVoice>(new TextToSpeechVoice(engine.release()));
    }
    *whyNot = QStringLiteral("no text-to-speech engine works (%1)").arg(failures.join(QStringLiteral("; ")));
    return nullptr;
}

TextToSpeechVoice::TextToSpeechVoice(QTextToSpeech *engine)
    : m_engine(engine)
{
    m_engine->setParent(this);
    connect(m_engine, &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State state) {
        if (state == QTextToSpeech::Ready || state == QTextToSpeech::BackendError)
            segmentFinished();
    });
}

TextToSpeechVoice::~TextToSpeechVoice()
{
    // What is still waiting goes with the voice; the sentence being spoken is cut short.
    m_engine->disconnect(this);
    stopSegment();
}

void TextToSpeechVoice::startSegment(const SpeechSegment &segment)
{
    if (m_engine->state() == QTextToSpeech::BackendError) {
        segmentFinished();
        return;
    }
    m_engine->setRate(segment.rate);
    m_engine->setPitch(segment.pitch);
    m_engine->say(segment.text);
}

void TextToSpeechVoice::stopSegment()
{
    m_engine->stop();
}
