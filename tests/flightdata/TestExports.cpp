#include "SparseCellTable.h"
#include "SyntheticFlight.h"

#include <QtTest>

namespace {

std::vector<std::string> split(const std::string &text, char separator = '\n')
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

} // namespace

class TestExports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void kmlTrack();
    void cellTableLayout();
    void csvBlocksSideBySide();
    void emulationData();
    void thrustData();
    void failuresAreReported();

private:
    ScratchDir dir;
    SyntheticFlight generated{SyntheticFlight::Profile()};
};

void TestExports::initTestCase()
{
    QVERIFY(dir.isValid());
    CapturedOutput quiet;
    generated.flight->buildSplines();
}

void TestExports::kmlTrack()
{
    NUVQORAFlight flight;
    addFix(flight, 1.0f, -105.0000001, 40.5, 1600.25f);
    addFix(flight, 2.0f, -105.25, 40.5000002, 1700.0f, false);
    addEvent<NUVEvent_AccelZ>(flight, 2.5f);
    addFix(flight, 3.0f, -104.9, 40.51234567, 1523.4f);
    addFix(flight, 4.0f, 8.0, 47.0, -2.5f);
    CapturedOutput console;
    QVERIFY(flight.exportKML(dir.path("track.kml")));
    QCOMPARE(console.text(), "KML path: " + dir.filePath("track.kml").toStdString() + "\n");
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://earth.google.com/kml/2.1\">\n"
        "<Document><name>NUV QORA Flight</name><visibility>1</visibility><Folder><name>Track</name>\n"
        "<Placemark><name>Aeronautic</name>\n"
        "<Style><LineStyle><color>C80000FF</color><width>4</width></LineStyle></Style>\n"
        "<LineString><altitudeMode>absolute</altitudeMode><coordinates>\n"
        "-105.0000001,40.5,1600.25 \n"
        "-104.9,40.51234567,1523.400024 \n"
        "8,47,-2.5 \n"
        "</coordinates></LineString></Placemark>\n"
        "<Placemark><name>Clamped to ground</name>\n"
        "<Style><LineStyle><color>C800FFFF</color><width>4</width></LineStyle></Style>\n"
        "<LineString><altitudeMode>clampToGround</altitudeMode><coordinates>\n"
        "-105.0000001,40.5 \n"
        "-104.9,40.51234567 \n"
        "8,47 \n"
        "</coordinates></LineString>\n"
        "</Placemark></Folder></Document></kml>\n";
    QCOMPARE(dir.read("track.kml"), expected);

    // Exporting again replaces the file.
    NUVQORAFlight empty;
    QVERIFY(empty.exportKML(dir.path("track.kml")));
    QVERIFY(dir.read("track.kml").find("<coordinates>\n</coordinates>") != std::string::npos);
}

void TestExports::cellTableLayout()
{
    SparseCellTable table;
    std::ostringstream empty;
    table.write(empty);
    QCOMPARE(empty.str(), std::string());

    table.setText(2, 1, "c");
    table.setText(0, 2, "b");
    table.setText(0, 0, "x");
    table.setText(0, 0, "a");
    std::ostringstream out;
    table.write(out);
    QCOMPARE(out.str(), std::string("a,,b\n\n,c"));

    SparseCellTable numbers;
    numbers.setNumber(12.5f, 0, 1);
    numbers.setNumber(-0.0000001f, 1, 0);
    std::ostringstream printed;
    numbers.write(printed);
    QCOMPARE(printed.str(), std::string(",12.500000\n-0.000000"));
}

void TestExports::csvBlocksSideBySide()
{
    NUVQORAFlight flight;
    addEvent<NUVEvent_Pressure>(flight, 0.0f)->pressure = 100000.0f;
    addEvent<NUVEvent_AccelZ>(flight, 0.01f)->acceleration = 1.5f;
    addEvent<NUVEvent_Text>(flight, 0.015f)->text = "not exported";
    addEvent<NUVEvent_AccelZ>(flight, 0.02f)->acceleration = -0.25f;
    addFix(flight, 0.5f, 8.0, 47.0, 400.0f, false);
    addFix(flight, 1.0f, 8.5, 47.123456789, 512.25f);
    auto *status = addEvent<NUVEvent_Status>(flight, 1.5f);
    status->state = 3;
    status->lineContinuity = {true, false, true, false};
    status->lineOn = {false, true, false, false};
    addEvent<NUVEvent_LineA>(flight, 2.0f)->voltage = 3.14159f;
    addEvent<NUVEvent_Pressure>(flight, 2.0f)->pressure = 99000.0f;
    addEvent<NUVEvent_AccelZ>(flight, 2.5f)->acceleration = 2.0f;
    addEvent<NUVEvent_Pressure>(flight, 123.456789f)->pressure = 98000.0f;
    addEvent<NUVEvent_AccelZ>(flight, 124.0f)->acceleration = 3.0f;
    addEvent<NUVEvent_AccelZ>(flight, 125.0f)->acceleration = 4.0f;
    addEvent<NUVEvent_GPSTime>(flight, 126.0f)->timeOfWeek = 345600123;
    addEvent<NUVEvent_Status>(flight, 127.0f)->state = 2;
    CapturedOutput console;
    QVERIFY(flight.exportCSV(dir.path("flight.csv")));
    QCOMPARE(console.text(), "CSV path: " + dir.filePath("flight.csv").toStdString() + "\n");
    const std::string expected =
        "time,pressure,Pressure MSL,Pressure AGL,time,acceleration,time,lat,long,GPS MSL,SVs,"
        "time,launch detect,apogee detect,A cont.,B cont.,C cont.,D cont.,A on., B on,C on,D on,time,A Voltage,"
        "time,GPS Time of Week\n"
        "0,100000,110.884,110.884,0.01,1.5,1,47.123457,8.5,512.25,9,1.5,1,1,1,0,1,0,0,1,0,0,2,3.14,126,345600123\n"
        "2,99000,195.361,195.361,0.02,-0.25,,,,,,127,1,0,0,0,0,0,0,0,0,0,,,,\n"
        "123.457,98000,280.53,280.53,2.5,2,,,,,,,,,,,,,,,,,,,,\n"
        ",,,,124,3,,,,,,,,,,,,,,,,,,,,\n"
        ",,,,125,4,,,,,,,,,,,,,,,,,,,,\n";
    QCOMPARE(dir.read("flight.csv"), expected);

    NUVQORAFlight empty;
    QVERIFY(empty.exportCSV(dir.path("empty.csv")));
    QCOMPARE(dir.read("empty.csv"), std::string());
}

void TestExports::emulationData()
{
    NUVQORAFlight flight;
    for (int i = 0; i <= 12; ++i) {
        addEvent<NUVEvent_Pressure>(flight, float(i))->pressure = 100000.0f;
        addEvent<NUVEvent_AccelZ>(flight, float(i))->acceleration = 1.0f;
        addFix(flight, float(i), 8.0, 47.0, 120.5f);
    }
    addEvent<NUVEvent_AccelZ>(flight, 12.345f)->acceleration = 1.0f;
    {
        CapturedOutput console;
        flight.buildSplines();
    }
    QVERIFY(flight.exportEmulationData(dir.path("emulation.csv")));
    std::vector<std::string> lines = split(dir.read("emulation.csv"));
    QCOMPARE(lines.front(), std::string("Time[s],Pressure altitude [m],GPS altitude [m],GPS Valid,Acceleration x "
                                        "[m/s^2], Acceleration y [m/s^2], Acceleration z [m/s^2], Gyro x [deg/s], "
                                        "Gyro y [deg/s], Gyro z [deg/s]"));
    QCOMPARE(lines.size(), std::size_t(1 + 1235));
    QCOMPARE(lines[1], std::string("0.00,110.88,120.50,1,0.00,0.00,9.81,0.00,0.00,0.00"));
    QCOMPARE(lines.back().substr(0, 6), std::string("12.34,"));
    // The fix flag is decided on every tenth row and held for the nine after it: with a fix
    // every second, one block of ten rows per second shows it.
    const auto valid = [&lines](std::size_t row) { return lines[1 + row].find(",120.50,1,") != std::string::npos; };
    QVERIFY(valid(0));
    for (std::size_t second = 0; second < 12; ++second) {
        int blocks = 0;
        for (std::size_t row = second * 100; row < second * 100 + 100; ++row) {
            QCOMPARE(valid(row), valid(row - row % 10));
            blocks += row % 10 == 0 && valid(row);
        }
        QCOMPARE(blocks, 1);
    }

    // Mounted upside down: the file carries the sensor's own sign. A start off the grid is
    // truncated toward zero.
    flight.accelInverted = true;
    {
        CapturedOutput console;
        flight.shiftTime(100.004f);
    }
    QVERIFY(flight.exportEmulationData(dir.path("emulation.csv")));
    lines = split(dir.read("emulation.csv"));
    QCOMPARE(lines[1].substr(0, 8), std::string("-100.00,"));
    QVERIFY(lines[200].find(",-9.81,") != std::string::npos);

    NUVQORAFlight empty;
    QVERIFY(empty.exportEmulationData(dir.path("empty.csv")));
    QCOMPARE(split(dir.read("empty.csv")).size(), std::size_t(1));
}

void TestExports::thrustData()
{
    QVERIFY(generated.flight->exportThrustData(dir.path("thrust.csv"), 1.5f, 0.2f));
    const std::vector<std::string> lines = split(dir.read("thrust.csv"));
    QCOMPARE(lines[0], std::string("Velocity [m/s],Acceleration [m/s^2],Time[s],Acceleration [m/s^2],Velocity "
                                   "[m/s],Rocket mass [kg],Drag [N],Motor Thrust [N],,,Total rocket mass (incl. "
                                   "propellent) [kg],1.500000"));
    QVERIFY(lines[1].substr(lines[1].size() - 38) == ",,,Total propellent mass [kg],0.200000");

    // Every row: coast velocity and acceleration, then the burn sample.
    std::vector<std::vector<std::string>> cells;
    for (const std::string &line : lines)
        cells.push_back(split(line, ','));
    QVERIFY(cells[2].size() <= 8); // the totals skip row 2
    const float impulse = std::stof(cells[3][11]);
    QCOMPARE(cells[3][10], std::string("Total thrust [Ns]"));
    QCOMPARE(cells[4][10], std::string("ISP [s]"));
    QVERIFY(std::fabs(std::stof(cells[4][11]) - impulse / (9.81f * 0.2f)) < 0.01f);
    // Thrust is mass times (acceleration plus gravity) plus the modelled drag: about
    // 1.4 kg * 90 m/s^2 over 2 s.
    QVERIFY2(impulse > 230.0f && impulse < 290.0f, cells[3][11].c_str());
    std::size_t burnRows = 0;
    float previousVelocity = -1e9f;
    for (std::size_t r = 1; r < cells.size(); ++r) {
        if (!cells[r][0].empty()) {
            const float velocity = std::stof(cells[r][0]);
            QVERIFY(velocity >= previousVelocity);
            previousVelocity = velocity;
        }
        if (cells[r].size() > 7 && !cells[r][2].empty()) {
            ++burnRows;
            QVERIFY(std::stof(cells[r][7]) >= 0.0f);
        }
    }
    QVERIFY2(burnRows >= 200 && burnRows <= 203, qPrintable(QString::number(burnRows)));
    QVERIFY(previousVelocity > 100.0f);
}

void TestExports::failuresAreReported()
{
    NUVQORAFlight empty;
    CapturedOutput console;
    QVERIFY(!empty.exportThrustData(dir.path("none.csv"), 1.0f, 0.1f));
    QCOMPARE(console.text(), std::string("Error: invalid matrix size\n"));
    QVERIFY(!QFile::exists(dir.filePath("none.csv")));

    NUVQORAFlight &flight = *generated.flight;
    const std::wstring nowhere = dir.path("missing folder/out.txt");
    const std::size_t printed = console.text().size();
    QVERIFY(!flight.exportKML(nowhere));
    QVERIFY(!flight.exportCSV(nowhere));
    QVERIFY(!flight.exportEmulationData(nowhere));
    QVERIFY(!flight.exportThrustData(nowhere, 1.5f, 0.2f));
    QCOMPARE(console.text().size(), printed);
    // A device that takes nothing: the failure is reported, not hidden.
    if (QFile::exists("/dev/full"))
        QVERIFY(!flight.exportCSV(L"/dev/full"));
}

QTEST_GUILESS_MAIN(TestExports)
#include "TestExports.moc"
