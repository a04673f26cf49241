#pragma once

#include "ui_ApplicationSettingsWidget.h"

#include <QDialog>

class QSettings;

// Edits NUV QORA's two application settings, the coordinate format and the number system,
// in the main window's settings object. The windows read them when they are built, so every
// OK warns that a restart may be needed.
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
