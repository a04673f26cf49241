#include "GroundStationFixture.h"

#include "NUVQORAFlight.h"
#include "SampleFlight.h"
#include "TelemetryTransmitter.h"

#include <QThread>
#include <QtTest>

#include <algorithm>

// The radio link in its own worker thread on the real clock, hearing the sample flight, while
// the GUI thread drives it as the live window does. Run under ThreadSanitizer as well.
class TestRadioThread : public QObject
{
    Q_OBJECT

private slots:
    void receivesTheFlightWhileTheWindowDrivesIt()
    {
        StationFixture f;
        CapturedOutput output;
        TelemetryTransmitter transmitter(SampleFlight::records());
        f.station.setTransmitterOffset(300);
        f.station.setTransmitter(&transmitter);
        f.station.plugFirmware();

        QThread worker;
        auto *link = new NUVTAVOInterface;
        link->moveToThread(&worker);
        connect(&worker, &QThread::finished, link, &QObject::deleteLater);
        // Received in this thread, as the window receives them: queued.
        QObject window;
        int initialized = 0, packets = 0, rssi = 0, replayEnd = 0;
        std::vector<float> accel;
        connect(link, &NUVTAVOInterface::firmwareInitialized, &window, [&] { ++initialized; });
        connect(link, &NUVTAVOInterface::accelZEventRead, &window, [&](const NUVEvent_AccelZ &e) { accel.push_back(e.time); });
        connect(link, &NUVTAVOInterface::packetReceived, &window, [&] { ++packets; });
        connect(link, &NUVTAVOInterface::RSSIEventRead, &window, [&] { ++rssi; });
        connect(link, &NUVTAVOInterface::replayCanceled, &window, [&] { ++replayEnd; });
        worker.start();

        link->attemptConnection(); // from the GUI thread, as on a device arrival
        QTRY_COMPARE(initialized, 1);
        for (int i = 0; i < 20; ++i) {
            link->lockRFOffset(i % 2);
            link->updateConnectionIcon();
            link->attemptConnection();
            QMetaObject::invokeMethod(link, [link] { link->setAddress(0); }, Qt::QueuedConnection);
            QTest::qWait(50);
        }
        QTRY_VERIFY(accel.size() > 10);
        QVERIFY(packets > 10);
        QTRY_VERIFY(rssi > 0);
        QVERIFY(std::is_sorted(accel.begin(), accel.end())); // one code's events leave in time order

        auto flight = std::make_unique<NUVQORAFlight>();
        for (int i = 0; i < 3; ++i)
            flight->appendEvent(std::make_unique<NUVEvent_AccelZ>());
        link->replayFlight(std::move(flight));
        QTRY_COMPARE(replayEnd, 1);

        worker.quit();
        QVERIFY(worker.wait(5000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_GUILESS_MAIN(TestRadioThread)
#include "TestRadioThread.moc"
