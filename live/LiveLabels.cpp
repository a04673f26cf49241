#include "LiveLabels.h"

#include <QLabel>

void LiveLabels::show(const LiveReadings::Texts &texts) const
{
    for (auto text = texts.begin(); text != texts.end(); ++text) {
        const bool lineStyle = text.key() >= LiveReadings::LineAStyle && text.key() <= LiveReadings::LineDStyle;
        if (lineStyle)
            m_labels[text.key()]->setStyleSheet(text.value());
        else
            m_labels[text.key()]->setText(text.value());
    }
}
