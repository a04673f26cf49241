// Measures how many live readings per second the device window's live slots take into their
// graphs and labels while the GUI event loop stays responsive. A producer thread emits typed
// readings in the mix the device's poll schedule delivers, queued like the interface's
// signals, at rising rates; a probe queued behind them every 10 ms measures how long the
// event loop takes to reach it. Prints, per rate, the readings emitted per second and the
// probe latency (median, 99th percentile, maximum). The window shows the altitude and
// acceleration graphs. Needs a display (xvfb-run -a works).
#include "NUVQORAWidget.h"
#include "NUVStudio.h"
#include "SimulatedHidBackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int SecondsPerRate = 3;
constexpr double LatencyLimitMs = 50;

// Readings in the proportions of 20 poll ticks (200 ms of a connected device), 44 in all.
const int readingMix[] = {2, 11, 12, 13, 2, 11, 12, 2, 11, 12, 13, 3, 2, 11, 12, 7, 8, 2, 11, 12, 13, 9,
                          10, 2, 11, 12, 16, 14, 2, 11, 12, 13, 18, 2, 11, 12, 4, 5, 6, 2, 11, 12, 13, 2};

class Producer : public QObject
{
    Q_OBJECT

public:
    std::atomic<double> rate{0}; // readings per second
    std::atomic<long> produced{0};

signals:
    void accelZ(NUVEvent_AccelZ e);
    void accelXY(NUVEvent_AccelXY e);
    void gyro(NUVEvent_GyroXYZ e);
    void mag(NUVEvent_MagXYZ e);
    void pressure(NUVEvent_Pressure e);
    void computerBattery(NUVEvent_ComputerBattery e);
    void ejectionBattery(NUVEvent_EjectionBattery e);
    void temperature(NUVEvent_Temperature e);
    void lineA(NUVEvent_LineA e);
    void lineB(NUVEvent_LineB e);
    void lineC(NUVEvent_LineC e);
    void lineD(NUVEvent_LineD e);
    void status(NUVEvent_Status e);
    void fix(NUVEvent_GPSLLSol e);
    void gpsTime(NUVEvent_GPSTime e);
    void probe(qint64 sentNanoseconds);

public slots:
    void start()
    {
        m_clock.start();
        m_timer = new QTimer(this);
        m_timer->setTimerType(Qt::PreciseTimer);
        connect(m_timer, &QTimer::timeout, this, &Producer::tick);
        m_timer->start(1);
    }

    // In the producer's thread, where its timer runs.
    void stop() { m_timer->stop(); }

private:
    void tick()
    {
        const double seconds = m_clock.nsecsElapsed() * 1e-9;
        const long due = long(m_owed + (seconds - m_lastTick) * rate);
        m_owed += (seconds - m_lastTick) * rate - due;
        m_lastTick = seconds;
        for (long i = 0; i < due; ++i)
            emitReading(float(seconds));
        produced += due;
        if (seconds - m_lastProbe >= 0.01) {
            m_lastProbe = seconds;
            emit probe(Clock::now().time_since_epoch().count());
        }
    }

    void emitReading(float time)
    {
        const float wave = std::sin(time);
        const int code = readingMix[m_next++ % std::size(readingMix)];
        switch (code) {
        case 2: { NUVEvent_AccelZ e; e.time = time; e.acceleration = 1 + wave; emit accelZ(e); break; }
        case 11: { NUVEvent_AccelXY e; e.time = time; e.x = wave; e.y = -wave; emit accelXY(e); break; }
        case 12: { NUVEvent_GyroXYZ e; e.time = time; e.x = 10 * wave; emit gyro(e); break; }
        case 13: { NUVEvent_MagXYZ e; e.time = time; e.x = 1e-7f * wave; emit mag(e); break; }
        case 3: { NUVEvent_Pressure e; e.time = time; e.pressure = 101325 - 500 * wave; emit pressure(e); break; }
        case 4: { NUVEvent_ComputerBattery e; e.time = time; e.voltage = 8.4f; emit computerBattery(e); break; }
        case 5: { NUVEvent_EjectionBattery e; e.time = time; e.voltage = 8.0f; emit ejectionBattery(e); break; }
        case 6: { NUVEvent_Temperature e; e.time = time; e.temperature = 21 + wave; emit temperature(e); break; }
        case 7: { NUVEvent_LineA e; e.time = time; e.voltage = 3; emit lineA(e); break; }
        case 8: { NUVEvent_LineB e; e.time = time; e.voltage = 3; emit lineB(e); break; }
        case 9: { NUVEvent_LineC e; e.time = time; emit lineC(e); break; }
        case 10: { NUVEvent_LineD e; e.time = time; emit lineD(e); break; }
        case 16: { NUVEvent_Status e; e.time = time; e.lineContinuity = {true, true, false, false}; emit status(e); break; }
        case 14: { NUVEvent_GPSLLSol e; e.time = time; e.latitude = 50 + wave * 1e-4; e.longitude = -12.8;
                   e.fixValid = true; e.satellites = 9; emit fix(e); break; }
        case 18: { NUVEvent_GPSTime e; e.time = time; e.timeOfWeek = 5000; emit gpsTime(e); break; }
        }
    }

    QTimer *m_timer = nullptr;
    QElapsedTimer m_clock;
    double m_lastTick = 0, m_lastProbe = 0, m_owed = 0;
    size_t m_next = 0;
};

void connectProducer(Producer &p, NUVQORAWidget *w)
{
    QObject::connect(&p, &Producer::accelZ, w, &NUVQORAWidget::accelZEventRead);
    QObject::connect(&p, &Producer::accelXY, w, &NUVQORAWidget::accelXYEventRead);
    QObject::connect(&p, &Producer::gyro, w, &NUVQORAWidget::gyroXYZEventRead);
    QObject::connect(&p, &Producer::mag, w, &NUVQORAWidget::magXYZEventRead);
    QObject::connect(&p, &Producer::pressure, w, &NUVQORAWidget::pressureEventRead);
    QObject::connect(&p, &Producer::computerBattery, w, &NUVQORAWidget::compBatEventRead);
    QObject::connect(&p, &Producer::ejectionBattery, w, &NUVQORAWidget::ejectBatEventRead);
    QObject::connect(&p, &Producer::temperature, w, &NUVQORAWidget::temperatureEventRead);
    QObject::connect(&p, &Producer::lineA, w, &NUVQORAWidget::inputAEventRead);
    QObject::connect(&p, &Producer::lineB, w, &NUVQORAWidget::inputBEventRead);
    QObject::connect(&p, &Producer::lineC, w, &NUVQORAWidget::inputCEventRead);
    QObject::connect(&p, &Producer::lineD, w, &NUVQORAWidget::inputDEventRead);
    QObject::connect(&p, &Producer::status, w, &NUVQORAWidget::statusEventRead);
    QObject::connect(&p, &Producer::fix, w, &NUVQORAWidget::gpsLLSolEventRead);
    QObject::connect(&p, &Producer::gpsTime, w, &NUVQORAWidget::gpsTimeEventRead);
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * values.size()))];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication application(argc, argv);
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    SimulatedHidBackend backend; // no device: the window's own polling stays idle
    HidBackend::setCurrent(&backend);
    NUVEvent::registerMetaTypes();

    NUVStudio window(QString{});
    window.resize(1600, 1000);
    NUVQORAWidget *panel = window.devicePanel();
    panel->findChild<QTabWidget *>(QStringLiteral("mainTabs"))->setCurrentIndex(1);

    Producer producer;
    QThread producerThread;
    producer.moveToThread(&producerThread);
    connectProducer(producer, panel);
    std::vector<double> latencies;
    QObject::connect(&producer, &Producer::probe, panel, [&](qint64 sent) {
        latencies.push_back((Clock::now().time_since_epoch().count() - sent) * 1e-6);
    });
    producerThread.start();
    QMetaObject::invokeMethod(&producer, &Producer::start, Qt::QueuedConnection);

    // The map page and the graphs' GL surfaces start up first, with readings arriving.
    producer.rate = 1000;
    QElapsedTimer warmUp;
    warmUp.start();
    while (warmUp.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    std::printf("%12s %12s %10s %10s %10s\n", "offered/s", "emitted/s", "p50 ms", "p99 ms", "max ms");
    double best = 0;
    for (double rate : {1000.0, 2000.0, 5000.0, 10000.0, 20000.0, 40000.0}) {
        latencies.clear();
        producer.rate = rate;
        const long before = producer.produced;
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < SecondsPerRate * 1000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        const double emitted = (producer.produced - before) / (elapsed.elapsed() * 1e-3);
        const double worst = latencies.empty() ? 1e9 : *std::max_element(latencies.begin(), latencies.end());
        std::printf("%12.0f %12.0f %10.2f %10.2f %10.2f\n", rate, emitted, percentile(latencies, 0.5),
                    percentile(latencies, 0.99), worst);
        if (worst < LatencyLimitMs)
            best = std::max(best, emitted);
    }
    producer.rate = 0;
    QMetaObject::invokeMethod(&producer, &Producer::stop, Qt::BlockingQueuedConnection);
    producerThread.quit();
    producerThread.wait();
    std::printf("highest rate with every probe under %.0f ms: %.0f readings/s\n", LatencyLimitMs, best);
    HidBackend::setCurrent(nullptr);
    return 0;
}

#include "LiveDisplayBenchmark.moc"
