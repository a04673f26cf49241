#include "EmulationRow.h"
#include "InterfaceFixture.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_Pressure.h"
#include "NUVQORAFlight.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <deque>
#include <functional>
#include <limits>

namespace {

// A firmware that knows only the flush and the emulation commands, and answers each emulation
// step with the next reply of its script; once the script is used up, steps go unanswered.
class ScriptedEmulationDevice : public SimulatedDevice
{
public:
    struct Reply
    {
        uint8_t state;
        float altitude, velocity, acceleration;
        std::array<uint8_t, 4> lines;
        float w, x, y, z;
    };

    std::deque<Reply> script;
    std::vector<Report> requests;
    std::function<void()> afterStep; // runs inside each answered step

    bool acceptsOpen() const override { return true; }
    bool receive(const Report &report) override
    {
        requests.push_back(report);
        if (report[1] == 255) {
            m_outgoing.push_back(reportOf(1));
        } else if (report[1] == 25) {
            m_outgoing.push_back(reportOf(5));
        } else if (report[1] == 32 && !script.empty()) {
            m_outgoing.push_back(encode(script.front()));
            script.pop_front();
            if (afterStep)
                afterStep();
        }
        return true;
    }
    bool nextReport(Report &report) override
    {
        if (m_outgoing.empty())
            return false;
        report = m_outgoing.front();
        m_outgoing.pop_front();
        return true;
    }
    void dropQueuedInput() override { m_outgoing.clear(); }

    // The data bytes of every request with this code.
    std::vector<std::vector<uint8_t>> requestData(uint8_t code) const
    {
        std::vector<std::vector<uint8_t>> data;
        for (const Report &r : requests) {
            if (r[1] == code)
                data.emplace_back(r.begin() + 2, r.end());
        }
        return data;
    }

private:
    static Report encode(const Reply &reply)
    {
        std::vector<uint8_t> bytes{reply.state};
        const auto appendFloats = [&bytes](std::initializer_list<float> values) {
            for (float value : values) {
                uint32_t bits;
                std::memcpy(&bits, &value, sizeof bits);
                for (int shift = 0; shift < 32; shift += 8)
                    bytes.push_back(uint8_t(bits >> shift));
            }
        };
        appendFloats({reply.altitude, reply.velocity, reply.acceleration});
        bytes.insert(bytes.end(), reply.lines.begin(), reply.lines.end());
        appendFloats({reply.w, reply.x, reply.y, reply.z});
        return reportOf(5, bytes);
    }

    std::deque<Report> m_outgoing;
};

const QByteArray header = "Time[s],Pressure altitude [m],GPS altitude [m],GPS Valid,Acceleration x [m/s^2], "
                          "Acceleration y [m/s^2], Acceleration z [m/s^2], Gyro x [deg/s], Gyro y [deg/s], "
                          "Gyro z [deg/s]\n";
const QByteArray resultsHeader = "Time [s],State,Altitude [m],Velocity [m/s],Acceleration [m/s^2],Line A,Line B,"
                                 "Line C,Line D,Orientation quaturnion w,Orientation quaturnion x,Orientation "
                                 "quaturnion y,Orientation quaturnion z,Angle (device frame) [deg.]\n";
const ScriptedEmulationDevice::Reply upright{0, 0, 0, -9.81f, {0, 0, 0, 0}, 1, 0, 0, 0};
const QString starting = QStringLiteral("Emulating flight on device...");
const QString complete = QStringLiteral("Emulation complete!");
const QString failed = QStringLiteral("Emulation failed - the data might not be formatted correctly!");
const QString writeFailed = QStringLiteral("Failed to write to output file!");

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

// The interface connected to a scripted emulation firmware, with files in a temporary directory.
struct EmulationFixture : InterfaceFixture
{
    ScriptedEmulationDevice device;
    QTemporaryDir dir;
    QString source = dir.filePath("flight.csv");
    QString target = dir.filePath("results.csv");

    EmulationFixture()
    {
        backend.plug(device, HIDDevice::VendorId, 4, 0x213);
        link.attemptConnection();
        panel.takeCalls();
        device.requests.clear();
    }

    void writeSource(const QByteArray &text)
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void script(int count) { device.script.insert(device.script.end(), count, upright); }

    QByteArray results() const
    {
        QFile file(target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

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
        QTest::newRow("converted") << QByteArray("1.50,100.00,105.50,2,1.00,-2.00,-9.81,7.00,-0.70,0.07") << true << 1.5f
                                   << EmulationRow::pressureAt(100) << 105500 << 0xFF << QVector<int>{26, -52, -256}
                                   << QVector<int>{100, -10, 1};
        QTest::newRow("GPS invalid, extra field") << QByteArray("0,0,-1.5,0,0,0,0,0,0,0,extra") << true << 0.0f << 101325u
                                                  << -1500 << 0 << zero << zero;
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
        QTest::newRow("nine fields") << QByteArray("0,0,0,0,0,0,0,0,0") << false << 0.0f << 0u << 0 << 0 << zero << zero;
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
        f.device.script = {upright,
                           {3, 123.5f, -4.25f, 2.5f, {0, 1, 0, 2}, 0.5f, 0.5f, 0.5f, 0.5f},
                           // Not quite unit length: the angle's cosine comes out just above 1.
                           {9, 1e6f, 0, 0, {0, 0, 0, 0}, 1.0000001f, 0, 0, 0}};

        f.link.emulateLaunch(f.source, f.target, false);

        QCOMPARE(f.results(), resultsHeader + "0,pad,0,0,0,0,0,0,0,1,0,0,0,0\n"
                                              "0.01,coast,123.5,-4.25,12.31,0,100,0,100,0.5,0.5,0.5,0.5,90\n"
                                              "0.02,9,1e+06,0,9.81,0,0,0,0,1,0,0,0,0\n");
        QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", starting, "Emulation time: 0 s", complete, "enable 1"}));
        QCOMPARE(f.device.requests.front()[1], 25);
        QCOMPARE(u32At(f.device.requestData(25).at(0), 0), 101325u);
        const auto steps = f.device.requestData(32);
        QCOMPARE(steps.size(), size_t(3));
        QCOMPARE(u32At(steps[1], 0), EmulationRow::pressureAt(100));
        QCOMPARE(u32At(steps[1], 4), 105500u);
        QCOMPARE(steps[1][8], 0xFF);
        QCOMPARE(s16At(steps[1], 13), int16_t(-256));
        QCOMPARE(s16At(steps[1], 15), int16_t(100));
        QCOMPARE(s16At(steps[2], 13), int16_t(32767));
    }

    void runOutcomes_data()
    {
        QTest::addColumn<QByteArray>("source"); // none when null
        QTest::addColumn<QString>("target");    // the results file when empty
        QTest::addColumn<int>("scripted");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("resultLines");
        QTest::addColumn<int>("steps");
        const QString time0 = "Emulation time: 0 s";
        QTest::newRow("header only") << header << "" << 0 << QStringList{starting, complete, "enable 1"} << 1 << 0;
        QTest::newRow("missing source") << QByteArray() << "" << 0
                                        << QStringList{starting, "Failed to read input file!", "enable 1"} << 0 << 0;
        QTest::newRow("target is a directory") << rows(2) << "." << 0 << QStringList{starting, writeFailed, "enable 1"}
                                               << 0 << 0;
        QTest::newRow("disk full") << rows(2) << "/dev/full" << 2 << QStringList{starting, time0, writeFailed, "enable 1"}
                                   << 0 << 2;
        // The controls stay locked: there is no device to control.
        QTest::newRow("device closed") << rows(3) << "closed" << 3 << QStringList{starting, failed} << 1 << 0;
        QTest::newRow("short row ends the run") << rows(1) + "0.01,1,2,3\n" + rows(1).mid(header.size()) << "" << 2
                                                << QStringList{starting, time0, complete, "enable 1"} << 2 << 1;
        QTest::newRow("unanswered step") << rows(3) << "" << 1 << QStringList{starting, time0, failed, "enable 1"} << 2
                                         << 2;
        QTest::newRow("time shown every hundred rows")
            << rows(250) << "" << 250
            << QStringList{starting, time0, "Emulation time: 1 s", "Emulation time: 2 s", complete, "enable 1"} << 251 << 250;
    }
    void runOutcomes()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, target);
        QFETCH(int, scripted);
        QFETCH(QStringList, calls);
        QFETCH(int, steps);
        if (target == "/dev/full" && !QFile::exists(target))
            QSKIP("no /dev/full here");
        EmulationFixture f;
        if (!source.isNull())
            f.writeSource(source);
        f.script(scripted);
        if (target == "closed")
            f.link.closeDevices();
        QSignalSpy completed(&f.link, &NUVQORAInterface::emulationComplete);

        f.link.emulateLaunch(f.source, target == "." ? f.dir.path() : target == "/dev/full" ? target : f.target, false);
        QCOMPARE(f.panel.takeCalls(), QStringList{"enable 0"} + calls);
        QTEST(int(f.results().count('\n')), "resultLines");
        QCOMPARE(int(f.device.requestData(32).size()), steps);
        QCOMPARE(f.device.requests.empty(), steps == 0);
        QCOMPARE(completed.count(), 1);
    }

    void stopEndsTheRunAtTheNextRow()
    {
        EmulationFixture f;
        f.writeSource(rows(5));
        f.script(5);
        int steps = 0;
        f.device.afterStep = [&] {
            if (++steps == 2)
                f.link.stopEmulation();
        };
        f.link.stopEmulation(); // a stop before the run does not count
        f.link.emulateLaunch(f.source, f.target, false);
        QCOMPARE(f.results().count('\n'), 3);
        QCOMPARE(f.panel.takeCalls(), QStringList({"enable 0", starting, "Emulation time: 0 s",
                                                   "Emulation stoped prematurely!", "enable 1"}));
    }

    void realTimeRunIsPacedAtTenMillisecondsPerRow()
    {
        EmulationFixture f;
        f.writeSource(rows(20));
        f.script(20);
        QElapsedTimer timer;
        timer.start();
        f.link.emulateLaunch(f.source, f.target);
        QVERIFY2(timer.elapsed() >= 190, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(f.results().count('\n'), 21);
    }

    void exportedFlightRunsRowByRow()
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
        EmulationFixture f; // also keeps what the flight prints while it builds its splines
        flight.buildSplines();
        QVERIFY(flight.exportEmulationData(f.source.toStdWString()));
        f.script(1000);

        f.link.emulateLaunch(f.source, f.target, false);
        QFile exported(f.source);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const int rows = exported.readAll().count('\n') - 1;
        QVERIFY(rows >= 100); // 0.00 to 1.00 s, up to float accumulation
        QCOMPARE(int(f.device.requestData(32).size()), rows);
        QCOMPARE(f.results().count('\n'), rows + 1);
        QVERIFY(f.panel.takeCalls().contains(complete));
    }
};

QTEST_GUILESS_MAIN(TestLaunchEmulation)
#include "TestLaunchEmulation.moc"
