#include "ApplicationSettingsWidget.h"

#include "UserDialogs.h"

#include <QSettings>

namespace {

// Selects the item carrying the stored value; a value no item carries selects none.
void fill(QComboBox *combo, const QList<QPair<QString, int>> &items, const QVariant &stored)
{
    for (const auto &item : items)
        combo->addItem(item.first, item.second);
    bool isNumber = false;
    const int value = stored.toInt(&isNumber);
    combo->setCurrentIndex(isNumber ? combo->findData(value) : -1);
}

// The selected item's value; with none selected, the value stored before stays.
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
    fill(ui.coordinateFormat,
         {{tr("Decimal degrees"), 0}, {tr("Degrees, minutes and seconds"), 2}, {tr("Degrees and decimal minutes"), 1}},
         m_settings->value(QStringLiteral("GPSCoordinateFormat"), 0));
    fill(ui.numberSystem, {{tr("Metric"), 0}, {tr("Imperial"), 1}},
         m_settings->value(QStringLiteral("numberSystem"), 0));
}

void ApplicationSettingsWidget::on_OK_clicked()
{
    store(m_settings, QStringLiteral("GPSCoordinateFormat"), ui.coordinateFormat);
    store(m_settings, QStringLiteral("numberSystem"), ui.numberSystem);
    UserDialogs::warning(this, tr("Restart required"),
                         tr("Certain settings require the application to be restarted."));
    accept();
}
