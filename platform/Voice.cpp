#include "Voice.h"

#include "TextToSpeechVoice.h"

#include <atomic>
#include <iostream>

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
        std::cout << "Voice muted: " << reason.toStdString() << std::endl;
}

void Voice::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}
