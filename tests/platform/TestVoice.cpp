#include "ConsoleSink.h"
#include "QueuedVoice.h"
#include "SpeechMarkup.h"
#include "Voice.h"
#include "VoiceRecorder.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <sstream>

using Segments = QVector<SpeechSegment>;
Q_DECLARE_METATYPE(Segments)

namespace QTest {
template<>
char *toString(const Segments &segments)
{
    QStringList parts;
    for (const SpeechSegment &s : segments)
        parts << QStringLiteral("\"%1\" rate %2 pitch %3").arg(s.text).arg(s.rate).arg(s.pitch);
    return qstrdup(qPrintable(QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']')));
}
} // namespace QTest

namespace {

SpeechSegment plain(const QString &text, double rate = 0)
{
    return {text, rate, 0};
}

SpeechSegment emphasised(const QString &text, double rate = 0)
{
    return {text, rate, SpeechMarkup::emphasisPitch};
}

// An engine that speaks only when the test says so, and notes whether it was ever handed a
// segment while still speaking one.
class ScriptedEngineVoice : public QueuedVoice
{
public:
    using QueuedVoice::setPatience;

    QStringList started;
    int stops = 0;
    bool overlapped = false;
    bool failsAtOnce = false; // a broken engine reports the end inside the call that starts

    void finishCurrent()
    {
        speaking = false;
        segmentFinished();
    }

protected:
    void startSegment(const SpeechSegment &segment) override
    {
        overlapped = overlapped || speaking;
        started << segment.text;
        speaking = true;
        if (failsAtOnce)
            finishCurrent();
    }
    void stopSegment() override
    {
        ++stops;
        speaking = false;
    }

private:
    bool speaking = false;
};

} // namespace

class TestVoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    // First, as the console line is printed once in the life of the process.
    void withoutAnEngineTheVoiceIsMuteAndSaysSoOnce();

    void markup_data();
    void markup();

    void queueSpeaksEverythingInOrderOneAtATime();
    void queueDrainsAnEngineThatFailsAtOnce();
    void queueIgnoresAnEndNoticeWhileIdle();
    void anEngineThatStopsAnsweringIsGivenUp();

    void recorderKeepsTextsInOrderAcrossVoices();

private:
    QTemporaryDir noPlugins;
};

void TestVoice::initTestCase()
{
    // No engine can be found, whatever this machine has installed.
    qputenv("QT_PLUGIN_PATH", QByteArray());
    QCoreApplication::setLibraryPaths({noPlugins.path()});
}

void TestVoice::withoutAnEngineTheVoiceIsMuteAndSaysSoOnce()
{
    std::ostringstream console;
    ConsoleSink::setStream(&console);
    const auto restore = qScopeGuard([] { ConsoleSink::setStream(nullptr); });
    QVERIFY(!Voice::create());
    QVERIFY(!Voice::create());
    {
        VoiceRecorder recorder;
        QVERIFY(Voice::create());
    }
    QVERIFY(!Voice::create()); // the recorder gone, the engines are asked again

    ScriptedEngineVoice stuck;
    stuck.setPatience(10, 0);
    stuck.speak("never finished");
    QTRY_COMPARE(stuck.stops, 1);
    QCOMPARE(console.str(), std::string("Voice muted: no text-to-speech engine is installed\n"));
}

void TestVoice::markup_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<Segments>("expected");

    QTest::newRow("plain text") << "Voice initialized" << Segments{plain("Voice initialized")};
    QTest::newRow("slower") << "<rate speed='-1'>Voice initialized</rate>"
                            << Segments{plain("Voice initialized", -0.1)};
    QTest::newRow("slow and emphasised") << "<rate speed='-3'><emph>Launch detected!</emph></rate>"
                                         << Segments{emphasised("Launch detected!", -0.3)};
    QTest::newRow("normal rate, emphasised")
        << "<rate speed='0'><emph>Locked on to 7 satellites.</emph></rate>"
        << Segments{emphasised("Locked on to 7 satellites.")};
    QTest::newRow("nested rates add up") << "<rate speed='2'>a<rate speed='3'>b</rate>c</rate>d"
                                         << Segments{plain("a", 0.2), plain("b", 0.5), plain("c", 0.2), plain("d")};
    QTest::newRow("sum held to the range") << "<rate speed='8'><rate speed='8'>x</rate></rate><rate speed='-30'>y</rate>"
                                            << Segments{plain("x", 1), plain("y", -1)};
    QTest::newRow("empty rate element changes the rest of its parent")
        << "<emph>a<rate speed='-2'/>b</emph>c"
        << Segments{emphasised("a"), emphasised("b", -0.2), plain("c")};
    QTest::newRow("any case, double quotes, spaces") << "<RATE Speed = \"-3\" >x</Rate>"
                                                     << Segments{plain("x", -0.3)};
    QTest::newRow("emphasis inside a sentence") << "The <emph>rocket</emph> has landed"
                                                << Segments{plain("The"), emphasised("rocket"), plain("has landed")};
    QTest::newRow("spacing between elements keeps words apart")
        << "<emph>GPS</emph> <emph>lock</emph>" << Segments{emphasised("GPS lock")};
    QTest::newRow("unknown tags are not spoken") << "<silence msec='500'/>Apogee <bookmark mark='x'/>detected"
                                                 << Segments{plain("Apogee detected")};
    QTest::newRow("entities") << "Fish &amp; chips &lt;3 &quot;ok&quot; &apos;n&apos;"
                              << Segments{plain("Fish & chips <3 \"ok\" 'n'")};
    QTest::newRow("a '<' that opens no tag") << "a < b <emph>c</emph> d<"
                                             << Segments{plain("a < b"), emphasised("c"), plain("d<")};
    QTest::newRow("unclosed element runs to the end") << "<rate speed='-3'>slow" << Segments{plain("slow", -0.3)};
    QTest::newRow("stray closing tags") << "</rate>plain</emph>" << Segments{plain("plain")};
    QTest::newRow("closing a parent closes what it holds") << "<rate speed='5'><emph>a</rate>b"
                                                           << Segments{emphasised("a", 0.5), plain("b")};
    QTest::newRow("speed that is not a number") << "<rate speed='fast'>x</rate>" << Segments{plain("x")};
    QTest::newRow("nothing to say") << "<rate speed='1'> <emph></emph> </rate>" << Segments{};
}

void TestVoice::markup()
{
    QFETCH(QString, markup);
    QFETCH(Segments, expected);
    QCOMPARE(SpeechMarkup::parse(markup), expected);
}

void TestVoice::queueSpeaksEverythingInOrderOneAtATime()
{
    ScriptedEngineVoice voice;
    voice.speak("<rate speed='-3'><emph>Launch detected!</emph></rate>");
    voice.speak("The <emph>rocket</emph> has landed");
    voice.speak("<emph></emph>");
    voice.speak("GPS altitude: 1200 meters.");
    QCOMPARE(voice.started, QStringList{"Launch detected!"});

    const QStringList all{"Launch detected!", "The", "rocket", "has landed", "GPS altitude: 1200 meters."};
    for (int i = 1; i < all.size(); ++i) {
        voice.finishCurrent();
        QCOMPARE(voice.started.size(), i); // the next waits for the event loop, not the engine's call
        QTRY_COMPARE(voice.started.size(), i + 1);
        if (i == 2)
            voice.speak("Coasting"); // arrives while the queue is busy: goes to the end
    }
    voice.finishCurrent();
    QTRY_COMPARE(voice.started, all + QStringList{"Coasting"});
    voice.finishCurrent();
    QTest::qWait(10);
    QCOMPARE(voice.started.size(), all.size() + 1);
    QVERIFY(!voice.overlapped);

    voice.speak("Pad"); // idle again: starts at once
    QCOMPARE(voice.started.last(), QString("Pad"));
}

void TestVoice::queueDrainsAnEngineThatFailsAtOnce()
{
    ScriptedEngineVoice voice;
    voice.failsAtOnce = true;
    for (int i = 0; i < 200; ++i)
        voice.speak(QString::number(i));
    QTRY_COMPARE(voice.started.size(), 200);
    for (int i = 0; i < 200; ++i)
        QCOMPARE(voice.started[i], QString::number(i));
    QVERIFY(!voice.overlapped);
}

void TestVoice::queueIgnoresAnEndNoticeWhileIdle()
{
    ScriptedEngineVoice voice;
    voice.finishCurrent(); // an engine's notice with nothing given to it
    voice.speak("one");
    voice.speak("two");
    voice.finishCurrent();
    voice.finishCurrent(); // a second notice for the same segment must not skip "two"'s turn
    QTRY_COMPARE(voice.started, (QStringList{"one", "two"}));
    voice.speak("three");
    QTest::qWait(10);
    QCOMPARE(voice.started.size(), 2); // "two" is still being spoken
    QVERIFY(!voice.overlapped);
}

void TestVoice::anEngineThatStopsAnsweringIsGivenUp()
{
    ScriptedEngineVoice voice;
    voice.setPatience(100, 20);
    voice.speak("one");                      // 160 ms allowed
    voice.speak(QString(20, QLatin1Char('x'))); // 500 ms allowed
    voice.speak("three");
    QTest::qWait(130);
    voice.finishCurrent(); // slow, but in time
    QTRY_COMPARE(voice.started.size(), 2);
    QTest::qWait(400);
    QCOMPARE(voice.stops, 0); // a long segment is given more time
    QTRY_COMPARE(voice.stops, 1);

    voice.speak("four");
    voice.finishCurrent();
    QTest::qWait(50);
    QCOMPARE(voice.started.size(), 2); // mute from then on: "three" and "four" are dropped
}

void TestVoice::recorderKeepsTextsInOrderAcrossVoices()
{
    std::unique_ptr<Voice> outlives;
    {
        VoiceRecorder recorder;
        auto first = Voice::create();
        outlives = Voice::create();
        QVERIFY(first && outlives);
        first->speak("<rate speed='-1'>Voice initialized</rate>");
        outlives->speak("<rate speed='-3'><emph>Pad</emph></rate>");
        first->speak("a");
        QCOMPARE(recorder.texts(),
                 (QStringList{"<rate speed='-1'>Voice initialized</rate>", "<rate speed='-3'><emph>Pad</emph></rate>", "a"}));
        recorder.clear();
        first->speak("b");
        QCOMPARE(recorder.texts(), QStringList{"b"});
    }
    outlives->speak("after the recorder has gone");
}

QTEST_GUILESS_MAIN(TestVoice)
#include "TestVoice.moc"
