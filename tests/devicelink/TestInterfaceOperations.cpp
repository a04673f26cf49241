#include "InterfaceFixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

namespace {

using Step = std::function<void(InterfaceFixture &)>;

const QString enable0 = QStringLiteral("enable 0");
const QString enable1 = QStringLiteral("enable 1");
const QString reading = QStringLiteral("Reading settings... ");
const QString writing = QStringLiteral("Writting settings... ");
const QString success = QStringLiteral("Success.\n");
const QString calibrated = QStringLiteral("Calibrated pressure. Writing settings...");
const QString noPressure = QStringLiteral("Error calibrating pressure - no pressure reading.");
const QString outOfRange = QStringLiteral("Warning! Target pressure out of range. MSL Pressure altitude readings "
                                          "will not be accurate.");
const QString clearing = QStringLiteral("Clearing flight memory (this may up to a minute)...");
const QString exiting = QStringLiteral("Exiting firmware...");

int8_t pressureOffset(const InterfaceFixture &f)
{
    return int8_t(f.computer.settingsImage()[2]);
}

bool settingsUntouched(const InterfaceFixture &f)
{
    return f.computer.settingsImage() == SimulatedFlightComputer::defaultSettingsImage();
}

} // namespace

Q_DECLARE_METATYPE(Step)

// The device operation slots on the simulated firmware: console lines, control locking, the
// settings they read back, and their effect on the device.
class TestInterfaceOperations : public QObject
{
    Q_OBJECT

private slots:
    void operations_data()
    {
        QTest::addColumn<Step>("run");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("settingsReads");
        QTest::addColumn<Step>("then");
        const auto row = [](const char *name, Step run, QStringList calls, int settingsReads = 0, Step then = {}) {
            QTest::newRow(name) << run << calls << settingsReads << then;
        };

        row("read settings", [](InterfaceFixture &f) { f.link.readDeviceSettings(); },
            {enable0, reading, success, enable1}, 1);
        row("read settings refused", [](InterfaceFixture &f) {
            f.computer.setFault(6, replyWithCode(9));
            f.link.readDeviceSettings();
        }, {enable0, reading, "Error reading settings.\n", "Error: Generic error\n", enable1});
        row("reset settings", [](InterfaceFixture &f) {
            NUVQORASettings edited;
            edited.setRfChannel(42);
            edited.updateChecksum();
            f.computer.setSettingsImage(edited.image);
            f.link.resetDeviceSettings();
        }, {enable0, "Resetting settings... ", success, enable0, reading, success, enable1, enable1}, 1,
            [](InterfaceFixture &f) { QVERIFY(settingsUntouched(f)); });
        row("write settings", [](InterfaceFixture &f) {
            NUVQORASettings edited;
            edited.setCallsign("NEW");
            edited.setLineMode(2, 3);
            QSignalSpy read(&f.link, &NUVQORAInterface::settingsRead);
            f.link.writeDeviceSettings(edited);
            edited.updateChecksum();
            QVERIFY(f.computer.settingsImage() == edited.image);
            QCOMPARE(read.count(), 1);
            const auto settings = read[0][0].value<NUVQORASettings>();
            QVERIFY(settings.image == edited.image && settings.valid);
        }, {enable0, writing, success, enable0, reading, success, enable1, enable1}, 1);
        row("without firmware only lock the controls", [](InterfaceFixture &f) {
            f.link.closeDevices();
            f.link.readDeviceSettings();
            f.link.writeDeviceSettings(NUVQORASettings());
            f.link.viewStoredAlmanacs();
            f.link.calibratePressure(0);
            f.link.downloadFlights();
        }, {enable0, enable0, enable0, enable0, enable0}, 0,
            [](InterfaceFixture &f) { QVERIFY(f.backend.transfers().empty()); });

        row("view stored almanacs", [](InterfaceFixture &f) {
            f.computer.setAlmanacList({5, 0, 255, 12});
            f.computer.setAlmanac({7, 0, 0, 0, 0x34, 0x08, 0, 0, 0xAB});
            f.link.viewStoredAlmanacs();
        }, {enable0, "Reading almanac SV list...", "Stored SV almanacs:",
            "[5][.][.][12]" + QString("[.]").repeated(28) + "\n", enable1}, 0, [](InterfaceFixture &f) {
            QVERIFY(f.output.contains("[5][0][255][12][0]"));
            QVERIFY(f.output.contains("SV: 7\nWeek: 2100\ndata: [7][0][0][0][34][8][0][0][ab][0]"));
        });
        row("upload almanacs", [](InterfaceFixture &f) {
            f.computer.setAlmanacList({5, 0, 255, 12});
            f.link.uploadAlmanacs();
        }, {enable0, "Uploading almanacs...", "Almanacs uploaded: 2\n", enable1});
        row("store almanacs", [](InterfaceFixture &f) { f.link.storeAlmanacs(); },
            {enable0, "Storing almanacs (this could take up to a minute)...", success, enable1},
            0, [](InterfaceFixture &f) { QCOMPARE(f.computer.almanacStoreCount(), 1); });
        row("clear SV data", [](InterfaceFixture &f) {
            f.computer.setAlmanacList({5});
            f.link.clearSVData();
        }, {enable0, "Clearing space vehicle data...", success, enable1}, 0,
            [](InterfaceFixture &f) { QCOMPARE(f.computer.almanacList()[0], 0); });

        row("calibrate", [](InterfaceFixture &f) {
            f.computer.setLiveRecord(3, {3, 0x01, 0x8B, 0xB4}); // 101300 Pa
            f.link.calibratePressure(0); // 101325 Pa at sea level: 25 Pa to add
        }, {enable0, calibrated, enable0, writing, success, enable0, reading, success, enable1, enable1, enable1}, 1,
            [](InterfaceFixture &f) {
            QCOMPARE(pressureOffset(f), 25);
            f.link.calibratePressure(0); // the stored offset adds to the next calibration
            QCOMPARE(pressureOffset(f), 50);
        });
        row("calibrate out of range", [](InterfaceFixture &f) {
            f.computer.setLiveRecord(3, {3, 0x01, 0x8A, 0x88}); // 101000 Pa
            f.link.calibratePressure(0);
        }, {enable0, outOfRange, calibrated, enable0, writing, success, enable0, reading, success, enable1, enable1,
            enable1}, 1, [](InterfaceFixture &f) {
            QCOMPARE(pressureOffset(f), 127);
            // Beyond the atmosphere model there is no target pressure: the offset stays as it is.
            f.link.calibratePressure(50000);
            QVERIFY(f.panel.takeCalls().contains(outOfRange));
            QCOMPARE(pressureOffset(f), 127);
        });
        row("calibrate on another record", [](InterfaceFixture &f) {
            f.computer.setLiveRecord(3, {2, 0x01, 0x00});
            f.link.calibratePressure(0);
        }, {enable0, noPressure, enable1}, 0, [](InterfaceFixture &f) { QVERIFY(settingsUntouched(f)); });
        row("calibrate, reading unanswered", [](InterfaceFixture &f) {
            f.computer.setFault(3, silence()); // the failed live read closes the firmware record
            f.link.calibratePressure(0);
        }, {enable0, noPressure}, 0, [](InterfaceFixture &f) { QVERIFY(settingsUntouched(f)); });
        row("calibrate, settings unanswered", [](InterfaceFixture &f) {
            f.computer.setFault(6, silence());
            f.link.calibratePressure(0);
        }, {enable0, "Error calibrating pressure - couldnt read settings.", enable1});

        row("download", [](InterfaceFixture &f) {
            const int size = int(memoryOfFlights(3).size());
            f.computer.setMemoryImage(memoryOfFlights(3));
            QSignalSpy progress(&f.link, &NUVQORAInterface::flightDownloadProgress);
            QSignalSpy downloaded(&f.link, &NUVQORAInterface::flightDownloaded);
            f.link.downloadFlights();
            QCOMPARE(progress.count(), (size + 59) / 60);
            QCOMPARE(progress.last(), QVariantList({size, size}));
            QCOMPARE(downloaded.count(), 3);
            for (const QList<QVariant> &arguments : downloaded) {
                const auto flight = arguments[0].value<std::shared_ptr<NUVQORAFlight>>();
                QVERIFY(flight->events.size() == 2 && flight->settings.valid);
            }
        }, {enable0, "Memory used: 1%", "Parsing flights...", "3 flight(s) downloaded.", enable1});
        row("download cancelled", [](InterfaceFixture &f) {
            f.computer.setMemoryImage(memoryOfFlights(3)); // 110 bytes per flight
            QSignalSpy downloaded(&f.link, &NUVQORAInterface::flightDownloaded);
            connect(&f.link, &NUVQORAInterface::flightDownloadProgress, &f.link, [&f](int, int received) {
                if (received >= 120)
                    f.link.abortOperations();
            });
            f.link.downloadFlights();
            QCOMPARE(downloaded.count(), 1);
            QCOMPARE(downloaded[0][0].value<std::shared_ptr<NUVQORAFlight>>()->events.size(), size_t(2));
            QCOMPARE(f.requestCodes().back(), 255); // the cancelled transfer is flushed
        }, {enable0, "Memory used: 1%", "Parsing flights...", "1 flight(s) downloaded.", enable1});
        // Cancelled at once, so that only the size matters: 1000000 bytes are 24.2% of the memory.
        row("download, memory partly used", [](InterfaceFixture &f) {
            f.computer.setMemoryImage(std::vector<uint8_t>(1000000, 0xFF));
            f.link.abortOperations();
            f.link.downloadFlights();
        }, {enable0, "Memory used: 25%", "Parsing flights...", "0 flight(s) downloaded.", enable1});
        row("download without total size", [](InterfaceFixture &f) {
            f.computer.setFault(24, silence());
            f.link.downloadFlights();
        }, {enable0, "Can't get total data size: Protocol error", enable1});
        row("clear flight memory", [](InterfaceFixture &f) {
            f.computer.setMemoryImage(memoryOfFlights(1));
            QSignalSpy cleared(&f.link, &NUVQORAInterface::flightDataCleared);
            f.link.clearFlightData();
            QCOMPARE(cleared.count(), 1);
        }, {enable0, clearing, "Flight memory cleared!", enable1}, 0,
            [](InterfaceFixture &f) { QVERIFY(f.computer.memoryImage().empty()); });
        row("clear flight memory without firmware", [](InterfaceFixture &f) {
            f.link.closeDevices();
            f.link.clearFlightData();
        }, {enable0, clearing, "Failed to clear flight memory: No device"});
        row("fire a line", [](InterfaceFixture &f) { f.link.fireLine(2); }, {enable0, enable1}, 0,
            [](InterfaceFixture &f) {
            QCOMPARE(f.computer.firedLines(), std::vector<int>{2});
            QVERIFY(f.output.contains("firing line 2\n"));
        });

        row("to the bootloader", [](InterfaceFixture &f) { f.link._toBootloader(); },
            {exiting, "Awaiting bootloader initialization.\n"}, 0, [](InterfaceFixture &f) {
            QVERIFY(!f.link.isOpen());
            QCOMPARE(f.computer.mode(), SimulatedFlightComputer::Mode::Bootloader);
        });
        row("to the bootloader, wrong reply", [](InterfaceFixture &f) {
            f.computer.setFault(10, replyWithCode(7));
            f.link._toBootloader();
        }, {exiting, "Error exiting firmware.\n", "Error: Protocol error\n"});
    }
    void operations()
    {
        QFETCH(Step, run);
        QFETCH(QStringList, calls);
        QFETCH(int, settingsReads);
        QFETCH(Step, then);
        InterfaceFixture f;
        f.connectFirmware();
        QSignalSpy read(&f.link, &NUVQORAInterface::settingsRead);
        run(f);
        QCOMPARE(f.panel.takeCalls(), calls);
        QCOMPARE(read.count(), settingsReads);
        if (then)
            then(f);
    }
};

QTEST_GUILESS_MAIN(TestInterfaceOperations)
#include "TestInterfaceOperations.moc"
