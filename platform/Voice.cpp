#include "Voice.h"

#include "ConsoleSink.h"
#include "TextToSpeechVoice.h"

#include <atomic>
#include <ostream>

namespace {

Voice::Factory &installedFactory()
{
    static Voice::Factory factory;
    return factory;
}

} // namespace

std::unique_ptr<Voice> Voice::create()
{
    if (installedFactory())
        return installedFactory()();

    QString whyNot;
    if (auto voice = TextToSpeechVoice::open(&whyNot))
        return voice;
    reportMuted(whyNot);
    return nullptr;
}

void Voice::reportMuted(const QString &reason)
{
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        ConsoleSink::out() << "Voice muted: " << reason.toStdString() << std::endl;
}

void Voice::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}
