#pragma once

#include <QString>
#include <functional>
#include <memory>

// The voice that announces flight events. speak() queues the text and returns at once; texts
// are spoken one after another, in the order given, each to its end. A text may carry rate
// and emphasis mark-up (see SpeechMarkup).
//
// A voice belongs to the thread that created it (the GUI thread) and is used only there.
class Voice
{
public:
    virtual ~Voice() = default;

    virtual void speak(const QString &text) = 0;

    // A voice on the first text-to-speech engine that works here, or null when none does.
    // The first time no engine works the process prints one console line saying why; the
    // program then stays mute.
    static std::unique_ptr<Voice> create();

    // Tests make create() hand out their own voices (or none); an empty factory restores the
    // engines.
    using Factory = std::function<std::unique_ptr<Voice>()>;
    static void setFactory(Factory factory);

protected:
    // The console line of a mute voice, printed once in the life of the process.
    static void reportMuted(const QString &reason);
};
