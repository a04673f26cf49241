#include "VoiceRecorder.h"

#include "Voice.h"

namespace {

class RecordingVoice : public Voice
{
public:
    explicit RecordingVoice(std::shared_ptr<QStringList> texts)
        : m_texts(std::move(texts))
    {
    }
    void speak(const QString &text) override { m_texts->append(text); }

private:
    std::shared_ptr<QStringList> m_texts;
};

} // namespace

VoiceRecorder::VoiceRecorder()
    : m_texts(std::make_shared<QStringList>())
{
    Voice::setFactory([texts = m_texts] { return std::make_unique<RecordingVoice>(texts); });
}

VoiceRecorder::~VoiceRecorder()
{
    Voice::setFactory(nullptr);
}

QStringList VoiceRecorder::texts() const
{
    return *m_texts;
}

void VoiceRecorder::clear()
{
    m_texts->clear();
}
