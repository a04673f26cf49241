#include "NUVQORAFlightWidget.h"

#include "NUVQORAFlight.h"
#include "NUVStudio.h"

NUVQORAFlightWidget::NUVQORAFlightWidget(NUVStudio *mainWindow, std::shared_ptr<NUVQORAFlight> flight)
    : m_mainWindow(mainWindow)
    , m_flight(std::move(flight))
{
}

bool NUVQORAFlightWidget::askSaveFlight()
{
    return false;
}

void NUVQORAFlightWidget::save()
{
}

void NUVQORAFlightWidget::saveAs()
{
}
