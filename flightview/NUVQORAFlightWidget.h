#pragma once

#include <QWidget>

#include <memory>

class NUVQORAFlight;
class NUVStudio;

// A flight window: one recorded flight in the main window's tabbed area.
class NUVQORAFlightWidget : public QWidget
{
    Q_OBJECT

public:
    NUVQORAFlightWidget(NUVStudio *mainWindow, std::shared_ptr<NUVQORAFlight> flight);

    // True when the close is to be cancelled.
    bool askSaveFlight();

public slots:
    void save();
    void saveAs();

private:
    NUVStudio *m_mainWindow;
    std::shared_ptr<NUVQORAFlight> m_flight;
};
