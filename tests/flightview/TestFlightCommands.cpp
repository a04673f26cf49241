#include "FlightTestSupport.h"
#include "FlightWindowFixture.h"
#include "ScriptedDialogs.h"
#include "ShellTestMain.h"
#include "SyntheticFlight.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>
#include <optional>

using Request = ScriptedDialogs::Request;
using Trigger = std::function<void(NUVStudio &, NUVQORAFlightWidget &)>;
using Writer = std::function<bool(NUVQORAFlight &, const std::wstring &)>;
Q_DECLARE_METATYPE(Trigger)
Q_DECLARE_METATYPE(Writer)
Q_DECLARE_METATYPE(std::optional<double>)

namespace {

// Axial accelerations at 0, 1, ... 10 s.
std::shared_ptr<NUVQORAFlight> eleven()
{
    auto flight = std::make_shared<NUVQORAFlight>();
    for (int t = 0; t <= 10; ++t)
        addEvent<NUVEvent_AccelZ>(*flight, float(t))->acceleration = 1.0f;
    return flight;
}

std::shared_ptr<NUVQORAFlight> synthetic(SyntheticFlight::Profile profile = {})
{
    SyntheticFlight generated(profile);
    return std::shared_ptr<NUVQORAFlight>(generated.flight.release());
}

QVector<double> eventTimes(const NUVQORAFlight &flight)
{
    QVector<double> times;
    for (const auto &event : flight.events)
        times << event->time;
    return times;
}

QVector<double> pointTimes(const QWidget *window)
{
    QVector<double> times;
    for (const QPointF &point : FlightWindowFixture::points(window, "liveAccelerationGraph", 0))
        times << point.x();
    return times;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString describeRequests(const QList<Request> &requests)
{
    QStringList text;
    for (const Request &r : requests)
        text << QStringLiteral("%1 %2 %3 %4").arg(r.kind).arg(r.message.title, r.caption, r.number.title);
    return text.join(QLatin1String("; "));
}

} // namespace

class TestFlightCommands : public QObject
{
    Q_OBJECT

private slots:
    // Each test answers its own dialogs.
    void init() { m_dialogs.emplace(); }
    void cleanup() { m_dialogs.reset(); }
    void trimKeepsTheChosenRange_data();
    void trimKeepsTheChosenRange();
    void zeroMovesTheTimeAxis();
    void sensorsTrimmedAwayLoseTheirTab();
    void autoTrim_data();
    void autoTrim();
    void saveAsksForAFileOnlyTheFirstTime();
    void savesThatDoNotHappenLeaveTheWindowModified_data();
    void savesThatDoNotHappenLeaveTheWindowModified();
    void exportsWriteWhatTheFlightWrites_data();
    void exportsWriteWhatTheFlightWrites();
    void closeQuestion_data();
    void closeQuestion();
    void commandsReachOnlyTheActiveWindow();
    void quittingAsksForEveryModifiedFlight();

private:
    FlightWindowFixture m_fixture;
    std::optional<ScriptedDialogs> m_dialogs;
};

void TestFlightCommands::trimKeepsTheChosenRange_data()
{
    QTest::addColumn<std::optional<double>>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<QVector<double>>("kept");
    QTest::addColumn<bool>("modified");
    const QVector<double> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    // The reading just before the start stays, so that the graphs begin at the start.
    QTest::newRow("inside") << std::optional<double>(2.5) << 5.0 << QVector<double>{2, 3, 4, 5} << true;
    QTest::newRow("past the end") << std::optional<double>(8.5) << 20.0 << QVector<double>{8, 9, 10} << true;
    QTest::newRow("empty") << std::optional<double>(5.0) << 5.0 << all << true;
    QTest::newRow("reversed") << std::optional<double>(8.0) << 3.0 << all << true;
    QTest::newRow("cancelled") << std::optional<double>() << 5.0 << all << false;
}

void TestFlightCommands::trimKeepsTheChosenRange()
{
    QFETCH(std::optional<double>, start);
    QFETCH(double, end);
    QFETCH(QVector<double>, kept);
    auto flight = eleven();
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight, false);
    m_dialogs->enterNumber(start);
    m_dialogs->enterNumber(end);
    main->ui.actionTrimTime->trigger();

    QCOMPARE(eventTimes(*flight), kept);
    QCOMPARE(pointTimes(window), kept);
    QTEST(window->isWindowModified(), "modified");
    const QList<Request> requests = m_dialogs->takeRequests();
    QCOMPARE(requests.size(), start ? 2 : 1);
    const UserDialogs::NumberRequest &first = requests[0].number;
    QCOMPARE(first.parent, window);
    QCOMPARE(first.title, "Enter start time to trim to");
    QCOMPARE(first.label, "Start time");
    QCOMPARE(first.value, 0.0);
    QCOMPARE(first.minimum, -100000.0);
    QCOMPARE(first.maximum, 100000.0);
    QCOMPARE(first.decimals, 3);
    if (start) {
        QCOMPARE(requests[1].number.title, "Enter end time to trim to");
        QCOMPARE(requests[1].number.label, "End time");
        QCOMPARE(requests[1].number.value, 10.0);
    }
}

void TestFlightCommands::zeroMovesTheTimeAxis()
{
    auto flight = eleven();
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight, false);
    m_dialogs->enterNumber(2.5);
    main->ui.actionZeroTime->trigger();

    const QVector<double> shifted{-2.5, -1.5, -0.5, 0.5, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5};
    QCOMPARE(eventTimes(*flight), shifted);
    QCOMPARE(pointTimes(window), shifted);
    QVERIFY(window->isWindowModified());
    QVERIFY(main->ui.actionSave->isEnabled());
    const QList<Request> requests = m_dialogs->takeRequests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].number.title, "Enter start time to zero to");
    QCOMPARE(requests[0].number.label, "Start time");
}

// A trim that leaves a sensor without readings takes its graphs away, for good.
void TestFlightCommands::sensorsTrimmedAwayLoseTheirTab()
{
    auto flight = eleven();
    for (int t = 0; t < 5; ++t) {
        addEvent<NUVEvent_GyroXYZ>(*flight, t + 0.5f);
        addEvent<NUVEvent_MagXYZ>(*flight, t + 0.5f);
    }
    std::stable_sort(flight->events.begin(), flight->events.end(),
                     [](const auto &a, const auto &b) { return a->time < b->time; });
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight, false);
    QVERIFY(FlightWindowFixture::tabTitles(window).contains("Gyro && Magneto"));

    m_dialogs->enterNumber(6.0);
    m_dialogs->enterNumber(10.0);
    main->ui.actionTrimTime->trigger();
    QVERIFY(!FlightWindowFixture::tabTitles(window).contains("Gyro && Magneto"));
    m_dialogs->enterNumber(0.0);
    main->ui.actionZeroTime->trigger();
    QCOMPARE(FlightWindowFixture::tabTitles(window).size(), 6); // four graph tabs, "GPS" and "Notes"
    QVERIFY(FlightWindowFixture::child(window, "gyroFrame")->isHidden());
}

void TestFlightCommands::autoTrim_data()
{
    QTest::addColumn<bool>("rises");
    QTest::newRow("with a launch") << true;
    QTest::newRow("without a launch") << false;
}

void TestFlightCommands::autoTrim()
{
    QFETCH(bool, rises);
    SyntheticFlight::Profile profile;
    profile.launch = 150; // recorded long before launch
    profile.rises = rises;
    auto flight = synthetic(profile);
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight, false);
    const std::size_t events = flight->events.size();
    main->ui.actionAutoTrimAll->trigger();

    const QList<Request> requests = m_dialogs->takeRequests();
    QCOMPARE(window->isWindowModified(), rises);
    if (rises) {
        QVERIFY2(requests.isEmpty(), qPrintable(describeRequests(requests)));
        QVERIFY(std::fabs(flight->launchTime()) < 0.05);
        QVERIFY(flight->events.front()->time >= -100.1f);
        QCOMPARE(pointTimes(window).first(), double(flight->events.front()->time));
        return;
    }
    QCOMPARE(flight->events.size(), events);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].message.icon, QMessageBox::Critical);
    QCOMPARE(requests[0].message.title, "Auto trim");
    QCOMPARE(requests[0].message.text, "Can't perform auto trim. The flight data is either not sufficient or this "
                                       "is not an actual flight");
}

void TestFlightCommands::saveAsksForAFileOnlyTheFirstTime()
{
    auto flight = synthetic();
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight);
    auto *notes = FlightWindowFixture::child<QPlainTextEdit>(window, "flightNotes");
    notes->setPlainText(QStringLiteral("Motor G80, \u00e9t\u00e9"));
    // A name typed without a suffix gets the one of the filter.
    m_dialogs->chooseFile(m_fixture.path(QStringLiteral("first flight")));
    main->ui.actionSave->trigger();

    const QString path = m_fixture.path(QStringLiteral("first flight.qora"));
    QList<Request> requests = m_dialogs->takeRequests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].caption, "Save NUV QORA flight");
    QCOMPARE(requests[0].filter, "NUV QORA flights (*.qora)");
    QCOMPARE(requests[1].message.icon, QMessageBox::Information);
    QCOMPARE(requests[1].message.title, "Flight saved!");
    QCOMPARE(requests[1].message.text, path);
    QCOMPARE(window->windowTitle(), "first flight.qora[*]");
    QCOMPARE(window->windowFilePath(), path);
    QVERIFY(!window->isWindowModified());
    QVERIFY(!main->ui.actionSave->isEnabled());

    NUVQORAFlight reloaded;
    QVERIFY(reloaded.load(path.toStdWString()));
    QCOMPARE(reloaded.name(), std::string("Motor G80, \xC3\xA9t\xC3\xA9"));
    QCOMPARE(reloaded.events.size(), flight->events.size());
    for (std::size_t i = 0; i < reloaded.events.size(); i += 97)
        QCOMPARE(describe(reloaded.events[i].get()), describe(flight->events[i].get()));

    notes->appendPlainText(QStringLiteral("second"));
    main->ui.actionSave->trigger();
    requests = m_dialogs->takeRequests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].message.title, "Flight saved!");
    NUVQORAFlight again;
    QVERIFY(again.load(path.toStdWString()));
    QCOMPARE(again.name(), std::string("Motor G80, \xC3\xA9t\xC3\xA9\nsecond"));
}

void TestFlightCommands::savesThatDoNotHappenLeaveTheWindowModified_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("box");
    QTest::newRow("cancelled") << QString() << QString();
    QTest::newRow("no such folder") << QStringLiteral("missing/flight.qora") << QStringLiteral("Could not save flight");
}

void TestFlightCommands::savesThatDoNotHappenLeaveTheWindowModified()
{
    QFETCH(QString, answer);
    QFETCH(QString, box);
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, eleven(), true, QStringLiteral("Download 1"));
    const QString path = answer.isEmpty() ? answer : m_fixture.path(answer);
    m_dialogs->chooseFile(path);
    main->ui.actionSave->trigger();

    const QList<Request> requests = m_dialogs->takeRequests();
    QCOMPARE(requests.size(), box.isEmpty() ? 1 : 2);
    if (!box.isEmpty()) {
        QCOMPARE(requests[1].message.icon, QMessageBox::Critical);
        QCOMPARE(requests[1].message.title, box);
        QCOMPARE(requests[1].message.text, path);
    }
    QVERIFY(window->isWindowModified());
    QVERIFY(window->windowFilePath().isEmpty());
    QCOMPARE(window->windowTitle(), "Download 1[*]");
}

void TestFlightCommands::exportsWriteWhatTheFlightWrites_data()
{
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("box");
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<bool>("launched");
    QTest::addColumn<QString>("reason");

    const Trigger button = [](NUVStudio &, NUVQORAFlightWidget &window) {
        QTest::mouseClick(FlightWindowFixture::child<QPushButton>(&window, "exportKML"), Qt::LeftButton);
    };
    const auto action = [](QAction *Ui::NUVStudioClass::*member) {
        return Trigger([member](NUVStudio &main, NUVQORAFlightWidget &) { (main.ui.*member)->trigger(); });
    };
    const Writer kml = [](NUVQORAFlight &f, const std::wstring &p) { return f.exportKML(p); };
    const Writer csv = [](NUVQORAFlight &f, const std::wstring &p) { return f.exportCSV(p); };
    const Writer emulation = [](NUVQORAFlight &f, const std::wstring &p) { return f.exportEmulationData(p); };
    const Writer thrust = [](NUVQORAFlight &f, const std::wstring &p) { return f.exportThrustData(p, 12.5f, 2.25f); };
    QTest::newRow("KML") << button << "Export flight to KML" << "KML files (*.kml)" << "track" << "track.kml"
                         << "Flight data exported!" << kml << true << QString();
    QTest::newRow("CSV") << action(&Ui::NUVStudioClass::actionExport_to_Excel) << "Export flight to Excel"
                         << "CSV files (*.csv)" << "sheet.csv" << "sheet.csv" << "Flight data exported!" << csv << true
                         << QString();
    QTest::newRow("emulation data") << action(&Ui::NUVStudioClass::actionExport_emulation_data)
                                    << "Export emulation data" << "CSV files (*.csv)" << "emulation" << "emulation.csv"
                                    << "Data exported!" << emulation << true << QString();
    QTest::newRow("thrust data") << action(&Ui::NUVStudioClass::actionExport_thrust_data) << "Export thrust data"
                                 << "CSV files (*.csv)" << "thrust.csv" << "thrust.csv" << "Data exported!" << thrust
                                 << true << QString();
    QTest::newRow("KML into no folder") << button << "Export flight to KML" << "KML files (*.kml)" << "none/track.kml"
                                        << "" << "Could not export flight data" << kml << true << QString();
    QTest::newRow("CSV into no folder") << action(&Ui::NUVStudioClass::actionExport_to_Excel)
                                        << "Export flight to Excel" << "CSV files (*.csv)" << "none/sheet.csv" << ""
                                        << "Could not export flight data" << csv << true << QString();
    QTest::newRow("thrust into no folder") << action(&Ui::NUVStudioClass::actionExport_thrust_data)
                                           << "Export thrust data" << "CSV files (*.csv)" << "none/thrust.csv" << ""
                                           << "Could not export data" << thrust << true << QString();
    QTest::newRow("emulation data into no folder")
        << action(&Ui::NUVStudioClass::actionExport_emulation_data) << "Export emulation data" << "CSV files (*.csv)"
        << "none/emulation.csv" << "" << "Could not export data" << emulation << true << QString();
    // Without a launch there is no coast to estimate the drag from: the box says so.
    QTest::newRow("thrust data without a launch")
        << action(&Ui::NUVStudioClass::actionExport_thrust_data) << "Export thrust data" << "CSV files (*.csv)"
        << "grounded thrust.csv" << "" << "Could not export data" << thrust << false
        << "The flight has no detected launch and coast to estimate the drag from.";
}

void TestFlightCommands::exportsWriteWhatTheFlightWrites()
{
    QFETCH(Trigger, trigger);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(Writer, writer);
    QFETCH(bool, launched);
    SyntheticFlight::Profile profile;
    profile.rises = launched;
    auto flight = synthetic(profile);
    auto main = m_fixture.mainWindow();
    auto *window = FlightWindowFixture::show(*main, flight, false);
    const bool thrust = QByteArray(QTest::currentDataTag()).startsWith("thrust");
    if (thrust) {
        m_dialogs->enterNumber(12.5);
        m_dialogs->enterNumber(2.25);
    }
    m_dialogs->chooseFile(m_fixture.path(typed));
    trigger(*main, *window);

    QList<Request> requests = m_dialogs->takeRequests();
    if (thrust) {
        QCOMPARE(requests[0].number.label, "Total rocket mass (including propellent) [kg]");
        QCOMPARE(requests[0].number.value, 10.0);
        QCOMPARE(requests[0].number.minimum, 0.001);
        QCOMPARE(requests[1].number.label, "Total propellent mass [kg]");
        QCOMPARE(requests[1].number.value, 1.0);
        QCOMPARE(requests[1].number.maximum, 100000.0);
        requests = requests.mid(2);
    }
    QCOMPARE(requests.size(), 2);
    QTEST(requests[0].caption, "caption");
    QTEST(requests[0].filter, "filter");
    QCOMPARE(requests[0].directory, QString());
    QTEST(requests[1].message.title, "box");
    QTEST(requests[1].message.informativeText, "reason");
    QCOMPARE(requests[1].message.parent, window);
    QCOMPARE(requests[1].message.icon, written.isEmpty() ? QMessageBox::Critical : QMessageBox::Information);
    QVERIFY(!window->isWindowModified());
    if (written.isEmpty()) {
        QVERIFY(!QFile::exists(m_fixture.path(typed)));
        return;
    }
    const QString path = m_fixture.path(written);
    QCOMPARE(requests[1].message.text, path);
    const QString reference = m_fixture.path(QStringLiteral("reference"));
    QVERIFY(writer(*flight, reference.toStdWString()));
    const QByteArray exported = contents(path);
    QVERIFY(!exported.isEmpty());
    QCOMPARE(exported, contents(reference));
}

void TestFlightCommands::closeQuestion_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    const int yes = QMessageBox::Yes, no = QMessageBox::No, cancel = QMessageBox::Cancel;
    QTest::newRow("not modified") << false << 0 << QString() << true << false;
    QTest::newRow("no") << true << no << QString() << true << false;
    QTest::newRow("cancel") << true << cancel << QString() << false << false;
    QTest::newRow("yes, saved") << true << yes << QStringLiteral("closing.qora") << true << true;
    // A save that does not happen keeps the window and its changes.
    QTest::newRow("yes, file dialog cancelled") << true << yes << QString() << false << false;
    QTest::newRow("yes, save failed") << true << yes << QStringLiteral("none/closing.qora") << false << false;
}

void TestFlightCommands::closeQuestion()
{
    QFETCH(bool, modified);
    QFETCH(int, button);
    QFETCH(QString, file);
    QFETCH(bool, saved);
    auto main = m_fixture.mainWindow();
    FlightWindowFixture::show(*main, eleven(), modified);
    const QString path = file.isEmpty() ? file : m_fixture.path(file);
    QFile::remove(path);
    if (button)
        m_dialogs->pressButton(QMessageBox::StandardButton(button));
    if (button == QMessageBox::Yes)
        m_dialogs->chooseFile(path);
    main->ui.mdiArea->currentSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QFETCH(bool, closed);
    QCOMPARE(main->ui.mdiArea->subWindowList().isEmpty(), closed);
    if (!closed)
        QVERIFY2(FlightWindowFixture::active(*main)->isWindowModified(), "the changes are still to be saved");
    QCOMPARE(QFile::exists(path), saved);
    const QList<Request> requests = m_dialogs->takeRequests();
    QCOMPARE(requests.isEmpty(), !modified);
    if (!modified)
        return;
    const UserDialogs::Message &question = requests[0].message;
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.parent, nullptr);
    QCOMPARE(question.text, "Flight not saved");
    QCOMPARE(question.informativeText, "Would you like to save this flight?");
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(question.defaultButton, QMessageBox::Yes);
}

void TestFlightCommands::commandsReachOnlyTheActiveWindow()
{
    auto main = m_fixture.mainWindow();
    auto first = eleven(), second = eleven();
    auto *firstWindow = FlightWindowFixture::show(*main, first, false);
    auto *secondWindow = FlightWindowFixture::show(*main, second, false);
    m_dialogs->enterNumber(1.0);
    main->ui.actionZeroTime->trigger();
    QCOMPARE(second->events.front()->time, -1.0f);
    QCOMPARE(first->events.front()->time, 0.0f);
    QVERIFY(!firstWindow->isWindowModified());
    QCOMPARE(m_dialogs->takeRequests().size(), 1);

    main->ui.mdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(firstWindow->parentWidget()));
    main->ui.actionSave_As->trigger(); // cancelled by the unscripted file dialog
    const QList<Request> requests = m_dialogs->takeRequests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].message.parent, firstWindow);
    QVERIFY(secondWindow->isWindowModified());
}

void TestFlightCommands::quittingAsksForEveryModifiedFlight()
{
    auto main = m_fixture.mainWindow();
    FlightWindowFixture::show(*main, eleven(), true);
    FlightWindowFixture::show(*main, eleven(), false);
    FlightWindowFixture::show(*main, eleven(), true);
    m_dialogs->pressButton(QMessageBox::Cancel);
    QVERIFY(!main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_dialogs->takeRequests().size(), 1);
    QVERIFY(!main->ui.mdiArea->subWindowList().isEmpty());

    m_dialogs->pressButton(QMessageBox::No);
    m_dialogs->pressButton(QMessageBox::No);
    QVERIFY(main->close());
    QCOMPARE(m_dialogs->takeRequests().size(), 2);
}

NUV_SHELL_TEST_MAIN(TestFlightCommands)
#include "TestFlightCommands.moc"
