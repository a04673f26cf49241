#include "ConsoleSink.h"

#include <QtTest>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

// The console channel is written from the GUI thread and the device links' worker threads at
// once, while tests install plain string streams to collect it.
class TestConsoleSink : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ConsoleSink::setStream(nullptr); }

    void linesOfThreadsPrintingAtOnceArriveWholeAndInOrder()
    {
        constexpr int Threads = 4;
        constexpr int LinesEach = 3000;
        std::ostringstream collected;
        ConsoleSink::setStream(&collected);

        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < LinesEach; ++i) {
                    // Pieces, as the code prints them; every other line ends without a flush.
                    ConsoleSink::out() << "thread " << t << " line " << i;
                    if (i % 2)
                        ConsoleSink::out() << " ends\n";
                    else
                        ConsoleSink::out() << " ends" << std::endl;
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();

        std::istringstream lines(collected.str());
        std::vector<int> next(Threads, 0);
        std::string line;
        int count = 0;
        while (std::getline(lines, line)) {
            int t = -1, i = -1;
            char end[8] = {};
            QVERIFY2(std::sscanf(line.c_str(), "thread %d line %d %4s", &t, &i, end) == 3, line.c_str());
            QVERIFY2(t >= 0 && t < Threads && std::string(end) == "ends", line.c_str());
            QCOMPARE(i, next[t]++);
            ++count;
        }
        QCOMPARE(count, Threads * LinesEach);
    }

    // A line reaches the stream once it ends or is flushed, and only the stream installed then.
    void aLineGoesWholeToTheStreamInstalledWhenItEnds()
    {
        std::ostringstream first, second;
        QVERIFY(ConsoleSink::setStream(&first) != &first);
        ConsoleSink::out() << "Loading";
        QVERIFY(first.str().empty());
        ConsoleSink::out() << "...\nLoa";
        QCOMPARE(first.str(), std::string("Loading...\n"));

        QCOMPARE(ConsoleSink::setStream(&second), &first);
        ConsoleSink::out() << "ded" << std::flush;
        QCOMPARE(second.str(), std::string("Loaded"));
        QCOMPARE(first.str(), std::string("Loading...\n"));
        QCOMPARE(ConsoleSink::setStream(nullptr), &second);
    }
};

QTEST_GUILESS_MAIN(TestConsoleSink)
#include "TestConsoleSink.moc"
