#include "Axis.h"
#include "GraphSeries.h"
#include "QGraph.h"
#include "QGraphView.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

const QSize graphSize(700, 450);

GraphSeries *addSeries(QGraph &graph, const QVector<QPointF> &points, const QString &name = QString(),
                       const QColor &colour = Qt::blue)
{
    auto *axis = new Axis(QPen(Qt::black), QPen(Qt::black), QPen(Qt::gray), QPen(Qt::black));
    auto *series = new GraphSeries(QPen(colour, 2), QPen(Qt::black), QBrush(Qt::yellow), 2.0f);
    series->setName(name);
    for (const QPointF &p : points) {
        series->points.append(p);
        series->extendBounds(p);
    }
    axis->series.append(series);
    graph.append(axis);
    return series;
}

void showAndPaint(QGraph &graph)
{
    graph.resize(graphSize);
    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    graph.view()->grabFramebuffer();
}

void sendMouse(QWidget *widget, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drag(QWidget *widget, QPoint from, QPoint to)
{
    sendMouse(widget, QEvent::MouseButtonPress, from);
    sendMouse(widget, QEvent::MouseMove, (from + to) / 2);
    sendMouse(widget, QEvent::MouseMove, to);
    sendMouse(widget, QEvent::MouseButtonRelease, to);
}

void wheel(QWidget *widget, QPoint at, int notches)
{
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// Widget x of a time on the first axis, as painted last.
int pixelOfTime(const QGraphView *view, const QGraph &graph, double t)
{
    return qRound(graph.first()->dataToPixel(QPointF(t, 0)).x() + view->offsetX());
}

bool hasGreenColumnNear(const QImage &image, int x, int y)
{
    for (int dx = -1; dx <= 1; ++dx) {
        const QColor c = image.pixelColor(x + dx, y);
        if (c.green() > 200 && c.red() < 160 && c.blue() < 160)
            return true;
    }
    return false;
}

} // namespace

// The plot view under a real display: mouse, wheel, keys, zoom slots and shared time markers.
class TestGraphView : public QObject
{
    Q_OBJECT

private slots:
    void zoomKeepsThePointUnderTheMouseWithinLimits()
    {
        QGraph graph;
        addSeries(graph, {{-10, -10}, {10, 10}});
        showAndPaint(graph);
        QGraphView *view = graph.view();
        const QPoint mouse(300, 200);
        wheel(view, mouse, 1);
        QCOMPARE(view->scaleX(), 1.25);
        QCOMPARE(view->scaleY(), 1.25);
        QCOMPARE(view->offsetX(), -0.25 * mouse.x());
        QCOMPARE(view->offsetY(), -0.25 * mouse.y());

        wheel(view, mouse, -3);
        QCOMPARE(view->scaleX(), 1.0);
        QCOMPARE(view->offsetX(), 0.0);

        view->zoomX(19.0f);
        view->zoomY(19.0f);
        wheel(view, mouse, 1);
        QCOMPARE(view->scaleX(), 20.0);
        QCOMPARE(view->scaleY(), 20.0);

        // The menu's zoom doubles about the centre; no zoom goes below the whole canvas.
        view->fit();
        graph.zoomX();
        QCOMPARE(view->scaleX(), 2.0);
        QCOMPARE(view->offsetX(), -double(view->width() / 2));
        view->zoomX(0.01f);
        QCOMPARE(view->scaleX(), 1.0);
        QCOMPARE(view->offsetX(), 0.0);
    }

    void dragPansWithinTheCanvas()
    {
        QGraph graph;
        addSeries(graph, {{-10, -10}, {10, 10}});
        showAndPaint(graph);
        QGraphView *view = graph.view();
        view->zoomX(2.0f);
        view->zoomY(2.0f);
        const double startX = view->offsetX(), startY = view->offsetY();
        drag(view, QPoint(300, 200), QPoint(250, 180));
        QCOMPARE(view->offsetX(), startX - 50);
        QCOMPARE(view->offsetY(), startY - 20);
        drag(view, QPoint(10, 10), QPoint(690, 440));
        QCOMPARE(view->offsetX(), 0.0);
        QCOMPARE(view->offsetY(), 0.0);
    }

    void everyReleaseEmitsTimelinesUpdated()
    {
        QGraph graph;
        addSeries(graph, {{-10, -10}, {10, 10}});
        showAndPaint(graph);
        QSignalSpy updated(graph.view(), &QGraphView::timelinesUpdated);
        QTest::mouseClick(graph.view(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QCOMPARE(updated.count(), 1);
    }

    void editModeClickAddsATimelineAndDeleteRemovesTheGrabbedOne()
    {
        QGraph graph;
        addSeries(graph, {{-10, -10}, {10, 10}});
        showAndPaint(graph);
        QGraphView *view = graph.view();
        const QPoint click(500, 100);
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(view->isEditMode());
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, click);
        QCOMPARE(view->timelines()->size(), 1);
        const double expected = graph.first()->pixelToData(QPointF(click.x(), 0)).x();
        QVERIFY(std::abs(*view->timelines()->first() - expected) < 1e-4);

        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(!view->isEditMode());
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(click.x() + 5, 300));
        QCOMPARE(view->selectedTimeline(), view->timelines()->first());
        QTest::keyClick(view, Qt::Key_Delete);
        QVERIFY(view->timelines()->isEmpty());
        QTest::keyClick(view, Qt::Key_Delete);
        QVERIFY(view->timelines()->isEmpty());
    }

    void draggedTimelineMovesInEveryViewThatSharesIt()
    {
        QGraph left, right;
        addSeries(left, {{-10, -10}, {10, 10}});
        addSeries(right, {{-10, -10}, {10, 10}});
        right.view()->setTimelines(left.view()->timelines());
        connect(left.view(), &QGraphView::timelinesUpdated, right.view(), qOverload<>(&QWidget::update));
        left.view()->timelines()->append(Timeline::create(2.0f));
        showAndPaint(left);
        showAndPaint(right);

        const int from = pixelOfTime(left.view(), left, 2.0);
        const int to = from + 120;
        QVERIFY(hasGreenColumnNear(right.view()->grabFramebuffer(), pixelOfTime(right.view(), right, 2.0), 300));
        drag(left.view(), QPoint(from, 300), QPoint(to, 300));
        const double moved = left.first()->pixelToData(QPointF(to, 0)).x();
        QVERIFY(std::abs(*right.view()->timelines()->first() - moved) < 1e-4);

        const QImage picture = right.view()->grabFramebuffer();
        QVERIFY(hasGreenColumnNear(picture, pixelOfTime(right.view(), right, moved), 300));
        QVERIFY(!hasGreenColumnNear(picture, from, 300));
        QVERIFY(hasGreenColumnNear(left.view()->grabFramebuffer(), to, 300));

        right.view()->setTimelines(TimelineList());
        QVERIFY(right.view()->timelines()->isEmpty());
        QVERIFY(!hasGreenColumnNear(right.view()->grabFramebuffer(), to, 300));
    }

    void originStaysClearOfTheAxisBands()
    {
        QGraph graph;
        for (int i = 0; i < 3; ++i)
            addSeries(graph, {{-10, -10}, {10, 10}});
        showAndPaint(graph);
        QGraphView *view = graph.view();
        QTest::keyClick(view, Qt::Key_Space);
        drag(view, view->originPosition().toPoint(), QPoint(0, 0));
        QCOMPARE(view->originPosition().toPoint(), QPoint(240, 180));
        drag(view, view->originPosition().toPoint(), QPoint(view->width() - 1, view->height() - 1));
        QCOMPARE(view->originPosition().toPoint(), QPoint(view->width() - 180, view->height() - 180));

        // Fit shows the whole canvas again and keeps the origin where the user put it.
        view->zoomX(3.0f);
        drag(view, QPoint(30, 30), QPoint(200, 100));   // space still on: adds a marker and pans
        const float fractionX = view->originFractionX();
        view->fit();
        QCOMPARE(view->scaleX(), 1.0);
        QCOMPARE(view->offsetX(), 0.0);
        QCOMPARE(view->originFractionX(), fractionX);
    }

    void trackingCentresTheNewestPoint()
    {
        QGraph graph;
        GraphSeries *series = addSeries(graph, {{-10, -10}, {10, 10}});
        showAndPaint(graph);
        QGraphView *view = graph.view();
        view->zoomX(4.0f);
        view->zoomY(4.0f);
        view->setTracking(true);
        view->setTracker(series);
        series->points.append(QPointF(3, -2));
        view->grabFramebuffer();
        const QPointF newest = graph.first()->dataToPixel(QPointF(3, -2)) + QPointF(view->offsetX(), view->offsetY());
        QVERIFY(std::abs(newest.x() - view->width() / 2) <= 1);
        QVERIFY(std::abs(newest.y() - view->height() / 2) <= 1);

        view->removeTracker();
        series->points.append(QPointF(9, 9));
        view->grabFramebuffer();
        const QPointF unchanged = graph.first()->dataToPixel(QPointF(3, -2)) + QPointF(view->offsetX(), view->offsetY());
        QCOMPARE(unchanged, newest);
    }

    void legendShowsEverySeriesOnce()
    {
        QGraph graph;
        addSeries(graph, {{1, 1}}, QStringLiteral("Altitude"), Qt::red);
        addSeries(graph, {{1, 1}}, QStringLiteral("Speed"), Qt::green);
        graph.updateLegend();
        graph.updateLegend();
        QStringList names;
        QList<QColor> swatches;
        for (const QLabel *label : graph.findChildren<QLabel *>()) {
            if (label->text().isEmpty())
                swatches << label->palette().color(QPalette::Window);
            else
                names << label->text();
        }
        QCOMPARE(names, QStringList({"Altitude -> ", "Speed -> "}));
        QCOMPARE(swatches, QList<QColor>({Qt::red, Qt::green}));
    }

    void graphNeverShownIsDestroyedCleanly()
    {
        auto *graph = new QGraph;
        addSeries(*graph, {{1, 1}});
        graph->view()->zoomX(2.0f);
        delete graph;
    }
};

QTEST_MAIN(TestGraphView)
#include "TestGraphView.moc"
