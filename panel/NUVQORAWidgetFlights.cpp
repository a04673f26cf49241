// The device window's "Download Data" tab: the flights in the device memory.
#include "NUVQORAWidget.h"

#include "GraphSeries.h"
#include "NUVEvent_Pressure.h"
#include "NUVStudio.h"
#include "PressureAltitude.h"
#include "QGraphView.h"
#include "UserDialogs.h"

#include <algorithm>

namespace {

constexpr float FeetPerMetre = 3.28084f;

QString figure(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

void NUVQORAWidget::downloadFlights()
{
    m_mainWindow->ui.statusBar->showMessage(tr("Downloading flights..."), 2000);
    m_flights.clear();
    ui.flightsTable->setRowCount(0);
    appendConsoleNL(tr("Downloading flights...this may take a few minutes."));
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::downloadFlights, Qt::QueuedConnection);
}

void NUVQORAWidget::flightDownloadProgress(int max, int current)
{
    ui.downloadProgress->setMaximum(max);
    ui.downloadProgress->setValue(std::min(max, current));
}

void NUVQORAWidget::flightDownloaded(std::shared_ptr<NUVQORAFlight> flight)
{
    // Processed before it is listed: its duration and altitude preview need the sample tables.
    flight->buildSplines();
    m_flights.push_back(flight);
    const int row = ui.flightsTable->rowCount();
    ui.flightsTable->setRowCount(row + 1);
    appendConsoleNL(tr("Adding flight to table"));
    if (ui.flightsTable->rowCount() == 1) {
        // Current as well as selected: selectRow() takes its column from the header's geometry
        // and can find none (right to left), leaving the row unselected and no current row.
        ui.flightsTable->selectionModel()->setCurrentIndex(
            ui.flightsTable->model()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    fillFlightRow(row, *flight);
}

void NUVQORAWidget::fillFlightRow(int row, NUVQORAFlight &flight)
{
    const NUVEvent_GPSTime *gpsTime = flight.firstGPSTime();
    bool latitudeFound = false, longitudeFound = false;
    const double latitude = flight.firstFixLatitude(&latitudeFound);
    const double longitude = flight.firstFixLongitude(&longitudeFound);
    const QString notAvailable = tr("n/a");
    const float dataTime = flight.events.empty() ? 0.0f : flight.events.back()->time - flight.events.front()->time;
    const QStringList cells = {
        gpsTime ? gpsTimeText(*gpsTime) : notAvailable,
        latitudeFound ? figure(latitude) : notAvailable,
        longitudeFound ? figure(longitude) : notAvailable,
        flight.detectLaunch() ? figure(std::max(0.0f, flight.landingTime() - flight.launchTime())) : notAvailable,
        figure(dataTime),
    };
    for (int column = 0; column < cells.size(); ++column)
        ui.flightsTable->setItem(row, column, new QTableWidgetItem(cells[column]));
}

void NUVQORAWidget::flightSelectionChanged()
{
    if (m_flights.empty())
        return;
    m_preview->points.clear();
    m_preview->resetBounds();
    m_preview->extentBox.maxX = 10;
    m_preview->extentBox.maxY = 1000;
    const int row = selectedFlightRow();
    if (row >= 0) {
        NUVQORAFlight &flight = *m_flights[size_t(row)];
        const float ground = flight.groundAltitude();
        for (const std::unique_ptr<NUVEvent> &event : flight.events) {
            const auto *pressure = dynamic_cast<const NUVEvent_Pressure *>(event.get());
            if (!pressure)
                continue;
            const float altitude = pressureAltitudeOf(pressure->pressure) - ground;
            const QPointF point(pressure->time, m_metric ? altitude : altitude * FeetPerMetre);
            m_preview->extendBounds(point);
            m_preview->points.append(point);
        }
    }
    ui.altitudePreviewGraph->view()->update();
}

void NUVQORAWidget::loadSelectedFlight()
{
    const int row = selectedFlightRow();
    if (row >= 0)
        m_mainWindow->addFlight(m_flights[size_t(row)], tr("Untitled"));
}

int NUVQORAWidget::selectedFlightRow() const
{
    const QModelIndexList rows = ui.flightsTable->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.front().row() >= int(m_flights.size()))
        return -1;
    return rows.front().row();
}

void NUVQORAWidget::clearFlightData()
{
    UserDialogs::Message question;
    question.icon = QMessageBox::Warning;
    question.text = tr("Are you sure?");
    question.informativeText = tr("This will clear all flight data from the device.");
    question.buttons = QMessageBox::Yes | QMessageBox::Cancel;
    question.defaultButton = QMessageBox::Cancel;
    if (UserDialogs::current().message(question) != QMessageBox::Yes)
        return;
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::clearFlightData, Qt::QueuedConnection);
    // Erasing the memory takes the stored almanacs with it.
    QMetaObject::invokeMethod(m_interface, &NUVQORAInterface::storeAlmanacs, Qt::QueuedConnection);
}

void NUVQORAWidget::flightDataCleared()
{
    ui.flightsTable->setRowCount(0);
    m_preview->points.clear();
    ui.altitudePreviewGraph->view()->update();
}

void NUVQORAWidget::clearFlights()
{
    m_flights.clear();
    ui.flightsTable->setRowCount(0);
}
