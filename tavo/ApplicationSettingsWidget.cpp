#include "ApplicationSettingsWidget.h"

#include "UserDialogs.h"

#include <QSettings>

namespace {

const QString CoordinateFormatKey = QStringLiteral("GPSCoordinateFormat");
const QString NumberSystemKey = QStringLiteral("numberSystem");
const QString VoiceKey = QStringLiteral("voice");

// Selects the item carrying the stored value; a value no item carries selects none.
void select(QComboBox *combo, const QVariant &stored)
{
    bool isNumber = false;
    const int value = stored.toInt(&isNumber);
    combo->setCurrentIndex(isNumber ? combo->findData(value) : -1);
}

// With no item selected the value stored before stays, rather than an empty one.
void store(QSettings *settings, const QString &key, const QComboBox *combo)
{
    if (combo->currentIndex() >= 0)
        settings->setValue(key, combo->currentData());
}

} // namespace

ApplicationSettingsWidget::ApplicationSettingsWidget(QWidget *parent, QSettings *settings)
    : QDialog(parent)
    , m_settings(settings)
{
    ui.setupUi(this);
    ui.coordinateFormat->addItem(tr("Decimal degrees"), 0);
    ui.coordinateFormat->addItem(tr("Degrees, minutes and seconds"), 2);
    ui.coordinateFormat->addItem(tr("Degrees and decimal minutes"), 1);
    select(ui.coordinateFormat, m_settings->value(CoordinateFormatKey, 0));
    ui.numberSystem->addItem(tr("Metric"), 0);
    ui.numberSystem->addItem(tr("Imperial"), 1);
    select(ui.numberSystem, m_settings->value(NumberSystemKey, 0));
    ui.voice->setChecked(m_settings->value(VoiceKey, false).toBool());
}

void ApplicationSettingsWidget::on_OK_clicked()
{
    store(m_settings, CoordinateFormatKey, ui.coordinateFormat);
    store(m_settings, NumberSystemKey, ui.numberSystem);
    m_settings->setValue(VoiceKey, ui.voice->isChecked());
    UserDialogs::warning(this, tr("Restart required"),
                         tr("Certain settings require the application to be restarted."));
    accept();
}
