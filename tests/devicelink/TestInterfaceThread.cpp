#include "DeviceNotice.h"
#include "NUVQORAInterface.h"
#include "RecordingPanel.h"
#include "SimulatorFixture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

// The interface in a real worker thread, driven and torn down as the device window does;
// run it under ThreadSanitizer (scripts/test --sanitize thread) to check the locking.
class TestInterfaceThread : public QObject
{
    Q_OBJECT

private slots:
    // Everything is set up before the thread starts, so its start orders the set-up before the
    // worker's first step for ThreadSanitizer too (Qt's own locks are invisible to it).
    void init()
    {
        m_counts = {};
        m_panel.takeCalls();
        m_sim = std::make_unique<SimulatorFixture>();
        m_sim->computer.plugFirmware();
        m_thread = new QThread;
        m_link = new NUVQORAInterface;
        m_panel.listenTo(m_link);
        m_link->moveToThread(m_thread);
        count(&NUVQORAInterface::pressureEventRead, m_counts.pressures,
              [](const NUVEvent_Pressure &e) { return e.pressure > 0; });
        count(&NUVQORAInterface::gyroXYZEventRead, m_counts.gyros, [](const NUVEvent_GyroXYZ &) { return true; });
        count(&NUVQORAInterface::flightDownloaded, m_counts.flights,
              [](const std::shared_ptr<NUVQORAFlight> &flight) { return flight && flight->events.size() == 2; });
        count(&NUVQORAInterface::flightDownloadProgress, m_counts.progress, [](int, int) { return true; });
        count(&NUVQORAInterface::firmwareDisconnected, m_counts.disconnected, [] { return true; });
        QMetaObject::invokeMethod(m_link, &NUVQORAInterface::attemptConnection, Qt::QueuedConnection);
        m_thread->start();
    }

    void cleanup()
    {
        tearDown();
        m_sim.reset();
    }

    void readingsAndFlightsReachTheGuiThreadWhileItCallsIn()
    {
        QTimer poll;
        connect(&poll, &QTimer::timeout, m_link, &NUVQORAInterface::readLiveEvents, Qt::QueuedConnection);
        poll.start(10);
        QTRY_VERIFY_WITH_TIMEOUT(m_counts.pressures >= 3 && m_counts.gyros >= 30, 10000);

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
        poll.stop();

        m_sim->computer.setMemoryImage(memoryOfFlights(2));
        QMetaObject::invokeMethod(m_link, &NUVQORAInterface::downloadFlights, Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(m_counts.flights, 2, 10000);
        QCOMPARE(m_counts.progress, 4);

        const std::string path = m_sim->computer.path();
        m_sim->computer.unplug();
        m_link->deviceRemoved({5, path});
        m_link->checkDisconnected();
        QTRY_VERIFY(m_counts.disconnected >= 1);
        QVERIFY(m_counts.allInGuiThread);
    }

    void teardownDuringAnEmulationStopsIt()
    {
        QTemporaryDir dir;
        QFile source(dir.filePath("long.csv"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write("header\n");
        for (int i = 0; i < 6000; ++i) // a minute in real time
            source.write(QByteArray::number(i * 0.01, 'f', 2) + ",10.00,0.00,0,0.00,0.00,9.81,0.00,0.00,0.00\n");
        source.close();

        QMetaObject::invokeMethod(
            m_link,
            [link = m_link, from = source.fileName(), to = dir.filePath("results.csv")] {
                link->emulateLaunch(from, to, true);
            },
            Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(m_panel.calls.contains("Emulation time: 0 s"), 10000);

        QElapsedTimer timer;
        timer.start();
        tearDown();
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(m_panel.takeCalls().contains("Emulation stoped prematurely!"));
    }

    // A window closed as soon as it opened ends the thread before the worker has run anything:
    // the interface's timer must not be left running in a thread that is gone, or deleting the
    // interface stops it from the wrong thread.
    void teardownBeforeTheWorkerRanLeavesNoTimerRunning()
    {
        tearDown();
        s_threadWarnings = 0;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
                s_threadWarnings += text.contains(QLatin1String("another thread"));
            });
        for (int i = 0; i < 20; ++i) {
            m_thread = new QThread;
            m_link = new NUVQORAInterface;
            m_panel.listenTo(m_link);
            m_link->moveToThread(m_thread);
            m_thread->start();
            tearDown();
        }
        qInstallMessageHandler(previous);
        QCOMPARE(s_threadWarnings, 0);
    }

private:
    static inline int s_threadWarnings = 0;

    // Counts the signal's arrivals that `accept` takes, checking that they arrive in the GUI thread.
    template<typename... Args, typename Accept>
    void count(void (NUVQORAInterface::*signal)(Args...), int &counter, Accept accept)
    {
        connect(m_link, signal, this, [this, &counter, accept](Args... arguments) {
            m_counts.allInGuiThread = m_counts.allInGuiThread && QThread::currentThread() == thread();
            counter += accept(arguments...);
        });
    }

    // The device window's order: cancel long operations, stop the thread, close, delete.
    void tearDown()
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

    std::unique_ptr<SimulatorFixture> m_sim;
    RecordingPanel m_panel;
    QThread *m_thread = nullptr;
    NUVQORAInterface *m_link = nullptr;
    struct Counts
    {
        int pressures = 0, gyros = 0, flights = 0, progress = 0, disconnected = 0;
        bool allInGuiThread = true;
    } m_counts;
};

QTEST_GUILESS_MAIN(TestInterfaceThread)
#include "TestInterfaceThread.moc"
