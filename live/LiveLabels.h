#pragma once

#include "LiveReadings.h"

#include <array>

class QLabel;

// The labels a live window shows its readings in, to be given the texts of LiveReadings.
class LiveLabels
{
public:
    LiveLabels() = default;
    // overview: the form of the program's main window; form: that of the live window. The
    // forms of both programs name these labels alike.
    template<class Overview, class Form>
    LiveLabels(const Overview &overview, const Form &form)
        : m_labels{overview.liveAccelerationLabel,
                   overview.livePressureLabel,
                   overview.liveMSLAltitudeLabel,
                   overview.liveCompBatVoltageLabel,
                   overview.liveEjectBatVoltageLabel,
                   overview.liveTemperatureLabel,
                   overview.liveLineALabel,
                   overview.liveLineBLabel,
                   overview.liveLineCLabel,
                   overview.liveLineDLabel,
                   form.liveGPSTimeLabel,
                   form.liveLatLabel,
                   form.liveLongLabel,
                   form.liveGPSMSLLabel,
                   form.liveGPSFixLabel,
                   form.satUsedLabel}
    {
    }

    void show(const LiveReadings::Texts &texts) const;

private:
    std::array<QLabel *, LiveReadings::LabelCount> m_labels{};
};
