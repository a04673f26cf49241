// The device window's flight list: download into the table, the altitude preview, opening a
// flight in a flight window, clearing the device, and closing the window mid-download.
#include "Axis.h"
#include "DeviceWindowFixture.h"
#include "GraphSeries.h"
#include "NUVEvent_Pressure.h"
#include "NUVQORAFlight.h"
#include "NUVQORAFlightWidget.h"
#include "PressureAltitude.h"
#include "QGraph.h"
#include "SampleFlightMemory.h"
#include "ShellTestMain.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>

#include <atomic>

namespace {

// A flight of three records: no GPS, no launch, 2 ms of data.
std::vector<uint8_t> shortFlight()
{
    std::vector<uint8_t> memory{0x13};
    const NUVQORASettings settings;
    memory.insert(memory.end(), settings.image.begin(), settings.image.end());
    memory.insert(memory.end(), {0x02, 0x01, 0x00, 0x81, 0x03, 0x01, 0x86, 0xA0, 0x81, 0x02, 0x01, 0x00, 0x81,
                                 0x02, 0x01, 0x00, 0x00});
    return memory;
}

QStringList rowTexts(QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << (table->item(row, column) ? table->item(row, column)->text() : QStringLiteral("<none>"));
    return texts;
}

int pressureEventCount(const NUVQORAFlight &flight)
{
    return int(std::count_if(flight.events.begin(), flight.events.end(), [](const std::unique_ptr<NUVEvent> &e) {
        return dynamic_cast<const NUVEvent_Pressure *>(e.get()) != nullptr;
    }));
}

} // namespace

class TestDeviceWindowFlights : public QObject
{
    Q_OBJECT

private slots:
    void downloadedFlightsAreListedAndPreviewed()
    {
        DeviceWindowFixture f;
        std::vector<uint8_t> memory = SampleFlightMemory::build();
        const std::vector<uint8_t> second = shortFlight();
        memory.insert(memory.begin() + memory.size() - 1, second.begin(), second.end()); // before the end mark
        f.computer.setMemoryImage(memory);
        f.open();
        QVERIFY(f.connectFirmware());
        auto *table = f.child<QTableWidget>("flightsTable");
        f.markConsole();
        f.click("downloadFlights");
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("2 flight(s) downloaded.")));
        QTRY_COMPARE(table->rowCount(), 2);
        QCOMPARE(table->currentRow(), 0);
        auto *progress = f.child<QProgressBar>("downloadProgress");
        QCOMPARE(progress->value(), progress->maximum());

        // The rows show the flights' own figures, processed as a flight window would.
        const auto flights = NUVQORAFlight::parseMemory(memory);
        QCOMPARE(int(flights.size()), 2);
        NUVQORAFlight &sample = *flights[0];
        sample.buildSplines();
        const QStringList first = rowTexts(table, 0);
        QVERIFY(first[0] != QStringLiteral("n/a"));
        QCOMPARE(first[1], QString::number(sample.firstFixLatitude(), 'g', 6));
        QCOMPARE(first[2], QString::number(sample.firstFixLongitude(), 'g', 6));
        QVERIFY(sample.detectLaunch());
        QCOMPARE(first[3], QString::number(sample.landingTime() - sample.launchTime(), 'g', 6));
        QVERIFY(first[3].toDouble() > 10);
        QCOMPARE(rowTexts(table, 1), (QStringList{"n/a", "n/a", "n/a", "n/a", "0.002"}));

        const GraphSeries *preview = f.child<QGraph>("altitudePreviewGraph")->first()->series[0];
        QCOMPARE(preview->points.size(), pressureEventCount(sample));
        table->selectRow(1);
        QCOMPARE(preview->points.size(), 1);
        QCOMPARE(preview->points[0].y(), double(pressureAltitudeOf(100000) - flights[1]->groundAltitude()));
    }

    void theSelectedFlightOpensInAFlightWindow_data()
    {
        QTest::addColumn<bool>("tabShownDuringDownload");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::addColumn<bool>("deselected"); // the user Ctrl+clicks the selected row
        QTest::newRow("tab shown") << true << Qt::LeftToRight << false;
        QTest::newRow("tab hidden") << false << Qt::LeftToRight << false;
        QTest::newRow("tab hidden, right to left") << false << Qt::RightToLeft << false;
        QTest::newRow("row deselected") << false << Qt::LeftToRight << true;
    }

    void theSelectedFlightOpensInAFlightWindow()
    {
        QFETCH(bool, tabShownDuringDownload);
        QFETCH(Qt::LayoutDirection, direction);
        QFETCH(bool, deselected);
        QApplication::setLayoutDirection(direction);
        const auto restoreDirection = qScopeGuard([] { QApplication::setLayoutDirection(Qt::LeftToRight); });
        DeviceWindowFixture f;
        f.computer.setMemoryImage(SampleFlightMemory::build());
        f.open();
        QVERIFY(f.connectFirmware());
        auto *tabs = f.child<QTabWidget>("mainTabs");
        const int downloadTab = tabs->indexOf(f.child("downloadTab"));
        if (tabShownDuringDownload)
            tabs->setCurrentIndex(downloadTab);
        f.markConsole();
        f.click("downloadFlights");
        // The row is listed before the download ends; its controls come back only at the end.
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("1 flight(s) downloaded.")));
        QTRY_VERIFY(f.controlsEnabled());
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(downloadTab).center());
        QCOMPARE(tabs->currentIndex(), downloadTab);

        auto *table = f.child<QTableWidget>("flightsTable");
        if (deselected) {
            const QRect firstRow = table->visualRect(table->model()->index(0, 0));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier, firstRow.center());
        }
        QCOMPARE(table->selectionModel()->isRowSelected(0, {}), !deselected);
        QCOMPARE(table->currentRow(), 0);
        const GraphSeries *preview = f.child<QGraph>("altitudePreviewGraph")->first()->series[0];
        QCOMPARE(preview->points.isEmpty(), deselected);

        f.click("loadSelectedFlight");
        QMdiArea *area = f.window->ui.mdiArea;
        QCOMPARE(area->subWindowList().size(), deselected ? 1 : 2);
        if (deselected)
            return;
        auto *flightWindow = qobject_cast<NUVQORAFlightWidget *>(area->currentSubWindow()->widget());
        QVERIFY(flightWindow);
        QCOMPARE(flightWindow->windowTitle(), QStringLiteral("Untitled[*]"));
        QVERIFY(flightWindow->isWindowModified());
    }

    void clearingTheDevice_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("confirmed") << int(QMessageBox::Yes);
        QTest::newRow("cancelled") << int(QMessageBox::Cancel);
    }

    void clearingTheDevice()
    {
        QFETCH(int, answer);
        const bool confirmed = answer == QMessageBox::Yes;
        DeviceWindowFixture f;
        f.computer.setMemoryImage(SampleFlightMemory::build());
        f.open();
        QVERIFY(f.connectFirmware());
        auto *table = f.child<QTableWidget>("flightsTable");
        f.click("downloadFlights");
        QTRY_COMPARE(table->rowCount(), 1);
        QTRY_VERIFY(f.controlsEnabled());

        f.dialogs.takeRequests();
        f.dialogs.pressButton(QMessageBox::StandardButton(answer));
        f.markConsole();
        f.click("clearDevice");
        const QList<ScriptedDialogs::Request> asked = f.dialogs.takeRequests();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].message.text, QStringLiteral("Are you sure?"));
        QCOMPARE(asked[0].message.defaultButton, QMessageBox::Cancel);
        if (!confirmed) {
            QTest::qWait(100);
            QCOMPARE(table->rowCount(), 1);
            QCOMPARE(f.computer.memoryImage(), SampleFlightMemory::build());
            return;
        }
        QTRY_VERIFY(f.consoleSinceMark().contains(QStringLiteral("Flight memory cleared!")));
        QTRY_COMPARE(f.computer.almanacStoreCount(), 1); // the almanacs go with the memory
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(f.child<QGraph>("altitudePreviewGraph")->first()->series[0]->points.isEmpty());
        f.click("loadSelectedFlight");
        QCOMPARE(f.window->ui.mdiArea->subWindowList().size(), 1);
    }

    void progressBeyondTheTotalShowsAFullBar()
    {
        DeviceWindowFixture f;
        f.open();
        f.panel->flightDownloadProgress(100, 150);
        auto *progress = f.child<QProgressBar>("downloadProgress");
        QCOMPARE(progress->maximum(), 100);
        QCOMPARE(progress->value(), 100);
    }

    void closingTheWindowEndsADownload()
    {
        DeviceWindowFixture f;
        f.computer.setMemoryImage(std::vector<uint8_t>(4128768, 0xFF)); // a full memory
        f.open();
        QVERIFY(f.connectFirmware());
        // The download waits after its first chunk until the window is being closed.
        std::atomic<bool> downloading{false}, closing{false};
        NUVQORAInterface *link = f.panel->deviceInterface();
        connect(link, &NUVQORAInterface::flightDownloadProgress, link, [&] {
            downloading = true;
            while (!closing)
                QThread::yieldCurrentThread();
        }, Qt::DirectConnection);
        f.click("downloadFlights");
        QTRY_VERIFY(downloading);
        const size_t transfersAtClose = f.backend.transfers().size();

        closing = true;
        QVERIFY(f.closeDeviceWindow());
        // Ended within a few chunks; the whole memory is some 65,000.
        QVERIFY(f.backend.transfers().size() < transfersAtClose + 2000);
    }
};

NUV_SHELL_TEST_MAIN(TestDeviceWindowFlights)
#include "TestDeviceWindowFlights.moc"
