#include "FlightTestSupport.h"
#include "FlightTrackScripts.h"

#include <QTest>

#include <functional>

using Events = std::function<void(NUVQORAFlight &)>;
Q_DECLARE_METATYPE(Events)

namespace {

QString plotKML(const QString &coordinates)
{
    return "plotKML('<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://earth.google.com/kml/2.1\">"
           "<Document><name>NUV QORA Flight</name><visibility>1</visibility><Folder><name>Track</name>"
           "<Placemark><name>Aeronautic</name><Style><LineStyle><color>C80000FF</color><width>4</width>"
           "</LineStyle></Style><LineString><altitudeMode>absolute</altitudeMode><coordinates>"
        + coordinates + "</coordinates></LineString></Placemark></Folder></Document></kml>');";
}

} // namespace

class TestFlightTrackScripts : public QObject
{
    Q_OBJECT

private slots:
    void scripts_data();
    void scripts();
};

void TestFlightTrackScripts::scripts_data()
{
    QTest::addColumn<Events>("events");
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no fix") << Events([](NUVQORAFlight &f) {
        addEvent<NUVEvent_Pressure>(f, 1);
        addFix(f, 2, 8.5, 47.25, 452, false);
    }) << false << QStringList{plotKML(""), "plotGroudTrack([]);"};

    // Fixes closer than a thousandth of a degree stay in the track but not in the ground track.
    const Events close = [](NUVQORAFlight &f) {
        addFix(f, 1, 8.5, 47.25, 452);
        addFix(f, 2, 8.5005, 47.2505, 460.5f);
        addFix(f, 3, 9.0, 48.0, 470, false);
        addEvent<NUVEvent_AccelZ>(f, 4);
    };
    QTest::newRow("close fixes") << close << false
                                 << QStringList{plotKML("8.500000000000,47.250000000000,452 "
                                                        "8.500500000000,47.250500000000,460.5 "),
                                                "plotGroudTrack([8.500000000000,47.250000000000,]);",
                                                "setPlacemark(47.2505000000, 8.5005000000);"};
    QTest::newRow("filtered altitude") << Events([close](NUVQORAFlight &f) {
        close(f);
        for (float t = 0; t < 6; ++t)
            f.kalmanAltitude.push_back({t, 123.5f, 0});
    }) << true << QStringList{plotKML("8.500000000000,47.250000000000,123.5 "
                                      "8.500500000000,47.250500000000,123.5 "),
                              "plotGroudTrack([8.500000000000,47.250000000000,]);",
                              "setPlacemark(47.2505000000, 8.5005000000);"};

    // The ground track starts from latitude and longitude 0.
    QTest::newRow("fix at zero") << Events([](NUVQORAFlight &f) {
        addFix(f, 1, 0.0, 0.0, 0);
        addFix(f, 2, -0.002, 0.0, 1);
        addFix(f, 3, -0.002, 0.0015, 1234567);
    }) << false << QStringList{plotKML("0.000000000000,0.000000000000,0 -0.002000000000,0.000000000000,1 "
                                       "-0.002000000000,0.001500000000,1.23457e+06 "),
                               "plotGroudTrack([-0.002000000000,0.000000000000,-0.002000000000,0.001500000000,]);",
                               "setPlacemark(0.0015000000, -0.0020000000);"};
}

void TestFlightTrackScripts::scripts()
{
    QFETCH(Events, events);
    QFETCH(bool, filtered);
    NUVQORAFlight flight;
    events(flight);
    QTEST(FlightTrackScripts::build(flight, filtered), "expected");
}

QTEST_APPLESS_MAIN(TestFlightTrackScripts)
#include "TestFlightTrackScripts.moc"
