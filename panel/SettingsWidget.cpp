#include "SettingsWidget.h"

#include "ConsoleSink.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <ostream>

namespace {

enum LineMode { Disabled, Input, Time, PeakVelocity, ClimbAltitude, Apogee, AltitudeAfterApogee };

const char *const lineModeNames[] = {
    QT_TRANSLATE_NOOP("SettingsWidget", "Disabled"),      QT_TRANSLATE_NOOP("SettingsWidget", "Input"),
    QT_TRANSLATE_NOOP("SettingsWidget", "Time"),          QT_TRANSLATE_NOOP("SettingsWidget", "Peak velocity"),
    QT_TRANSLATE_NOOP("SettingsWidget", "Climb altitude"), QT_TRANSLATE_NOOP("SettingsWidget", "Apogee"),
    QT_TRANSLATE_NOOP("SettingsWidget", "Altitude after apogee"),
};
const char *const dataRateNames[] = {
    QT_TRANSLATE_NOOP("SettingsWidget", "500 bps"), QT_TRANSLATE_NOOP("SettingsWidget", "1 kbps"),
    QT_TRANSLATE_NOOP("SettingsWidget", "2 kbps"),  QT_TRANSLATE_NOOP("SettingsWidget", "4 kbps"),
};

constexpr int NoAngleLimitDegrees = 180;

// Rounds to the nearest integer, halves upward.
int roundHalfUp(float value)
{
    return static_cast<int>(std::floor(value + 0.5f));
}

// The block stores the cosine of the angle in ten-thousandths; a field outside [-1, 1] (a damaged
// or foreign block) reads as the nearest angle instead of NaN.
int angleDegrees(int16_t cosine)
{
    const float ratio = std::clamp(cosine * 0.0001f, -1.0f, 1.0f);
    return roundHalfUp(std::acos(ratio) * 57.29578f);
}

int16_t angleCosine(int degrees)
{
    return static_cast<int16_t>(roundHalfUp(std::cos(degrees * 0.017453292f) * 10000.0f));
}

int tenths(const QDoubleSpinBox *spin)
{
    return static_cast<int>(spin->value() * 10);
}

int currentData(const QComboBox *combo)
{
    return combo->currentData().toInt(); // 0 when no item is current
}

void selectData(QComboBox *combo, int data)
{
    combo->setCurrentIndex(combo->findData(data));
}

} // namespace

SettingsWidget::SettingsWidget(QWidget *parent)
    : QWidget(parent)
{
    ui.setupUi(this);

    m_lines = {{
        {ui.lineAMode, ui.lineATime, ui.lineAAltitude, ui.lineAStage, ui.lineAMaxAngle, ui.maxAngleAEnabled,
         ui.lineAOnTime, ui.lineADelay},
        {ui.lineBMode, ui.lineBTime, ui.lineBAltitude, ui.lineBStage, ui.lineBMaxAngle, ui.maxAngleBEnabled,
         ui.lineBOnTime, ui.lineBDelay},
        {ui.lineCMode, ui.lineCTime, ui.lineCAltitude, ui.lineCStage, ui.lineCMaxAngle, ui.maxAngleCEnabled,
         ui.lineCOnTime, ui.lineCDelay},
        {ui.lineDMode, ui.lineDTime, ui.lineDAltitude, ui.lineDStage, ui.lineDMaxAngle, ui.maxAngleDEnabled,
         ui.lineDOnTime, ui.lineDDelay},
    }};

    for (QSpinBox *multiple : {ui.padWriteMultiple, ui.preApogeeWriteMultiple, ui.postApogeeWriteMultiple,
                               ui.groundWriteMultiple})
        connect(multiple, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &SettingsWidget::updateAvailableRecordingTime);

    for (int line = 0; line < int(m_lines.size()); ++line)
        connect(m_lines[line].maxAngleEnabled, &QCheckBox::clicked, this,
                [this, line](bool checked) { maxAngleToggled(line, checked); });

    // Filling a mode combo makes its first item current, which sets the line's fields through its slot.
    for (const LineControls &line : m_lines)
        for (int mode = 0; mode < int(std::size(lineModeNames)); ++mode)
            line.mode->addItem(tr(lineModeNames[mode]), mode);

    for (int rate = 0; rate < int(std::size(dataRateNames)); ++rate)
        ui.modulationFrequency->addItem(tr(dataRateNames[rate]), rate);

    m_writeRates = {
        {200, 13, ui.WriteRateGPSLLSOL}, {10, 2, ui.WriteRateACCELZ},    {10, 4, ui.WriteRateACCELXY},
        {10, 6, ui.WriteRateGYROXYZ},    {100, 6, ui.WriteRateMAGXYZ},   {20, 3, ui.WriteRatePRESSURE},
        {500, 2, ui.WriteRateTEMP},      {100, 2, ui.WriteRateBATEJECT}, {100, 2, ui.WriteRateBATCOMP},
        {500, 7, ui.WriteRateGPSTIME},   {100, 2, ui.WriteRateSTATUS},   {50, 2, ui.WriteRateLINEA},
        {50, 2, ui.WriteRateLINEB},      {50, 2, ui.WriteRateLINEC},     {50, 2, ui.WriteRateLINED},
        {100, 21, ui.WriteRateORIENTATION},
    };
    m_priorities = {
        ui.txPriorityGPSLLSOL, ui.txPriorityACCELZ,  ui.txPriorityACCELXY, ui.txPriorityGYROXYZ,
        ui.txPriorityMAGXYZ,   ui.txPriorityPRESSURE, ui.txPriorityTEMP,   ui.txPriorityBATEJECT,
        ui.txPriorityBATCOMP,  ui.txPriorityGPSTIME, ui.txPrioritySTATUS,  ui.txPriorityLINEA,
        ui.txPriorityLINEB,    ui.txPriorityLINEC,   ui.txPriorityLINED,   ui.txPriorityORIENTATION,
    };

    for (const WriteRate &rate : qAsConst(m_writeRates)) {
        connect(rate.combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &SettingsWidget::updateAvailableRecordingTime);
        for (int k = 1; k <= 10; ++k)
            rate.combo->addItem(tr("%1 ms").arg(k * rate.stepMs), k);
    }

    updateAvailableRecordingTime();
}

void SettingsWidget::setSettings(const NUVQORASettings &settings)
{
    ConsoleSink::out() << "setting settings!" << std::endl;

    for (int line = 0; line < int(m_lines.size()); ++line) {
        const LineControls &controls = m_lines[line];
        selectData(controls.mode, settings.lineMode(line));
        controls.time->setValue(settings.lineTime(line) * 0.1);
        controls.altitude->setValue(settings.lineAltitude(line));
        controls.onTime->setValue(settings.lineOnTime(line) * 0.1);
        controls.delay->setValue(settings.lineDelay(line) * 0.1);
        controls.maxAngle->setValue(angleDegrees(settings.lineMaxAngle(line)));
        controls.stage->setValue(settings.lineStage(line));
    }

    ui.minComputerVoltage->setValue(settings.minComputerVoltage() * 0.1);
    const uint8_t flags = settings.flags();
    ui.txOn->setChecked(flags & NUVQORASettings::TransmitterOn);
    ui.txGPSGate->setChecked(settings.gpsGate() & 0x02);
    ui.writeFlash->setChecked(flags & NUVQORASettings::WriteToFlash);
    ui.autoShutdown->setChecked(flags & NUVQORASettings::AutomaticShutdown);
    ui.LVCCuttoff->setChecked(flags & NUVQORASettings::LowVoltageCutOff);
    ui.ignorePressurePreApogee->setChecked(flags & NUVQORASettings::IgnorePressureBeforeApogee);
    ui.ignorePressurePostApogee->setChecked(flags & NUVQORASettings::IgnorePressureAfterApogee);
    selectData(ui.modulationFrequency, (flags & NUVQORASettings::DataRateMask) >> NUVQORASettings::DataRateShift);
    ui.RFChannel->setValue(settings.rfChannel());
    ui.HAMCallsign->setText(settings.callsign());

    ui.padWriteMultiple->setValue(settings.writeMultiple(0));
    ui.preApogeeWriteMultiple->setValue(settings.writeMultiple(1));
    ui.postApogeeWriteMultiple->setValue(settings.writeMultiple(2));
    ui.groundWriteMultiple->setValue(settings.writeMultiple(3));
    for (int kind = 0; kind < m_writeRates.size(); ++kind)
        selectData(m_writeRates[kind].combo, settings.writeRate(kind));
    for (int kind = 0; kind < m_priorities.size(); ++kind)
        m_priorities[kind]->setValue(settings.txPriority(kind));

    // The boxes come last: the mode slots above enabled each angle field by its box's previous state.
    for (int line = 0; line < int(m_lines.size()); ++line) {
        m_lines[line].maxAngleEnabled->setChecked(m_lines[line].maxAngle->value() != NoAngleLimitDegrees);
        updateMaxAngleField(line);
    }
}

NUVQORASettings SettingsWidget::getSettings()
{
    NUVQORASettings settings; // the factory block, not valid: the firmware version and calibration are not edited here

    for (int line = 0; line < int(m_lines.size()); ++line) {
        const LineControls &controls = m_lines[line];
        settings.setLineMode(line, uint8_t(currentData(controls.mode)));
        settings.setLineTime(line, uint16_t(tenths(controls.time)));
        settings.setLineAltitude(line, uint16_t(controls.altitude->value()));
        settings.setLineOnTime(line, uint8_t(tenths(controls.onTime)));
        settings.setLineDelay(line, uint16_t(tenths(controls.delay)));
        settings.setLineMaxAngle(line, angleCosine(controls.maxAngle->value()));
        settings.setLineStage(line, uint8_t(controls.stage->value()));
    }
    settings.setMinComputerVoltage(uint8_t(tenths(ui.minComputerVoltage)));

    uint8_t flags = (currentData(ui.modulationFrequency) << NUVQORASettings::DataRateShift)
                    & NUVQORASettings::DataRateMask;
    const std::pair<QCheckBox *, NUVQORASettings::Flag> flagBoxes[] = {
        {ui.txOn, NUVQORASettings::TransmitterOn},
        {ui.writeFlash, NUVQORASettings::WriteToFlash},
        {ui.ignorePressurePreApogee, NUVQORASettings::IgnorePressureBeforeApogee},
        {ui.ignorePressurePostApogee, NUVQORASettings::IgnorePressureAfterApogee},
        {ui.autoShutdown, NUVQORASettings::AutomaticShutdown},
        {ui.LVCCuttoff, NUVQORASettings::LowVoltageCutOff},
    };
    for (const auto &[box, flag] : flagBoxes)
        if (box->isChecked())
            flags |= flag;
    settings.setFlags(flags);
    settings.setGpsGate(ui.txGPSGate->isChecked() ? 2 : 0);
    settings.setRfChannel(uint8_t(ui.RFChannel->value()));
    settings.setCallsign(ui.HAMCallsign->text());

    settings.setWriteMultiple(0, uint8_t(ui.padWriteMultiple->value()));
    settings.setWriteMultiple(1, uint8_t(ui.preApogeeWriteMultiple->value()));
    settings.setWriteMultiple(2, uint8_t(ui.postApogeeWriteMultiple->value()));
    settings.setWriteMultiple(3, uint8_t(ui.groundWriteMultiple->value()));
    for (int kind = 0; kind < m_writeRates.size(); ++kind)
        settings.setWriteRate(kind, uint8_t(currentData(m_writeRates[kind].combo)));
    for (int kind = 0; kind < m_priorities.size(); ++kind)
        settings.setTxPriority(kind, uint8_t(m_priorities[kind]->value()));
    return settings;
}

void SettingsWidget::on_lineAMode_currentIndexChanged(int index)
{
    lineModeChanged(0, index);
}

void SettingsWidget::on_lineBMode_currentIndexChanged(int index)
{
    lineModeChanged(1, index);
}

void SettingsWidget::on_lineCMode_currentIndexChanged(int index)
{
    lineModeChanged(2, index);
}

void SettingsWidget::on_lineDMode_currentIndexChanged(int index)
{
    lineModeChanged(3, index);
}

void SettingsWidget::lineModeChanged(int line, int index)
{
    const LineControls &controls = m_lines[line];
    const int mode = controls.mode->itemData(index).toInt();
    controls.time->setEnabled(mode == Time);
    controls.altitude->setEnabled(mode == ClimbAltitude || mode == AltitudeAfterApogee);
    controls.stage->setEnabled(mode == PeakVelocity);
    controls.onTime->setEnabled(mode != Disabled && mode != Input);
    controls.delay->setEnabled(mode != Disabled && mode != Input);
    controls.maxAngleEnabled->setEnabled(mode == PeakVelocity);
    updateMaxAngleField(line);
}

void SettingsWidget::maxAngleToggled(int line, bool checked)
{
    if (!checked)
        m_lines[line].maxAngle->setValue(NoAngleLimitDegrees);
    updateMaxAngleField(line);
}

// Only the peak-velocity mode honours an angle limit, and only when its box is checked.
void SettingsWidget::updateMaxAngleField(int line)
{
    m_lines[line].maxAngle->setEnabled(lineMode(line) == PeakVelocity && m_lines[line].maxAngleEnabled->isChecked());
}

int SettingsWidget::lineMode(int line) const
{
    return currentData(m_lines[line].mode);
}

void SettingsWidget::updateAvailableRecordingTime()
{
    ui.possiblePadTime->setText(formatRecordingTime(recordingSeconds(ui.padWriteMultiple->value())));
    ui.possiblePreApogeeTime->setText(formatRecordingTime(recordingSeconds(ui.preApogeeWriteMultiple->value())));
    ui.possiblePostApogeeTime->setText(formatRecordingTime(recordingSeconds(ui.postApogeeWriteMultiple->value())));
    ui.possibleGroundTime->setText(formatRecordingTime(recordingSeconds(ui.groundWriteMultiple->value())));
}

// Seconds until the memory is full when every kind is written at its interval times the multiple;
// 0 when nothing is written.
float SettingsWidget::recordingSeconds(int multiple) const
{
    float bytesPerSecond = 0;
    if (multiple > 0) {
        for (const WriteRate &rate : m_writeRates) {
            const int k = currentData(rate.combo);
            if (k <= 0)
                continue; // no interval chosen: written as 0, and nothing to count
            const float interval = float(k) * float(rate.stepMs) * 0.001f * float(multiple);
            bytesPerSecond += float(rate.recordBytes + 2) / interval;
        }
    }
    return bytesPerSecond == 0 ? 0 : m_memoryCapacity / bytesPerSecond;
}

QString SettingsWidget::formatRecordingTime(float seconds)
{
    if (seconds <= 0)
        return tr("Unlimited");
    return tr("%1 hours").arg(QString::number(seconds * 0.00027777778f, 'f', 1));
}
