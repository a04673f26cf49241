#include "EmulationResults.h"
#include "EmulationRow.h"
#include "InterfaceFixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <thread>

namespace {

const QByteArray header = "Time[s],Pressure altitude [m],GPS altitude [m],GPS Valid,Acceleration x [m/s^2], "
                          "Acceleration y [m/s^2], Acceleration z [m/s^2], Gyro x [deg/s], Gyro y [deg/s], "
                          "Gyro z [deg/s]\n";
const QByteArray resultsHeader = "Time [s],State,Altitude [m],Velocity [m/s],Acceleration [m/s^2],Line A,Line B,"
                                 "Line C,Line D,Orientation quaturnion w,Orientation quaturnion x,Orientation "
                                 "quaturnion y,Orientation quaturnion z,Angle (device frame) [deg.]\n";
const QString starting = QStringLiteral("Emulating flight on device...");
const QString complete = QStringLiteral("Emulation complete!");
const QString failed = QStringLiteral("Emulation failed - the data might not be formatted correctly!");
const QString writeFailed = QStringLiteral("Failed to write to output file!");

uint32_t u32At(const std::vector<uint8_t> &bytes, int offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | uint32_t(bytes[offset + 3]) << 24;
}

QByteArray rows(int count)
{
    QByteArray text = header;
    for (int i = 0; i < count; ++i)
        text += QByteArray::number(i * 0.01, 'f', 2) + ",0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n";
    return text;
}

// The interface connected to the simulated firmware, with files in a temporary directory.
struct EmulationFixture : InterfaceFixture
{
    QTemporaryDir dir;
    QString source = dir.filePath("flight.csv");
    QString target = dir.filePath("results.csv");

    EmulationFixture() { connectFirmware(); }

    void writeSource(const QByteArray &text)
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray results() const
    {
        QFile file(target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

enum Mode { Plain, DirectoryTarget, FullDisk, DeviceClosed, StepsUnanswered, RealTime };

QVector<int> asVector(const std::array<int16_t, 3> &values)
{
    return {values[0], values[1], values[2]};
}

} // namespace

class TestLaunchEmulation : public QObject
{
    Q_OBJECT

private slots:
    void rowsInDeviceUnits_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<float>("time");
        QTest::addColumn<uint>("pressure");
        QTest::addColumn<int>("gpsAltitude");
        QTest::addColumn<int>("gpsValid");
        QTest::addColumn<QVector<int>>("acceleration");
        QTest::addColumn<QVector<int>>("gyro");
        const int max = std::numeric_limits<int32_t>::max();
        const int min = std::numeric_limits<int32_t>::min();
        const QVector<int> zero{0, 0, 0}, high(3, 32767), low(3, -32768);
        QTest::newRow("converted") << QByteArray("1.50,100.00,105.50,2,1.00,-2.00,-9.81,7.00,-0.70,0.07") << true
                                   << 1.5f << EmulationRow::pressureAt(100) << 105500 << 0xFF
                                   << QVector<int>{26, -52, -256} << QVector<int>{100, -10, 1};
        QTest::newRow("GPS invalid, extra field") << QByteArray("0,0,-1.5,0,0,0,0,0,0,0,extra") << true << 0.0f
                                                  << 101325u << -1500 << 0 << zero << zero;
        QTest::newRow("spaces, CR, decimal point") << QByteArray(" 2.25 , 0 , 0 , 1 , 0 , 0 , 0 , 0 , 0 , 0 \r") << true
                                                   << 2.25f << 101325u << 0 << 0xFF << zero << zero;
        QTest::newRow("above the pressure model") << QByteArray("0,40000,0,0,0,0,0,0,0,0") << true << 0.0f
                                                  << EmulationRow::pressureAt(30000) << 0 << 0 << zero << zero;
        QTest::newRow("below sea level") << QByteArray("0,-500,0,0,0,0,0,0,0,0") << true << 0.0f << 107477u << 0 << 0
                                         << zero << zero;
        QTest::newRow("saturated high") << QByteArray("0,-1e9,1e9,0,1e6,1e6,1e6,1e6,1e6,1e6") << true << 0.0f
                                        << std::numeric_limits<uint32_t>::max() << max << 0 << high << high;
        QTest::newRow("saturated low") << QByteArray("0,0,-1e9,0,-1e6,-1e6,-1e6,-1e6,-1e6,-1e6") << true << 0.0f
                                       << 101325u << min << 0 << low << low;
        QTest::newRow("not numbers") << QByteArray("x,nan,inf,99999999999,abc,,-,+3,0x10,1e400") << true << 0.0f << 0u
                                     << max << 0xFF << zero << QVector<int>{42, 0, 0};
        QTest::newRow("nine fields") << QByteArray("0,0,0,0,0,0,0,0,0") << false << 0.0f << 0u << 0 << 0 << zero
                                     << zero;
        QTest::newRow("empty") << QByteArray() << false << 0.0f << 0u << 0 << 0 << zero << zero;
    }
    void rowsInDeviceUnits()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, valid);
        const auto row = EmulationRow::parse(line);
        QCOMPARE(bool(row), valid);
        if (!row)
            return;
        QTEST(row->time, "time");
        QTEST(row->step.pressure, "pressure");
        QTEST(int32_t(row->step.gpsAltitude), "gpsAltitude");
        QTEST(int(row->step.gpsValid), "gpsValid");
        QTEST(asVector(row->step.acceleration), "acceleration");
        QTEST(asVector(row->step.gyro), "gyro");
    }

    void resultsFileHoldsEveryDeviceAnswer()
    {
        EmulationFixture f;
        f.writeSource(header.chopped(1) + "\r\n"
                      + "0.00,0.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\r\n"
                        "0.01,100.00,105.50,1,1.00,-2.00,-9.81,7.00,-0.70,0.00\r\n"
                        "0.02,40000.00,0.00,2,0.00,0.00,1000000.00,0.00,0.00,0.00\n");
        f.link.emulateLaunch(f.source, f.target, false);

        QCOMPARE(f.results(), resultsHeader + "0,pad,0,0,9.81,0,0,0,0,1,0,0,0,0\n"
                                              "0.01,boost,100.037,10003.7,-9.81,0,0,0,0,1,0,0,0,0\n"
                                              "0.02,boost,30009.3,2.99093e+06,1255.64,0,0,0,0,1,0,0,0,0\n");
        QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", starting, "Emulation time: 0 s", complete, "enable 1"}));
        // The first row's pressure starts the emulation, then each row goes out as read.
        QCOMPARE(f.requestCodes().front(), 25);
        QCOMPARE(u32At(f.requestData(25).at(0), 0), 101325u);
        const auto steps = f.requestData(32);
        QCOMPARE(steps.size(), size_t(3));
        QCOMPARE(u32At(steps[1], 0), EmulationRow::pressureAt(100));
        QCOMPARE(u32At(steps[1], 4), 105500u);
        QCOMPARE(u32At(steps[2], 13), 0x00007FFFu); // acceleration z saturated, gyro x 0
    }

    void resultLinesNameWhatTheDeviceAnswered()
    {
        EmulationStepReply coasting{3, 123.5f, -4.25f, 2.5f, {0, 1, 0, 2}, 0.5f, 0.5f, 0.5f, 0.5f};
        QCOMPARE(EmulationResults::line(0.01f, coasting),
                 QByteArray("0.01,coast,123.5,-4.25,12.31,0,100,0,100,0.5,0.5,0.5,0.5,90\n"));
        // An unknown state goes by its number. Not quite unit length: the angle's cosine comes out
        // just above 1.
        EmulationStepReply odd{9, 1e6f, 0, 0, {0, 0, 0, 0}, 1.0000001f, 0, 0, 0};
        QCOMPARE(EmulationResults::line(0.02f, odd), QByteArray("0.02,9,1e+06,0,9.81,0,0,0,0,1,0,0,0,0\n"));
    }

    void stepReplyLayout()
    {
        // State 4; altitude 1, velocity -2, acceleration 0.5; lines A and D; w 1, x 0.5, y -1, z 2.
        const std::vector<uint8_t> bytes{4,    0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0, 0, 0, 0, 0x3F, 1, 0, 0, 2,
                                         0, 0, 0x80, 0x3F, 0, 0, 0, 0x3F, 0, 0, 0x80, 0xBF, 0, 0, 0, 0x40};
        const EmulationStepReply reply = EmulationStepReply::fromBytes(bytes.data());
        QCOMPARE(int(reply.flightState), 4);
        QCOMPARE(reply.altitude, 1.0f);
        QCOMPARE(reply.velocity, -2.0f);
        QCOMPARE(reply.acceleration, 0.5f);
        QCOMPARE(reply.lineOn, (std::array<uint8_t, 4>{1, 0, 0, 2}));
        QCOMPARE(QVector<float>({reply.w, reply.x, reply.y, reply.z}), QVector<float>({1, 0.5f, -1, 2}));
        QCOMPARE(reply.toBytes(), bytes); // the simulated device answers in the same layout
    }

    void runOutcomes_data()
    {
        QTest::addColumn<QByteArray>("source"); // none when null
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("resultLines");
        QTest::addColumn<int>("steps");
        const QString time0 = "Emulation time: 0 s";
        const QString end = "enable 1";
        QTest::newRow("header only") << header << int(Plain) << QStringList{starting, complete, end} << 1 << 0;
        QTest::newRow("missing source") << QByteArray() << int(Plain)
                                        << QStringList{starting, "Failed to read input file!", end} << 0 << 0;
        QTest::newRow("target is a directory") << rows(2) << int(DirectoryTarget)
                                               << QStringList{starting, writeFailed, end} << 0 << 0;
        QTest::newRow("disk full") << rows(2) << int(FullDisk) << QStringList{starting, time0, writeFailed, end}
                                   << 0 << 2;
        // The controls stay locked: there is no device to control.
        QTest::newRow("device closed") << rows(3) << int(DeviceClosed) << QStringList{starting, failed} << 1 << 0;
        QTest::newRow("short row ends the run") << rows(1) + "0.01,1,2,3\n" + rows(1).mid(header.size()) << int(Plain)
                                                << QStringList{starting, time0, complete, end} << 2 << 1;
        QTest::newRow("unanswered step") << rows(3) << int(StepsUnanswered) << QStringList{starting, failed, end}
                                         << 1 << 1;
        QTest::newRow("time shown every hundred rows")
            << rows(250) << int(Plain)
            << QStringList{starting, time0, "Emulation time: 1 s", "Emulation time: 2 s", complete, end} << 251 << 250;
        QTest::newRow("paced at ten milliseconds a row") << rows(20) << int(RealTime)
                                                         << QStringList{starting, time0, complete, end} << 21 << 20;
    }
    void runOutcomes()
    {
        QFETCH(QByteArray, source);
        QFETCH(int, mode);
        QFETCH(QStringList, calls);
        QFETCH(int, steps);
        if (mode == FullDisk && !QFile::exists("/dev/full"))
            QSKIP("no /dev/full here");
        EmulationFixture f;
        if (!source.isNull())
            f.writeSource(source);
        QString target = f.target;
        if (mode == DirectoryTarget)
            target = f.dir.path();
        else if (mode == FullDisk)
            target = "/dev/full";
        else if (mode == DeviceClosed)
            f.link.closeDevices();
        else if (mode == StepsUnanswered)
            f.computer.setFault(32, silence());
        QSignalSpy completed(&f.link, &NUVQORAInterface::emulationComplete);
        f.link.stopEmulation(); // a stop before the run does not count

        QElapsedTimer timer;
        timer.start();
        f.link.emulateLaunch(f.source, target, mode == RealTime);
        if (mode == RealTime)
            QVERIFY2(timer.elapsed() >= 10 * (steps - 1), qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(f.panel.takeCalls(), QStringList{"enable 0"} + calls);
        QTEST(int(f.results().count('\n')), "resultLines");
        QCOMPARE(int(f.requestData(32).size()), steps);
        QCOMPARE(f.requestCodes().empty(), steps == 0);
        QCOMPARE(completed.count(), 1);
    }

    void stopFromAnotherThreadEndsTheRunAtTheNextRow()
    {
        EmulationFixture f;
        f.writeSource(rows(500));
        std::thread stopper([&f] {
            while (f.requestData(32).empty())
                std::this_thread::yield();
            f.link.stopEmulation();
        });
        f.link.emulateLaunch(f.source, f.target, true);
        stopper.join();
        QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", starting, "Emulation time: 0 s",
                                                   "Emulation stoped prematurely!", "enable 1"}));
        QVERIFY(f.results().count('\n') < 100);
    }
};

QTEST_GUILESS_MAIN(TestLaunchEmulation)
#include "TestLaunchEmulation.moc"
