#include "NUVQORAFlightSubWindow.h"

#include "NUVQORAFlightWidget.h"

#include <QCloseEvent>

void NUVQORAFlightSubWindow::closeEvent(QCloseEvent *event)
{
    auto *flightWidget = qobject_cast<NUVQORAFlightWidget *>(widget());
    if (flightWidget && flightWidget->askSaveFlight()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
