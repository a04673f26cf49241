#include "GraphFixture.h"
#include "QGraphView.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

void showAndPaint(QGraph &graph)
{
    graph.resize(700, 450);
    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    graph.view()->grabFramebuffer();
}

// QTest's mouse moves carry no held button, so the events are sent by hand.
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
int pixelOfTime(const QGraph &graph, double t)
{
    return qRound(graph.first()->dataToPixel(QPointF(t, 0)).x() + graph.view()->offsetX());
}

// Whether a time marker crosses the height of 300 near the given x.
bool markerAt(const QImage &image, int x)
{
    return colourNear(image, QPoint(x, 300), 1, isGreen);
}

} // namespace

// The plot view under a real display: mouse, wheel, keys, zoom slots and shared time markers.
// Every case starts with a graph of one series from (-10, -10) to (10, 10), not yet shown.
class TestGraphView : public QObject
{
    Q_OBJECT

    std::unique_ptr<QGraph> graph_;
    GraphSeries *series_ = nullptr;
    QGraphView *view_ = nullptr;

private slots:
    void init()
    {
        graph_ = std::make_unique<QGraph>();
        series_ = addSeries(*graph_, {{-10, -10}, {10, 10}});
        view_ = graph_->view();
    }

    void cleanup() { graph_.reset(); }

    void zoomKeepsThePointUnderTheMouseWithinLimits()
    {
        showAndPaint(*graph_);
        const QPoint mouse(300, 200);
        wheel(view_, mouse, 1);
        QCOMPARE(view_->scaleX(), 1.25);
        QCOMPARE(view_->scaleY(), 1.25);
        QCOMPARE(view_->offsetX(), -0.25 * mouse.x());
        QCOMPARE(view_->offsetY(), -0.25 * mouse.y());

        // The wheel never shows less than the whole canvas nor more than the maximum magnification;
        // the zoom slots only stop at the maximum.
        wheel(view_, mouse, -3);
        QCOMPARE(view_->scaleX(), 1.0);
        QCOMPARE(view_->offsetX(), 0.0);

        view_->zoomX(19.0f);
        view_->zoomY(19.0f);
        wheel(view_, mouse, 1);
        QCOMPARE(view_->scaleX(), 20.0);
        QCOMPARE(view_->scaleY(), 20.0);
        view_->zoomX(0.03125f);
        QCOMPARE(view_->scaleX(), 0.625);
    }

    void dragPansWithinTheCanvasAndEveryReleaseIsReported()
    {
        showAndPaint(*graph_);
        QSignalSpy updated(view_, &QGraphView::timelinesUpdated);
        view_->zoomX(2.0f);
        view_->zoomY(2.0f);
        const double startX = view_->offsetX(), startY = view_->offsetY();
        drag(view_, QPoint(300, 200), QPoint(250, 180));
        QCOMPARE(view_->offsetX(), startX - 50);
        QCOMPARE(view_->offsetY(), startY - 20);
        drag(view_, QPoint(10, 10), QPoint(690, 440));
        QCOMPARE(view_->offsetX(), 0.0);
        QCOMPARE(view_->offsetY(), 0.0);
        QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QCOMPARE(updated.count(), 3);
    }

    void editModeClickAddsATimelineAndDeleteRemovesTheGrabbedOne()
    {
        showAndPaint(*graph_);
        const QPoint click(500, 100);
        QTest::keyClick(view_, Qt::Key_Space);
        QVERIFY(view_->isEditMode());
        QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, click);
        QCOMPARE(view_->timelines()->size(), 1);
        const double expected = graph_->first()->pixelToData(QPointF(click.x(), 0)).x();
        QVERIFY(std::abs(*view_->timelines()->first() - expected) < 1e-4);

        QTest::keyClick(view_, Qt::Key_Space);
        QVERIFY(!view_->isEditMode());
        QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, QPoint(click.x() + 5, 300));
        QCOMPARE(view_->selectedTimeline(), view_->timelines()->first());
        QTest::keyClick(view_, Qt::Key_Delete);
        QVERIFY(view_->timelines()->isEmpty());
        QTest::keyClick(view_, Qt::Key_Delete);
        QVERIFY(view_->timelines()->isEmpty());
    }

    void draggedTimelineMovesInEveryViewThatSharesIt()
    {
        QGraph right;
        addSeries(right, {{-10, -10}, {10, 10}});
        right.view()->setTimelines(view_->timelines());
        connect(view_, &QGraphView::timelinesUpdated, right.view(), qOverload<>(&QWidget::update));
        view_->timelines()->append(Timeline::create(2.0f));
        showAndPaint(*graph_);
        showAndPaint(right);

        const int from = pixelOfTime(*graph_, 2.0);
        const int to = from + 120;
        QVERIFY(markerAt(right.view()->grabFramebuffer(), pixelOfTime(right, 2.0)));
        drag(view_, QPoint(from, 300), QPoint(to, 300));
        const double moved = graph_->first()->pixelToData(QPointF(to, 0)).x();
        QVERIFY(std::abs(*right.view()->timelines()->first() - moved) < 1e-4);

        const QImage picture = right.view()->grabFramebuffer();
        QVERIFY(markerAt(picture, pixelOfTime(right, moved)));
        QVERIFY(!markerAt(picture, from));
        QVERIFY(markerAt(view_->grabFramebuffer(), to));

        right.view()->setTimelines(TimelineList());
        QVERIFY(right.view()->timelines()->isEmpty());
        QVERIFY(!markerAt(right.view()->grabFramebuffer(), to));
    }

    void originStaysClearOfTheAxisBands()
    {
        for (int i = 0; i < 2; ++i)
            addSeries(*graph_, {{-10, -10}, {10, 10}});
        showAndPaint(*graph_);
        QTest::keyClick(view_, Qt::Key_Space);
        drag(view_, view_->originPosition().toPoint(), QPoint(0, 0));
        QCOMPARE(view_->originPosition().toPoint(), QPoint(240, 180));
        drag(view_, view_->originPosition().toPoint(), QPoint(view_->width() - 1, view_->height() - 1));
        QCOMPARE(view_->originPosition().toPoint(), QPoint(view_->width() - 180, view_->height() - 180));
    }

    // A page shows its graphs once before its layout gives them their size: the bands of that
    // small view must not push the origin away for good.
    void originComesBackWhenTheViewGrows()
    {
        series_->points = {{0, 0}, {10, 10}};
        series_->resetBounds();
        series_->extendBounds(QPointF(0, 0));
        series_->extendBounds(QPointF(10, 10));
        view_->optimizeAxis(); // lower left corner
        graph_->resize(300, 100);
        graph_->show();
        QVERIFY(QTest::qWaitForWindowExposed(graph_.get()));
        QVERIFY(view_->originPosition().x() >= 120);

        graph_->resize(900, 600);
        QTRY_COMPARE(view_->width(), 900);
        QCOMPARE(view_->originPosition().toPoint(), QPoint(120, view_->height() - 60));
    }

    void trackingCentresTheNewestPoint()
    {
        showAndPaint(*graph_);
        view_->zoomX(4.0f);
        view_->zoomY(4.0f);
        view_->setTracking(true);
        view_->setTracker(series_);
        series_->points.append(QPointF(3, -2));
        view_->grabFramebuffer();
        const auto newest = [this] {
            return graph_->first()->dataToPixel(QPointF(3, -2)) + QPointF(view_->offsetX(), view_->offsetY());
        };
        const QPointF centred = newest();
        QVERIFY(std::abs(centred.x() - view_->width() / 2) <= 1);
        QVERIFY(std::abs(centred.y() - view_->height() / 2) <= 1);

        view_->removeTracker();
        series_->points.append(QPointF(9, 9));
        view_->grabFramebuffer();
        QCOMPARE(newest(), centred);
    }

    void legendShowsEverySeriesOnceAndAGraphNeverShownIsDestroyedCleanly()
    {
        QGraph graph;
        addSeries(graph, {{1, 1}}, Qt::red)->setName(QStringLiteral("Altitude"));
        addSeries(graph, {{1, 1}}, Qt::green)->setName(QStringLiteral("Speed"));
        graph.updateLegend();
        graph.updateLegend();
        graph.view()->zoomX(2.0f);
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
};

QTEST_MAIN(TestGraphView)
#include "TestGraphView.moc"
