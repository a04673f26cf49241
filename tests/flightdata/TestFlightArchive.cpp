#include "FlightInputArchive.h"
#include "FlightOutputArchive.h"

#include <QtTest>

#include <boost/serialization/string.hpp>

#include <sstream>
#include <string>

namespace {

const std::string header("\x16\0\0\0serialization::archive\x0f\0\x04\x04\x04\x08\x01\0\0\0", 36);

std::string readError(const std::string &bytes)
{
    std::stringbuf buffer(bytes);
    try {
        FlightInputArchive archive(buffer);
        std::string text;
        archive >> text;
    } catch (const boost::archive::archive_exception &e) {
        return e.what();
    }
    return {};
}

} // namespace

class TestFlightArchive : public QObject
{
    Q_OBJECT

private slots:
    void writesAndReadsBack();
    void refusesForeignHeaders_data();
    void refusesForeignHeaders();
    void refusesLengthsBeyondTheEnd();
};

void TestFlightArchive::writesAndReadsBack()
{
    std::stringbuf buffer;
    {
        FlightOutputArchive archive(buffer);
        archive << std::string("abc") << boost::serialization::collection_size_type(1) << true;
    }
    QCOMPARE(buffer.str(), header + std::string("\x03\0\0\0abc\x01\0\0\0\x01", 12));

    FlightInputArchive archive(buffer);
    std::string text;
    boost::serialization::collection_size_type count;
    bool flag = false;
    archive >> text >> count >> flag;
    QCOMPARE(text, std::string("abc"));
    QCOMPARE(std::size_t(count), std::size_t(1));
    QCOMPARE(flag, true);
    QCOMPARE(archive.get_library_version(), boost::serialization::library_version_type(15));
}

void TestFlightArchive::refusesForeignHeaders_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<char>("byte");
    QTest::addColumn<QString>("error");
    QTest::newRow("signature length") << 0 << '\x15' << "invalid signature";
    QTest::newRow("signature text") << 4 << 'S' << "invalid signature";
    QTest::newRow("newer library") << 26 << '\x10' << "unsupported version";
    QTest::newRow("64-bit long") << 29 << '\x08' << "incompatible native format - size of long";
    QTest::newRow("byte order") << 32 << '\x02' << "incompatible native format - endian setting";
}

void TestFlightArchive::refusesForeignHeaders()
{
    QFETCH(int, offset);
    QFETCH(char, byte);
    QFETCH(QString, error);
    std::string bytes = header + std::string("\0\0\0\0", 4);
    QCOMPARE(readError(bytes), std::string());
    bytes[offset] = byte;
    QCOMPARE(QString::fromStdString(readError(bytes)), error);
    QCOMPARE(QString::fromStdString(readError(header.substr(0, offset))), offset < 26 ? QString("invalid signature")
                                                                                     : QString("input stream error"));
}

void TestFlightArchive::refusesLengthsBeyondTheEnd()
{
    // A damaged length must fail before the library allocates for it.
    QCOMPARE(readError(header + std::string("\xff\xff\xff\x7f", 4)), std::string("input stream error"));
    QCOMPARE(readError(header + std::string("\x04\0\0\0abc", 7)), std::string("input stream error"));

    std::stringbuf buffer(header + std::string("\x00\xff\xff\xff", 4));
    FlightInputArchive archive(buffer);
    boost::serialization::collection_size_type count;
    QVERIFY_EXCEPTION_THROWN(archive >> count, boost::archive::archive_exception);
}

QTEST_GUILESS_MAIN(TestFlightArchive)
#include "TestFlightArchive.moc"
