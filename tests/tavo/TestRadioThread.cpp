#include "GroundStationFixture.h"

#include "NUVQORAFlight.h"
#include "SampleFlight.h"
#include "TelemetryTransmitter.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

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

        RecordingConsole console;
        QThread worker;
        auto *link = new NUVTAVOInterface(&console);
        link->moveToThread(&worker);
        connect(&worker, &QThread::finished, link, &QObject::deleteLater);
        QSignalSpy initialized(link, &NUVTAVOInterface::firmwareInitialized);
        QSignalSpy accel(link, &NUVTAVOInterface::accelZEventRead);
        QSignalSpy packets(link, &NUVTAVOInterface::packetReceived);
        QSignalSpy rssi(link, &NUVTAVOInterface::RSSIEventRead);
        QSignalSpy replayEnd(link, &NUVTAVOInterface::replayCanceled);
        worker.start();

        link->attemptConnection(); // from the GUI thread, as on a device arrival
        QTRY_COMPARE(initialized.count(), 1);
        for (int i = 0; i < 20; ++i) {
            link->lockRFOffset(i % 2);
            link->updateConnectionIcon();
            link->attemptConnection();
            QMetaObject::invokeMethod(link, "setAddress", Qt::QueuedConnection, Q_ARG(int, 0));
            QTest::qWait(50);
        }
        QTRY_VERIFY(accel.count() > 10);
        QVERIFY(packets.count() > 10);
        QTRY_VERIFY(rssi.count() > 0);
        for (int i = 1; i < accel.count(); ++i) // one code's events leave in time order
            QVERIFY(accel[i - 1][0].value<NUVEvent_AccelZ>().time <= accel[i][0].value<NUVEvent_AccelZ>().time);

        auto flight = std::make_unique<NUVQORAFlight>();
        for (int i = 0; i < 3; ++i)
            flight->appendEvent(std::make_unique<NUVEvent_AccelZ>());
        link->replayFlight(std::move(flight));
        QTRY_COMPARE(replayEnd.count(), 1);

        worker.quit();
        QVERIFY(worker.wait(5000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_GUILESS_MAIN(TestRadioThread)
#include "TestRadioThread.moc"
