// Full redraw time of a plot view at 1600 x 900 holding one series of 1,000,000 points or ten
// series of 100,000 points of a noisy signal, from the update request until the frame is on
// the display and the GL pipeline has finished. Needs a display (xvfb-run -a works).
// Target: under 30 ms per redraw.
#include "Axis.h"
#include "GraphSeries.h"
#include "QGraphView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int redraws = 25;
const QSize viewSize(1600, 900);

Axis *axisWithSeries(int seriesCount, int pointsPerSeries)
{
    auto *axis = new Axis(QPen(Qt::black), QPen(Qt::black), QPen(Qt::gray), QPen(Qt::black));
    axis->xUnit = QStringLiteral("s");
    axis->yUnit = QStringLiteral("m");
    for (int s = 0; s < seriesCount; ++s) {
        auto *series = new GraphSeries(QPen(QColor::fromHsv(s * 36, 255, 200), 2), QPen(Qt::black),
                                       QBrush(Qt::white), 2.0f);
        series->points.reserve(pointsPerSeries);
        for (int i = 0; i < pointsPerSeries; ++i) {
            const double t = i * 600.0 / pointsPerSeries;
            const QPointF p(t, 1000 * std::sin(t / 90 + s) + 40 * std::sin(t * 11) + (i * 7919 % 101) - 50);
            series->points.append(p);
            series->extendBounds(p);
        }
        axis->series.append(series);
    }
    return axis;
}

struct Timing {
    double median, best, worst;
};

template<typename Redraw>
Timing measure(Redraw redraw)
{
    redraw();
    std::vector<double> ms;
    for (int i = 0; i < redraws; ++i) {
        QElapsedTimer timer;
        timer.start();
        redraw();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void report(const char *what, const Timing &timing)
{
    std::printf("%-44s median %7.2f ms   best %7.2f ms   worst %7.2f ms\n", what, timing.median, timing.best, timing.worst);
}

void run(const char *title, int seriesCount, int pointsPerSeries)
{
    QList<Axis *> axes{axisWithSeries(seriesCount, pointsPerSeries)};
    QGraphView view(&axes);
    view.resize(viewSize);
    view.show();
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    std::printf("%s\n", title);
    bool swapped = false;
    QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&] { swapped = true; });
    const auto onScreen = [&] {
        swapped = false;
        view.update();
        while (!swapped)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        view.makeCurrent();
        view.context()->functions()->glFinish();
        view.doneCurrent();
    };
    report("  whole flight", measure(onScreen));
    view.zoomX(8.0f);
    report("  zoomed 8x in time", measure(onScreen));

    qDeleteAll(axes);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    std::printf("Redraw of a %dx%d plot view, %d redraws each (%s)\n", viewSize.width(), viewSize.height(), redraws,
                qPrintable(QGuiApplication::platformName()));
    run("empty series (the cost of an empty view)", 1, 0);
    run("1 series of 1,000,000 points", 1, 1000000);
    run("10 series of 100,000 points", 10, 100000);
    return 0;
}
