#pragma once

#include <QMdiSubWindow>

class QCloseEvent;

// The frame of a flight window in the main window's tabbed area; closing it first asks
// whether to save a modified flight.
class NUVQORAFlightSubWindow : public QMdiSubWindow
{
    Q_OBJECT

protected:
    void closeEvent(QCloseEvent *event) override;
};
