#include "SyntheticFlight.h"

#include <QtTest>

#include <csignal>
#include <functional>
#include <set>
#include <sys/resource.h>

namespace {

// A file-size limit makes every write past it fail part-way, as a full disk does, and
// needs no privileges. The size signal is ignored so that the write reports the error.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limit = previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous); }

private:
    rlimit previous{};
};

using Writer = std::function<bool(NUVQORAFlight &, const std::wstring &)>;

// Limits that cut the file inside each of its writes: the start, both sides of every 64 KiB
// block boundary (the writers hand over blocks of that size), and across the last block,
// which the file device may still be holding when it is flushed, its last bytes one by one.
std::set<qint64> cutPoints(qint64 size)
{
    std::set<qint64> limits = {0, 1};
    const qint64 block = 65536;
    for (qint64 boundary = block; boundary < size; boundary += block)
        limits.insert({boundary - 1, boundary, boundary + 1});
    for (qint64 limit = (size - 1) / block * block; limit < size; limit += 1021)
        limits.insert(limit);
    for (qint64 limit = std::max<qint64>(0, size - 8); limit < size; ++limit)
        limits.insert(limit);
    return limits;
}

} // namespace

Q_DECLARE_METATYPE(Writer)

class TestFullDisk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writeCutShortKeepsThePreviousFile_data();
    void writeCutShortKeepsThePreviousFile();
    void devicesAreWrittenInPlace();

private:
    ScratchDir dir;
    SyntheticFlight generated{SyntheticFlight::Profile()};
    SyntheticFlight small{SyntheticFlight::Profile()};
};

void TestFullDisk::initTestCase()
{
    QVERIFY(dir.isValid());
    std::signal(SIGXFSZ, SIG_IGN);
    // Boost and coast only, as the thrust export needs them: a short flight keeps the sweep quick.
    // The small flight's file fits in the file device's own buffer, so all of it is written
    // only when that buffer is flushed.
    CapturedOutput quiet;
    generated.flight->trim(9.0f, float(generated.apogee) + 2.0f);
    small.flight->trim(9.0f, 10.0f);
}

void TestFullDisk::writeCutShortKeepsThePreviousFile_data()
{
    QTest::addColumn<Writer>("write");
    QTest::addColumn<bool>("smallFlight");
    const Writer save = [](NUVQORAFlight &f, const std::wstring &p) { return f.save(p); };
    QTest::newRow("flight file") << save << false;
    QTest::newRow("small flight file") << save << true;
    QTest::newRow("KML") << Writer([](NUVQORAFlight &f, const std::wstring &p) { return f.exportKML(p); }) << false;
    QTest::newRow("CSV") << Writer([](NUVQORAFlight &f, const std::wstring &p) { return f.exportCSV(p); }) << false;
    QTest::newRow("emulation data")
        << Writer([](NUVQORAFlight &f, const std::wstring &p) { return f.exportEmulationData(p); }) << false;
    QTest::newRow("thrust data")
        << Writer([](NUVQORAFlight &f, const std::wstring &p) { return f.exportThrustData(p, 1.5f, 0.2f); })
        << false;
}

void TestFullDisk::writeCutShortKeepsThePreviousFile()
{
    QFETCH(Writer, write);
    QFETCH(bool, smallFlight);
    NUVQORAFlight &flight = smallFlight ? *small.flight : *generated.flight;
    CapturedOutput quiet;
    const QString folder = QTest::currentDataTag();
    QVERIFY(QDir().mkpath(dir.filePath(folder)));
    const QString whole = folder + "/whole";
    const QString target = folder + "/target";
    QVERIFY(write(flight, dir.path(whole)));
    const qint64 size = QFileInfo(dir.filePath(whole)).size();
    const std::string previous = "the previous file";
    dir.write(target, previous);

    for (const qint64 limit : cutPoints(size)) {
        bool written;
        {
            const FileSizeLimit cut{rlim_t(limit)};
            written = write(flight, dir.path(target));
        }
        QVERIFY2(!written, qPrintable(QString("reported written when cut at %1 of %2 bytes").arg(limit).arg(size)));
        QCOMPARE(dir.read(target), previous);
        QCOMPARE(QDir(dir.filePath(folder)).entryList(QDir::Files), QStringList({"target", "whole"}));
    }
    QVERIFY(write(flight, dir.path(target)));
    QCOMPARE(dir.read(target), dir.read(whole));
}

void TestFullDisk::devicesAreWrittenInPlace()
{
    // A device cannot be replaced by renaming a file onto it; it takes the bytes itself.
    if (!QFileInfo::exists("/dev/full") || !QFileInfo::exists("/dev/null"))
        QSKIP("no /dev/full or /dev/null here");
    NUVQORAFlight &flight = *small.flight;
    CapturedOutput quiet;
    QVERIFY(!flight.save(L"/dev/full"));
    QVERIFY(!flight.exportCSV(L"/dev/full"));
    QVERIFY(flight.save(L"/dev/null"));
    QVERIFY(flight.exportKML(L"/dev/null"));
    QVERIFY(!QFileInfo("/dev/full").isFile());
    QVERIFY(!QFileInfo("/dev/null").isFile());
}

QTEST_GUILESS_MAIN(TestFullDisk)
#include "TestFullDisk.moc"
