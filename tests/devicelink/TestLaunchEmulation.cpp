#include "EmulationRow.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_Pressure.h"
#include "NUVQORAFlight.h"
#include "NUVQORAInterface.h"
#include "RecordingPanel.h"
#include "ScriptedEmulationDevice.h"
#include "SimulatedHidBackend.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

const QByteArray header = "Time[s],Pressure altitude [m],GPS altitude [m],GPS Valid,Acceleration x [m/s^2], "
                          "Acceleration y [m/s^2], Acceleration z [m/s^2], Gyro x [deg/s], Gyro y [deg/s], "
                          "Gyro z [deg/s]\n";
const QByteArray resultsHeader = "Time [s],State,Altitude [m],Velocity [m/s],Acceleration [m/s^2],Line A,Line B,"
                                 "Line C,Line D,Orientation quaturnion w,Orientation quaturnion x,Orientation "
                                 "quaturnion y,Orientation quaturnion z,Angle (device frame) [deg.]\n";
const ScriptedEmulationDevice::Reply upright{0, 0, 0, -9.81f, {0, 0, 0, 0}, 1, 0, 0, 0};

uint32_t u32At(const std::vector<uint8_t> &bytes, int offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | uint32_t(bytes[offset + 3]) << 24;
}

int16_t s16At(const std::vector<uint8_t> &bytes, int offset)
{
    return int16_t(bytes[offset] | bytes[offset + 1] << 8);
}

QByteArray rows(int count)
{
    QByteArray text = header;
    for (int i = 0; i < count; ++i)
        text += QByteArray::number(i * 0.01, 'f', 2) + ",0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n";
    return text;
}

// The interface on a scripted emulation firmware, with files in a temporary directory.
struct EmulationFixture
{
    SimulatedHidBackend backend;
    ScriptedEmulationDevice device;
    RecordingPanel panel;
    std::unique_ptr<NUVQORAInterface> link;
    QTemporaryDir dir;
    QString source = dir.filePath("flight.csv");
    QString target = dir.filePath("results.csv");

    EmulationFixture()
    {
        HidBackend::setCurrent(&backend);
        link = std::make_unique<NUVQORAInterface>(&panel);
        backend.plug(device, 0x03DB, 4, 0x213);
        link->attemptConnection();
        panel.takeCalls();
        device.requests.clear();
    }

    ~EmulationFixture()
    {
        link.reset();
        HidBackend::setCurrent(nullptr);
    }

    void writeSource(const QByteArray &text)
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void script(int count)
    {
        for (int i = 0; i < count; ++i)
            device.script.push_back(upright);
    }

    QByteArray results() const
    {
        QFile file(target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace

class TestLaunchEmulation : public QObject
{
    Q_OBJECT

private slots:
    void rowsConvertToDeviceUnits();
    void rowValuesSaturateAtTheirRange();
    void resultsFileHoldsEveryDeviceAnswer();
    void headerOnlyRunsNoCommand();
    void fileErrorsEndTheRun();
    void closedDeviceFailsAtTheStart();
    void shortRowEndsTheRunAsComplete();
    void unansweredStepFailsTheRun();
    void stopEndsTheRunAtTheNextRow();
    void elapsedTimeIsShownEveryHundredRows();
    void realTimeRunIsPacedAtTenMillisecondsPerRow();
    void exportedFlightRunsRowByRow();
};

void TestLaunchEmulation::rowsConvertToDeviceUnits()
{
    const auto row = EmulationRow::parse("1.50,100.00,105.50,2,1.00,-2.00,-9.81,7.00,-0.70,0.07");
    QVERIFY(row);
    QCOMPARE(row->time, 1.5f);
    QCOMPARE(row->step.pressure, EmulationRow::pressureAt(100));
    QCOMPARE(row->step.gpsAltitude, 105500u);
    QCOMPARE(row->step.gpsValid, 0xFF);
    QCOMPARE(row->step.acceleration, (std::array<int16_t, 3>{26, -52, -256}));
    QCOMPARE(row->step.gyro, (std::array<int16_t, 3>{100, -10, 1}));

    QCOMPARE(EmulationRow::parse("0,0,0,0,0,0,0,0,0,0")->step.gpsValid, 0);
    QCOMPARE(EmulationRow::parse("0,0,-1.5,1,0,0,0,0,0,0,extra")->step.gpsAltitude, uint32_t(-1500));
    QVERIFY(!EmulationRow::parse("0,0,0,0,0,0,0,0,0"));
    QVERIFY(!EmulationRow::parse(""));
    QCOMPARE(EmulationRow::parse(" 2.25 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 \r")->time, 2.25f);

    QCOMPARE(EmulationRow::pressureAt(0), 101325u);
    QCOMPARE(EmulationRow::pressureAt(40000), EmulationRow::pressureAt(30000));
    QVERIFY(EmulationRow::pressureAt(-500) > 101325u); // below sea level is not limited
}

void TestLaunchEmulation::rowValuesSaturateAtTheirRange()
{
    const auto high = EmulationRow::parse("0,-1e9,1e9,0,1e6,1e6,1e6,1e6,1e6,1e6");
    QCOMPARE(high->step.pressure, std::numeric_limits<uint32_t>::max());
    QCOMPARE(int32_t(high->step.gpsAltitude), std::numeric_limits<int32_t>::max());
    QCOMPARE(high->step.acceleration[2], std::numeric_limits<int16_t>::max());
    QCOMPARE(high->step.gyro[0], std::numeric_limits<int16_t>::max());

    const auto low = EmulationRow::parse("0,0,-1e9,0,-1e6,0,0,-1e6,0,0");
    QCOMPARE(int32_t(low->step.gpsAltitude), std::numeric_limits<int32_t>::min());
    QCOMPARE(low->step.acceleration[0], std::numeric_limits<int16_t>::min());
    QCOMPARE(low->step.gyro[0], std::numeric_limits<int16_t>::min());

    const auto garbage = EmulationRow::parse("x,nan,inf,99999999999,abc,,-,+3,0x10,1e400");
    QCOMPARE(garbage->time, 0.0f);
    QCOMPARE(garbage->step.pressure, 0u);
    QCOMPARE(int32_t(garbage->step.gpsAltitude), std::numeric_limits<int32_t>::max());
    QCOMPARE(garbage->step.gpsValid, 0xFF);
    QCOMPARE(garbage->step.acceleration, (std::array<int16_t, 3>{0, 0, 0}));
    QCOMPARE(garbage->step.gyro[0], int16_t(42));
}

void TestLaunchEmulation::resultsFileHoldsEveryDeviceAnswer()
{
    EmulationFixture f;
    f.writeSource(header.chopped(1) + "\r\n"
                  + "0.00,0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\r\n"
                    "0.01,100.00,105.50,1,1.00,-2.00,-9.81,7.00,-0.70,0.00\r\n"
                    "0.02,40000.00,0.00,2,0.00,0.00,1000000.00,0.00,0.00,0.00\n");
    f.device.script = {upright,
                       {3, 123.5f, -4.25f, 2.5f, {0, 1, 0, 2}, 0.5f, 0.5f, 0.5f, 0.5f},
                       // Not quite unit length: the angle's cosine comes out just above 1.
                       {9, 1e6f, 0, 0, {0, 0, 0, 0}, 1.0000001f, 0, 0, 0}};
    QSignalSpy complete(f.link.get(), &NUVQORAInterface::emulationComplete);

    f.link->emulateLaunch(f.source, f.target, false);

    QCOMPARE(f.results(), resultsHeader + "0,pad,0,0,0,0,0,0,0,1,0,0,0,0\n"
                                          "0.01,coast,123.5,-4.25,12.31,0,100,0,100,0.5,0.5,0.5,0.5,90\n"
                                          "0.02,9,1e+06,0,9.81,0,0,0,0,1,0,0,0,0\n");
    QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", "Emulating flight on device...", "Emulation time: 0 s",
                                               "Emulation complete!", "enable 1"}));
    QCOMPARE(complete.count(), 1);

    QCOMPARE(f.device.requests.front()[1], 25);
    QCOMPARE(u32At({f.device.requests.front().begin() + 2, f.device.requests.front().end()}, 0), 101325u);
    const auto steps = f.device.stepRequests();
    QCOMPARE(steps.size(), size_t(3));
    QCOMPARE(u32At(steps[1], 0), EmulationRow::pressureAt(100));
    QCOMPARE(u32At(steps[1], 4), 105500u);
    QCOMPARE(steps[1][8], 0xFF);
    QCOMPARE(s16At(steps[1], 13), int16_t(-256));
    QCOMPARE(s16At(steps[1], 15), int16_t(100));
    QCOMPARE(u32At(steps[2], 0), EmulationRow::pressureAt(30000));
    QCOMPARE(steps[2][8], 0xFF);
    QCOMPARE(s16At(steps[2], 13), int16_t(32767));
}

void TestLaunchEmulation::headerOnlyRunsNoCommand()
{
    EmulationFixture f;
    f.writeSource(header);
    f.link->emulateLaunch(f.source, f.target);
    QCOMPARE(f.results(), resultsHeader);
    QCOMPARE(f.panel.takeCalls(),
             QStringList({"enable 0", "Emulating flight on device...", "Emulation complete!", "enable 1"}));
    QVERIFY(f.device.requests.empty());
}

void TestLaunchEmulation::fileErrorsEndTheRun()
{
    EmulationFixture f;
    QSignalSpy complete(f.link.get(), &NUVQORAInterface::emulationComplete);
    f.link->emulateLaunch(f.dir.filePath("missing.csv"), f.target, false);
    QCOMPARE(f.panel.takeCalls(),
             QStringList({"enable 0", "Emulating flight on device...", "Failed to read input file!", "enable 1"}));

    f.writeSource(rows(2));
    f.link->emulateLaunch(f.source, f.dir.path(), false); // a directory cannot be written as a file
    QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", "Emulating flight on device...",
                                               "Failed to write to output file!", "enable 1"}));
    QCOMPARE(complete.count(), 2);
    QVERIFY(f.device.requests.empty());

    if (!QFile::exists("/dev/full"))
        return;
    f.script(2);
    f.link->emulateLaunch(f.source, "/dev/full", false); // results that cannot be stored
    QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", "Emulating flight on device...", "Emulation time: 0 s",
                                               "Failed to write to output file!", "enable 1"}));
}

void TestLaunchEmulation::closedDeviceFailsAtTheStart()
{
    EmulationFixture f;
    f.link->closeDevices();
    f.writeSource(rows(3));
    f.link->emulateLaunch(f.source, f.target, false);
    QCOMPARE(f.results(), resultsHeader);
    // The controls stay locked: there is no device to control.
    QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", "Emulating flight on device...",
                                               "Emulation failed - the data might not be formatted correctly!"}));
}

void TestLaunchEmulation::shortRowEndsTheRunAsComplete()
{
    EmulationFixture f;
    f.writeSource(rows(1) + "0.01,1,2,3\n" + rows(1).mid(header.size()));
    f.script(2);
    f.link->emulateLaunch(f.source, f.target, false);
    QCOMPARE(f.results().count('\n'), 2);
    QVERIFY(f.panel.takeCalls().contains("Emulation complete!"));
    QCOMPARE(f.device.stepRequests().size(), size_t(1));
}

void TestLaunchEmulation::unansweredStepFailsTheRun()
{
    EmulationFixture f;
    f.writeSource(rows(3));
    f.script(1);
    f.link->emulateLaunch(f.source, f.target, false);
    QCOMPARE(f.results().count('\n'), 2);
    const QStringList calls = f.panel.takeCalls();
    QVERIFY(calls.contains("Emulation failed - the data might not be formatted correctly!"));
    QVERIFY(!calls.contains("Emulation complete!"));
}

void TestLaunchEmulation::stopEndsTheRunAtTheNextRow()
{
    EmulationFixture f;
    f.writeSource(rows(5));
    f.script(5);
    int steps = 0;
    f.device.afterStep = [&] {
        if (++steps == 2)
            f.link->stopEmulation();
    };
    QSignalSpy complete(f.link.get(), &NUVQORAInterface::emulationComplete);

    f.link->stopEmulation(); // a stop before the run does not count
    f.link->emulateLaunch(f.source, f.target, false);
    QCOMPARE(f.results().count('\n'), 3);
    QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", "Emulating flight on device...", "Emulation time: 0 s",
                                               "Emulation stoped prematurely!", "enable 1"}));
    QCOMPARE(complete.count(), 1);
}

void TestLaunchEmulation::elapsedTimeIsShownEveryHundredRows()
{
    EmulationFixture f;
    f.writeSource(rows(250));
    f.script(250);
    f.link->emulateLaunch(f.source, f.target, false);
    QCOMPARE(f.panel.takeCalls(),
             QStringList({"enable 0", "Emulating flight on device...", "Emulation time: 0 s", "Emulation time: 1 s",
                          "Emulation time: 2 s", "Emulation complete!", "enable 1"}));
}

void TestLaunchEmulation::realTimeRunIsPacedAtTenMillisecondsPerRow()
{
    EmulationFixture f;
    f.writeSource(rows(20));
    f.script(20);
    QElapsedTimer timer;
    timer.start();
    f.link->emulateLaunch(f.source, f.target);
    QVERIFY2(timer.elapsed() >= 190, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(f.results().count('\n'), 21);
}

void TestLaunchEmulation::exportedFlightRunsRowByRow()
{
    NUVQORAFlight flight;
    for (int i = 0; i <= 20; ++i) {
        auto pressure = std::make_unique<NUVEvent_Pressure>();
        pressure->time = i * 0.05f;
        pressure->pressure = 101325.0f - i * 12;
        flight.appendEvent(std::move(pressure));
        auto accel = std::make_unique<NUVEvent_AccelZ>();
        accel->time = i * 0.05f;
        accel->acceleration = 1.0f + i;
        flight.appendEvent(std::move(accel));
    }
    flight.buildSplines();
    EmulationFixture f;
    QVERIFY(flight.exportEmulationData(f.source.toStdWString()));
    f.script(1000);

    f.link->emulateLaunch(f.source, f.target, false);
    QFile exported(f.source);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const int rows = exported.readAll().count('\n') - 1;
    QVERIFY(rows >= 100); // 0.00 to 1.00 s, up to float accumulation
    QCOMPARE(int(f.device.stepRequests().size()), rows);
    QCOMPARE(f.results().count('\n'), rows + 1);
    QVERIFY(f.panel.takeCalls().contains("Emulation complete!"));
}

QTEST_GUILESS_MAIN(TestLaunchEmulation)
#include "TestLaunchEmulation.moc"
