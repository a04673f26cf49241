#pragma once

#include "ui_ApplicationSettingsWidget.h"

#include <QDialog>

class QSettings;

// Edits NUV TAVO's application settings in the main window's settings object: the coordinate
// format, the number system and whether flight events are announced by voice. The live window
// reads the first two when it is built, so every OK warns that a restart may be needed.
class ApplicationSettingsWidget : public QDialog
{
    Q_OBJECT

public:
    ApplicationSettingsWidget(QWidget *parent, QSettings *settings);

private slots:
    void on_OK_clicked();

private:
    Ui::ApplicationSettingsWidgetClass ui;
    QSettings *m_settings;
};
