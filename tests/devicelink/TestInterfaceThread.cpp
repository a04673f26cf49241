#include "DeviceNotice.h"
#include "FlightMemoryImage.h"
#include "NUVQORAInterface.h"
#include "RecordingPanel.h"
#include "SimulatedFlightComputer.h"
#include "SimulatedHidBackend.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

// Receives the interface's signals in the GUI thread, as the device window does.
class Receiver : public QObject
{
    Q_OBJECT

public:
    int pressures = 0;
    int gyros = 0;
    int flights = 0;
    int progress = 0;
    int disconnected = 0;
    bool allInGuiThread = true;

public slots:
    void pressureEventRead(NUVEvent_Pressure e)
    {
        check();
        pressures += e.pressure > 0;
    }
    void gyroXYZEventRead(NUVEvent_GyroXYZ)
    {
        check();
        ++gyros;
    }
    void flightDownloaded(std::shared_ptr<NUVQORAFlight> flight)
    {
        check();
        flights += flight && flight->events.size() == 2;
    }
    void flightDownloadProgress(int, int)
    {
        check();
        ++progress;
    }
    void firmwareDisconnected()
    {
        check();
        ++disconnected;
    }

private:
    void check() { allInGuiThread = allInGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread(); }
};

// The interface in a real worker thread, driven and torn down as the device window does;
// run it under ThreadSanitizer (scripts/test --sanitize thread) to check the locking.
class TestInterfaceThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void liveReadingsAndFlightsReachTheGuiThread();
    void directCallsFromTheGuiThreadWhilePolling();
    void teardownDuringAnEmulationStopsIt();

private:
    void startWorker();
    void tearDown();

    std::unique_ptr<SimulatedHidBackend> m_backend;
    std::unique_ptr<SimulatedFlightComputer> m_device;
    std::unique_ptr<RecordingPanel> m_panel;
    std::unique_ptr<Receiver> m_receiver;
    QThread *m_thread = nullptr;
    NUVQORAInterface *m_link = nullptr;
};

void TestInterfaceThread::init()
{
    m_backend = std::make_unique<SimulatedHidBackend>();
    m_device = std::make_unique<SimulatedFlightComputer>(*m_backend);
    m_panel = std::make_unique<RecordingPanel>();
    m_receiver = std::make_unique<Receiver>();
    HidBackend::setCurrent(m_backend.get());
    m_device->plugFirmware();
    startWorker();
}

void TestInterfaceThread::cleanup()
{
    tearDown();
    m_device.reset();
    HidBackend::setCurrent(nullptr);
    m_backend.reset();
}

// Everything is set up before the thread starts, so its start orders the set-up before the
// worker's first step for ThreadSanitizer too (Qt's own locks are invisible to it).
void TestInterfaceThread::startWorker()
{
    m_thread = new QThread;
    m_link = new NUVQORAInterface(m_panel.get());
    m_link->moveToThread(m_thread);
    Receiver *r = m_receiver.get();
    connect(m_link, &NUVQORAInterface::pressureEventRead, r, &Receiver::pressureEventRead);
    connect(m_link, &NUVQORAInterface::gyroXYZEventRead, r, &Receiver::gyroXYZEventRead);
    connect(m_link, &NUVQORAInterface::flightDownloaded, r, &Receiver::flightDownloaded);
    connect(m_link, &NUVQORAInterface::flightDownloadProgress, r, &Receiver::flightDownloadProgress);
    connect(m_link, &NUVQORAInterface::firmwareDisconnected, r, &Receiver::firmwareDisconnected);
    QMetaObject::invokeMethod(m_link, "attemptConnection", Qt::QueuedConnection);
    m_thread->start();
}

// The device window's order: cancel long operations, stop the thread, close, delete.
void TestInterfaceThread::tearDown()
{
    if (!m_link)
        return;
    m_link->abortOperations();
    m_thread->exit(0);
    m_thread->wait();
    m_link->closeDevices();
    delete m_thread;
    delete m_link;
    m_thread = nullptr;
    m_link = nullptr;
}

void TestInterfaceThread::liveReadingsAndFlightsReachTheGuiThread()
{
    QTimer poll;
    connect(&poll, &QTimer::timeout, m_link, &NUVQORAInterface::readLiveEvents, Qt::QueuedConnection);
    poll.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(m_receiver->pressures >= 3 && m_receiver->gyros >= 30, 10000);
    poll.stop();

    m_device->setMemoryImage(memoryOfFlights(2));
    QMetaObject::invokeMethod(m_link, "downloadFlights", Qt::QueuedConnection);
    QTRY_COMPARE_WITH_TIMEOUT(m_receiver->flights, 2, 10000);
    QCOMPARE(m_receiver->progress, 4);
    QVERIFY(m_receiver->allInGuiThread);
}

void TestInterfaceThread::directCallsFromTheGuiThreadWhilePolling()
{
    QTimer poll;
    connect(&poll, &QTimer::timeout, m_link, &NUVQORAInterface::readLiveEvents, Qt::QueuedConnection);
    poll.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(m_receiver->gyros >= 10, 10000);

    // What the main and device windows do from the GUI thread while the worker polls.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300) {
        m_link->currentOrientation();
        m_link->setAutoStartFirmware(true);
        m_link->attemptConnection();
        m_link->checkDisconnected();
        {
            const std::lock_guard<std::recursive_mutex> lock(m_link->deviceMutex());
            m_link->readEvent(14);
        }
        QCoreApplication::processEvents();
    }
    const std::string path = m_device->path();
    m_device->unplug();
    m_link->deviceRemoved({5, path});
    m_link->checkDisconnected();
    QTRY_VERIFY(m_receiver->disconnected >= 1);
    poll.stop();
    QVERIFY(m_receiver->allInGuiThread);
}

void TestInterfaceThread::teardownDuringAnEmulationStopsIt()
{
    QTemporaryDir dir;
    QFile source(dir.filePath("long.csv"));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write("header\n");
    for (int i = 0; i < 6000; ++i) // a minute in real time
        source.write(QByteArray::number(i * 0.01, 'f', 2) + ",10.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n");
    source.close();

    QMetaObject::invokeMethod(m_link, "emulateLaunch", Qt::QueuedConnection, Q_ARG(QString, source.fileName()),
                              Q_ARG(QString, dir.filePath("results.csv")), Q_ARG(bool, true));
    QTRY_VERIFY_WITH_TIMEOUT(m_panel->calls.contains("Emulation time: 0 s"), 10000);

    QElapsedTimer timer;
    timer.start();
    tearDown();
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(m_panel->takeCalls().contains("Emulation stoped prematurely!"));
}

QTEST_GUILESS_MAIN(TestInterfaceThread)
#include "TestInterfaceThread.moc"
