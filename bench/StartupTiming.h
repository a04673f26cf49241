#pragma once

#include <QObject>

// The two halves of a start-up benchmark. The parent half starts this same program afresh for
// each run, as a child process marked by an environment variable, and prints each run, the median
// and the slowest. In the child, an object of this class notes the first paint of what it is
// installed on as an event filter and the device's connection, reports both on standard error
// and quits the program.
class StartupTiming : public QObject
{
public:
    // Milliseconds on the monotonic clock, which parent and child share.
    static double monotonicMs();

    // The parent half; argv[1] is the number of runs (5 when absent).
    static int runParent(int argc, char *argv[], const char *childMark, const char *deviceName);

    void connected();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reportWhenBothSeen();

    double m_paintedAt = 0;
    double m_connectedAt = 0;
};
