#pragma once

#include "NUVQORASettings.h"
#include "ui_SettingsWidget.h"

#include <QVector>
#include <QWidget>

#include <array>

// Shows and edits the flight computer's settings block, keeps each output line's fields enabled
// by its mode, and estimates for each flight phase how long the device memory lasts.
class SettingsWidget : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsWidget(QWidget *parent = nullptr);

    // Public so that the embedding windows can reach the group boxes, e.g. to make the form read-only.
    Ui::SettingsWidgetClass ui;

public slots:
    void setSettings(const NUVQORASettings &settings);
    // The factory block with every field the form edits taken from the controls; valid is false.
    NUVQORASettings getSettings();

private slots:
    void on_lineAMode_currentIndexChanged(int index);
    void on_lineBMode_currentIndexChanged(int index);
    void on_lineCMode_currentIndexChanged(int index);
    void on_lineDMode_currentIndexChanged(int index);

public slots:
    void updateAvailableRecordingTime();

private:
    struct LineControls {
        QComboBox *mode;
        QDoubleSpinBox *time;
        QSpinBox *altitude;
        QSpinBox *stage;
        QSpinBox *maxAngle;
        QCheckBox *maxAngleEnabled;
        QDoubleSpinBox *onTime;
        QDoubleSpinBox *delay;
    };
    struct WriteRate {
        int stepMs;      // the combo's items are 1 to 10 times this
        int recordBytes; // size of one record of the kind, without its 2-byte header
        QComboBox *combo;
    };

    void lineModeChanged(int line, int index);
    void maxAngleToggled(int line, bool checked);
    void updateMaxAngleField(int line);
    int lineMode(int line) const;
    float recordingSeconds(int multiple) const;
    static QString formatRecordingTime(float seconds);

    std::array<LineControls, 4> m_lines;
    QVector<WriteRate> m_writeRates; // in the block's event-kind order
    QVector<QSpinBox *> m_priorities; // same order
    float m_memoryCapacity = 4128768.0f; // bytes of flash available for recording
};
