#pragma once

#include <QStringList>
#include <memory>

// Stands in for the engines in tests. While a recorder exists, Voice::create() hands out
// voices that speak nothing and record every text given to speak(), mark-up and all, in the
// order given, so a test can check exactly what the program said.
class VoiceRecorder
{
public:
    VoiceRecorder();
    ~VoiceRecorder(); // Voice::create() uses the engines again
    VoiceRecorder(const VoiceRecorder &) = delete;
    VoiceRecorder &operator=(const VoiceRecorder &) = delete;

    QStringList texts() const;
    void clear();

private:
    // Shared with the voices, which may outlive the recorder.
    std::shared_ptr<QStringList> m_texts;
};
