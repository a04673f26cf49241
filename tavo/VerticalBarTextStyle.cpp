#include "VerticalBarTextStyle.h"

#include <QPainter>
#include <QStyleOptionProgressBar>

void VerticalBarTextStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                       const QWidget *widget) const
{
    const auto *bar = qstyleoption_cast<const QStyleOptionProgressBar *>(option);
    if (element != CE_ProgressBarLabel || !bar || bar->orientation != Qt::Vertical) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The label of a horizontal bar as long as this one is high, on a painter turned a quarter.
    QStyleOptionProgressBar label(*bar);
    label.orientation = Qt::Horizontal;
    label.rect = QRect(0, 0, bar->rect.height(), bar->rect.width());
    painter->save();
    if (bar->bottomToTop) {
        painter->translate(bar->rect.left(), bar->rect.bottom() + 1);
        painter->rotate(-90);
    } else {
        painter->translate(bar->rect.right() + 1, bar->rect.top());
        painter->rotate(90);
    }
    QProxyStyle::drawControl(CE_ProgressBarLabel, &label, painter, widget);
    painter->restore();
}
