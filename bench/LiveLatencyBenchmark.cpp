// Measures how long a live reading takes from the moment its reply arrives at the HID backend
// to the moment its typed signal reaches a receiver in the GUI thread, with the interface in
// its worker thread polled on the device window's 10 ms schedule, over 10,000 readings of the
// simulated flight computer. Prints the median, the 99th percentile and the maximum.

#include "NUVQORAInterface.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Readings = 10000;

// Passes everything to the simulator and notes when each live reply that becomes a signal
// (every event record but the orientation) is handed to the host.
class TimestampingBackend : public HidBackend
{
public:
    explicit TimestampingBackend(SimulatedHidBackend &inner) : m_inner(inner) {}

    std::vector<HidInterfaceInfo> interfaces() override { return m_inner.interfaces(); }
    int open(const std::string &path) override { return m_inner.open(path); }
    void close(int handle) override { m_inner.close(handle); }
    bool write(int handle, const uint8_t report[65], uint32_t timeoutMs) override
    {
        return m_inner.write(handle, report, timeoutMs);
    }
    void dropQueuedInput(int handle) override { m_inner.dropQueuedInput(handle); }

    bool read(int handle, uint8_t report[65], uint32_t timeoutMs) override
    {
        const bool ok = m_inner.read(handle, report, timeoutMs);
        if (ok && report[1] == LiveReplyCode && report[2] != OrientationCode) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_arrivals.push_back(Clock::now());
        }
        return ok;
    }

    Clock::time_point takeArrival()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Clock::time_point arrival = m_arrivals.front();
        m_arrivals.pop_front();
        return arrival;
    }

private:
    static constexpr uint8_t LiveReplyCode = 2;
    static constexpr uint8_t OrientationCode = 21;

    SimulatedHidBackend &m_inner;
    std::mutex m_mutex;
    std::deque<Clock::time_point> m_arrivals;
};

double percentile(const std::vector<double> &sorted, double fraction)
{
    return sorted[std::min(sorted.size() - 1, size_t(fraction * sorted.size()))];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    SimulatedHidBackend simulator;
    simulator.setRecording(false);
    TimestampingBackend backend(simulator);
    HidBackend::setCurrent(&backend);
    SimulatedFlightComputer computer(simulator);
    computer.plugFirmware();

    QThread worker;
    NUVQORAInterface link;
    link.moveToThread(&worker);
    worker.start();
    QMetaObject::invokeMethod(&link, &NUVQORAInterface::attemptConnection, Qt::BlockingQueuedConnection);
    if (!link.isOpen()) {
        std::fprintf(stderr, "cannot connect to the simulated flight computer\n");
        return 1;
    }

    std::vector<double> latencies;
    latencies.reserve(Readings);
    QObject receiver; // lives in the GUI thread, so every signal reaches it queued
    QTimer poll;
    const auto received = [&] {
        if (int(latencies.size()) == Readings)
            return;
        const auto latency = Clock::now() - backend.takeArrival();
        latencies.push_back(std::chrono::duration<double, std::micro>(latency).count());
        if (int(latencies.size()) == Readings) {
            poll.stop();
            app.quit();
        }
    };
    QObject::connect(&link, &NUVQORAInterface::accelZEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::accelXYEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::gyroXYZEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::magXYZEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::pressureEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::compBatEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::ejectBatEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::temperatureEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::gpsLLSolEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::statusEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::gpsTimeEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::inputAEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::inputBEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::inputCEventRead, &receiver, received);
    QObject::connect(&link, &NUVQORAInterface::inputDEventRead, &receiver, received);

    QObject::connect(&poll, &QTimer::timeout, &link, &NUVQORAInterface::readLiveEvents, Qt::QueuedConnection);
    poll.start(10);
    const auto start = Clock::now();
    app.exec();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    worker.quit();
    worker.wait();
    link.closeDevices();
    HidBackend::setCurrent(nullptr);

    std::sort(latencies.begin(), latencies.end());
    std::printf("%d live readings in %.1f s (%.0f per second)\n", Readings, seconds, Readings / seconds);
    std::printf("reply at the backend to typed signal in the GUI thread:\n");
    std::printf("  median %.1f us, 99th percentile %.1f us, maximum %.1f us\n", percentile(latencies, 0.5),
                percentile(latencies, 0.99), latencies.back());
    return 0;
}
