#include "CapturedOutput.h"
#include "FlightMemoryImage.h"
#include "InterfaceFixture.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

const QString enable0 = QStringLiteral("enable 0");
const QString enable1 = QStringLiteral("enable 1");

CommandFault silence()
{
    CommandFault fault;
    fault.noReply = true;
    return fault;
}

} // namespace

// The device operation slots: console lines, control locking and signals, on the simulator.
class TestInterfaceOperations : public QObject
{
    Q_OBJECT

private slots:
    void readSettingsEmitsTheBlock();
    void settingsReadFailureIsReported();
    void commandsWithoutFirmwareOnlyLockTheControls();
    void writeSettingsWritesThenReadsBack();
    void resetSettingsRestoresTheDefaults();
    void storedAlmanacListShowsEmptySlotsAsDots();
    void almanacCommands();
    void calibrationStoresTheOffset();
    void calibrationOutOfRangeWarnsAndClamps();
    void calibrationWithoutAPressureReading();
    void downloadParsesEveryFlight();
    void cancelledDownloadParsesWhatArrived();
    void downloadShowsTheMemoryUsed();
    void downloadWithoutTotalSize();
    void clearingTheFlightMemory();
    void firingALine();
    void returningToTheBootloader();
    void unblockingTheControls();
};

void TestInterfaceOperations::readSettingsEmitsTheBlock()
{
    InterfaceFixture f;
    f.connectFirmware();
    NUVQORASettings onDevice;
    onDevice.setCallsign("TEST");
    onDevice.updateChecksum();
    f.device.setSettingsImage(onDevice.image);
    QSignalSpy read(f.link.get(), &NUVQORAInterface::settingsRead);

    f.link->readDeviceSettings();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Reading settings... ", "Success.\n", enable1}));
    QCOMPARE(read.count(), 1);
    const auto settings = read[0][0].value<NUVQORASettings>();
    QVERIFY(settings.image == onDevice.image);
    QVERIFY(settings.valid);
}

void TestInterfaceOperations::settingsReadFailureIsReported()
{
    InterfaceFixture f;
    f.connectFirmware();
    CommandFault refused;
    refused.replyCode = 9;
    f.device.setFault(6, refused);
    QSignalSpy read(f.link.get(), &NUVQORAInterface::settingsRead);
    f.link->readDeviceSettings();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Reading settings... ", "Error reading settings.\n",
                                               "Error: Generic error\n", enable1}));
    QCOMPARE(read.count(), 0);
}

void TestInterfaceOperations::commandsWithoutFirmwareOnlyLockTheControls()
{
    InterfaceFixture f;
    f.link->readDeviceSettings();
    f.link->writeDeviceSettings(NUVQORASettings());
    f.link->viewStoredAlmanacs();
    f.link->calibratePressure(0);
    f.link->downloadFlights();
    // Without firmware the controls are not handed back.
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, enable0, enable0, enable0, enable0}));
    QVERIFY(f.backend.transfers().empty());
}

void TestInterfaceOperations::writeSettingsWritesThenReadsBack()
{
    InterfaceFixture f;
    f.connectFirmware();
    NUVQORASettings edited;
    edited.setCallsign("NEW");
    edited.setLineMode(2, 3);
    QSignalSpy read(f.link.get(), &NUVQORAInterface::settingsRead);

    f.link->writeDeviceSettings(edited);
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Writting settings... ", "Success.\n", enable0,
                                               "Reading settings... ", "Success.\n", enable1, enable1}));
    edited.updateChecksum();
    QVERIFY(f.device.settingsImage() == edited.image);
    QCOMPARE(read.count(), 1);
    QVERIFY(read[0][0].value<NUVQORASettings>().image == edited.image);
}

void TestInterfaceOperations::resetSettingsRestoresTheDefaults()
{
    InterfaceFixture f;
    f.connectFirmware();
    NUVQORASettings edited;
    edited.setRfChannel(42);
    edited.updateChecksum();
    f.device.setSettingsImage(edited.image);
    QSignalSpy read(f.link.get(), &NUVQORAInterface::settingsRead);

    f.link->resetDeviceSettings();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Resetting settings... ", "Success.\n", enable0,
                                               "Reading settings... ", "Success.\n", enable1, enable1}));
    QVERIFY(f.device.settingsImage() == NUVQORASettings().image);
    QCOMPARE(read.count(), 1);
}

void TestInterfaceOperations::storedAlmanacListShowsEmptySlotsAsDots()
{
    InterfaceFixture f;
    f.connectFirmware();
    f.device.setAlmanacList({5, 0, 255, 12});
    f.device.setAlmanac({7, 0, 0, 0, 0x34, 0x08, 0, 0, 0xAB});
    CapturedOutput output;

    f.link->viewStoredAlmanacs();
    QString entries = "[5][.][.][12]";
    for (int i = 0; i < 28; ++i)
        entries += "[.]";
    QCOMPARE(f.panel.takeCalls(),
             QStringList({enable0, "Reading almanac SV list...", "Stored SV almanacs:", entries + "\n", enable1}));
    QVERIFY(output.contains("SV: 7\n"));
    QVERIFY(output.contains("Week: 2100\n"));
    QVERIFY(output.contains("data: [7][0][0][0][34][8][0][0][ab][0]"));
}

void TestInterfaceOperations::almanacCommands()
{
    InterfaceFixture f;
    f.connectFirmware();
    f.device.setAlmanacList({5, 0, 255, 12});

    f.link->uploadAlmanacs();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Uploading almanacs...", "Almanacs uploaded: 2\n", enable1}));

    f.link->storeAlmanacs();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Storing almanacs (this could take up to a minute)...",
                                               "Success.\n", enable1}));
    QCOMPARE(f.device.almanacStoreCount(), 1);

    f.link->clearSVData();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Clearing space vehicle data...", "Success.\n", enable1}));
    QCOMPARE(f.device.almanacList()[0], 0);

    f.device.setFault(15, silence());
    f.link->storeAlmanacs();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Storing almanacs (this could take up to a minute)...",
                                               "Error storing almanacs.\n", "Error: Generic error\n", enable1}));
}

void TestInterfaceOperations::calibrationStoresTheOffset()
{
    InterfaceFixture f;
    f.connectFirmware();
    f.device.setLiveRecord(3, {3, 0x01, 0x8B, 0xB4}); // 101300 Pa
    QSignalSpy read(f.link.get(), &NUVQORAInterface::settingsRead);

    f.link->calibratePressure(0); // 101325 Pa at sea level: 25 Pa to add
    QCOMPARE(f.panel.takeCalls(),
             QStringList({enable0, "Calibrated pressure. Writing settings...", enable0, "Writting settings... ",
                          "Success.\n", enable0, "Reading settings... ", "Success.\n", enable1, enable1, enable1}));
    QCOMPARE(int8_t(f.device.settingsImage()[2]), 25);
    QCOMPARE(read.count(), 1);

    f.link->calibratePressure(0); // the stored offset adds to the next calibration
    QCOMPARE(int8_t(f.device.settingsImage()[2]), 50);
}

void TestInterfaceOperations::calibrationOutOfRangeWarnsAndClamps()
{
    const QString warning = "Warning! Target pressure out of range. MSL Pressure altitude readings will not be accurate.";
    InterfaceFixture f;
    f.connectFirmware();
    f.device.setLiveRecord(3, {3, 0x01, 0x8A, 0x88}); // 101000 Pa
    f.link->calibratePressure(0);
    QVERIFY(f.panel.takeCalls().contains(warning));
    QCOMPARE(int8_t(f.device.settingsImage()[2]), 127);

    // Beyond the atmosphere model there is no target pressure: the offset stays as it is.
    f.link->calibratePressure(50000);
    QVERIFY(f.panel.takeCalls().contains(warning));
    QCOMPARE(int8_t(f.device.settingsImage()[2]), 127);
}

void TestInterfaceOperations::calibrationWithoutAPressureReading()
{
    InterfaceFixture f;
    f.connectFirmware();
    const auto before = f.device.settingsImage();

    f.device.setLiveRecord(3, {2, 0x01, 0x00}); // the device answers with another record
    f.link->calibratePressure(0);
    QCOMPARE(f.panel.takeCalls(),
             QStringList({enable0, "Error calibrating pressure - no pressure reading.", enable1}));

    f.device.setFault(3, silence()); // the failed live read closes the firmware record
    f.link->calibratePressure(0);
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Error calibrating pressure - no pressure reading."}));
    QVERIFY(f.device.settingsImage() == before);

    f.connectFirmware();
    f.device.clearFaults();
    f.device.setFault(6, silence());
    f.link->calibratePressure(0);
    QCOMPARE(f.panel.takeCalls(),
             QStringList({enable0, "Error calibrating pressure - couldnt read settings.", enable1}));
}

void TestInterfaceOperations::downloadParsesEveryFlight()
{
    InterfaceFixture f;
    f.connectFirmware();
    const std::vector<uint8_t> memory = memoryOfFlights(3);
    f.device.setMemoryImage(memory);
    QSignalSpy progress(f.link.get(), &NUVQORAInterface::flightDownloadProgress);
    QSignalSpy downloaded(f.link.get(), &NUVQORAInterface::flightDownloaded);

    f.link->downloadFlights();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Memory used: 1%", "Parsing flights...",
                                               "3 flight(s) downloaded.", enable1}));
    const int size = int(memory.size());
    QCOMPARE(progress.count(), (size + 59) / 60);
    QCOMPARE(progress.last(), QVariantList({size, size}));
    QCOMPARE(downloaded.count(), 3);
    for (const QList<QVariant> &arguments : downloaded) {
        const auto flight = arguments[0].value<std::shared_ptr<NUVQORAFlight>>();
        QCOMPARE(flight->events.size(), size_t(2));
        QVERIFY(flight->settings.valid);
    }
}

void TestInterfaceOperations::cancelledDownloadParsesWhatArrived()
{
    InterfaceFixture f;
    f.connectFirmware();
    f.device.setMemoryImage(memoryOfFlights(3)); // 110 bytes per flight
    QSignalSpy downloaded(f.link.get(), &NUVQORAInterface::flightDownloaded);
    NUVQORAInterface *link = f.link.get();
    connect(link, &NUVQORAInterface::flightDownloadProgress, link, [link](int, int received) {
        if (received >= 120)
            link->abortOperations();
    });

    f.link->downloadFlights();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Memory used: 1%", "Parsing flights...",
                                               "1 flight(s) downloaded.", enable1}));
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(downloaded[0][0].value<std::shared_ptr<NUVQORAFlight>>()->events.size(), size_t(2));
    QCOMPARE(f.requestCodes().back(), 255); // the cancelled transfer is flushed
}

void TestInterfaceOperations::downloadShowsTheMemoryUsed()
{
    // Cancelled at the first chunk, so only the size matters.
    for (const auto &[size, shown] : {std::pair(2064384, "50"), std::pair(1000000, "25")}) {
        InterfaceFixture f;
        f.connectFirmware();
        f.device.setMemoryImage(std::vector<uint8_t>(size, 0xFF));
        f.link->abortOperations();
        f.link->downloadFlights();
        QCOMPARE(f.panel.takeCalls().at(1), QStringLiteral("Memory used: %1%").arg(shown));
    }
}

void TestInterfaceOperations::downloadWithoutTotalSize()
{
    InterfaceFixture f;
    f.connectFirmware();
    f.device.setFault(24, silence());
    QSignalSpy downloaded(f.link.get(), &NUVQORAInterface::flightDownloaded);
    f.link->downloadFlights();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, "Can't get total data size: Protocol error", enable1}));
    QCOMPARE(downloaded.count(), 0);
}

void TestInterfaceOperations::clearingTheFlightMemory()
{
    const QString clearing = "Clearing flight memory (this may up to a minute)...";
    InterfaceFixture f;
    QSignalSpy cleared(f.link.get(), &NUVQORAInterface::flightDataCleared);
    f.link->clearFlightData();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, clearing, "Failed to clear flight memory: No device"}));

    f.connectFirmware();
    f.device.setMemoryImage(memoryOfFlights(1));
    f.link->clearFlightData();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, clearing, "Flight memory cleared!", enable1}));
    QCOMPARE(cleared.count(), 1);
    QVERIFY(f.device.memoryImage().empty());
}

void TestInterfaceOperations::firingALine()
{
    InterfaceFixture f;
    f.connectFirmware();
    CapturedOutput output;
    f.link->fireLine(2);
    QCOMPARE(f.panel.takeCalls(), QStringList({enable0, enable1}));
    QCOMPARE(f.device.firedLines(), std::vector<int>{2});
    QVERIFY(output.contains("firing line 2\n"));
}

void TestInterfaceOperations::returningToTheBootloader()
{
    InterfaceFixture f;
    f.link->_toBootloader();
    QVERIFY(f.panel.takeCalls().isEmpty());

    f.connectFirmware();
    CommandFault wrongReply;
    wrongReply.replyCode = 7;
    f.device.setFault(10, wrongReply);
    f.link->_toBootloader();
    QCOMPARE(f.panel.takeCalls(), QStringList({"Exiting firmware...", "Error exiting firmware.\n",
                                               "Error: Protocol error\n"}));

    f.device.clearFaults();
    f.link->_toBootloader();
    QCOMPARE(f.panel.takeCalls(), QStringList({"Exiting firmware...", "Awaiting bootloader initialization.\n"}));
    QVERIFY(!f.link->isOpen());
    QCOMPARE(f.device.mode(), SimulatedFlightComputer::Mode::Bootloader);
}

void TestInterfaceOperations::unblockingTheControls()
{
    InterfaceFixture f;
    f.link->unblockControls();
    QVERIFY(f.panel.takeCalls().isEmpty());
    f.connectFirmware();
    f.link->unblockControls();
    QCOMPARE(f.panel.takeCalls(), QStringList({enable1}));
}

QTEST_GUILESS_MAIN(TestInterfaceOperations)
#include "TestInterfaceOperations.moc"
