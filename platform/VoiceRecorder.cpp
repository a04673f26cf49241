#include "VoiceRecorder.h"

#include "Voice.h"

namespace {

class RecordingVoice : public Voice
{
public:
    explicit RecordingVoice(std::shared_ptr<QStringList> texts) : texts_(std::move(texts)) {}
    void speak(const QString &text) override { texts_->append(text); }

private:
    std::shared_ptr<QStringList> texts_;
};

} // namespace

VoiceRecorder::VoiceRecorder() : texts_(std::make_shared<QStringList>())
{
    Voice::setFactory([texts = texts_] { return std::make_unique<RecordingVoice>(texts); });
}

VoiceRecorder::~VoiceRecorder()
{
    Voice::setFactory(nullptr);
}

QStringList VoiceRecorder::texts() const
{
    return *texts_;
}

void VoiceRecorder::clear()
{
    texts_->clear();
}
