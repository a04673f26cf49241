#include "GraphFixture.h"
#include "PolylineThinner.h"
#include "QGraphView.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>

// Paints graphs into images and checks where lines, ticks, labels and markers fall.
class TestGraphPainting : public QObject
{
    Q_OBJECT

    // On a white background unless told otherwise, so that blended colours are known.
    static QImage render(QGraph &graph, bool overview = false, const QColor &background = Qt::white)
    {
        QPalette palette = graph.view()->palette();
        palette.setColor(QPalette::Window, background);
        graph.view()->setPalette(palette);
        graph.view()->showOverview(overview);
        graph.view()->resize(400, 300);
        QImage image(400, 300, QImage::Format_RGB32);
        QPainter painter(&image);
        graph.view()->paintGraph(painter);
        return image;
    }

    // The annotations' translucent green over white.
    static bool isAnnotationBackground(QRgb c)
    {
        return std::abs(qRed(c) - 59) <= 2 && std::abs(qGreen(c) - 209) <= 2 && std::abs(qBlue(c) - 59) <= 2;
    }

private slots:
    void axisSeriesAndTimelinesFallAroundTheOrigin()
    {
        QGraph graph;
        addSeries(graph, {{-10, -10}, {10, 10}});
        Axis *axis = graph.first();
        graph.view()->timelines()->append(Timeline::create(7.5f));
        const QImage image = render(graph);
        // Origin at the canvas centre; x step 5 s at 15.4 px/s, y step 5 m at 11.5 px/m.
        QCOMPARE(axis->originX, 200.f);
        QCOMPARE(axis->tickStepX(), 5.0);
        QCOMPARE(axis->tickStepY(), 5.0);
        QVERIFY(isBlack(image.pixel(120, 149)) && isBlack(image.pixel(120, 150)));
        QVERIFY(isBlack(image.pixel(199, 40)) && isBlack(image.pixel(200, 40)));

        const int u = int(5 * axis->scaleX());
        QVERIFY(isRed(image.pixel(200 + u, 152)));           // below the axis line
        QVERIFY(!colourNear(image, QPoint(200 + u, 146), 1, isRed));
        QVERIFY(isRed(image.pixel(200 - u - 1, 152)));
        const int v = int(5 * axis->scaleY());
        QVERIFY(isRed(image.pixel(198, 150 - v - 1)));        // left of the vertical axis

        // The label of the tick at 5 s stands centred under it, one label height plus 6 below.
        const QRect textBox = QFontMetrics(graph.view()->font()).boundingRect(QStringLiteral("5 s"));
        const int labelTop = 150 + textBox.height() + 6;
        const QRect label(200 + u - textBox.width() / 2, labelTop, textBox.width(), textBox.height());
        QVERIFY(countColour(image, label, isBlue) > 5);
        QCOMPARE(countColour(image, QRect(label.left(), 155, label.width(), labelTop - 155), isBlue), 0);

        // The first axis' scale also stands in the fixed band at x = 60, with its 0 tick.
        QVERIFY(isBlack(image.pixel(60, 40)));
        QVERIFY(isRed(image.pixel(58, 150)));

        QVERIFY(colourNear(image, axis->dataToPixel(QPointF(5, 5)).toPoint(), 1, isMagenta));
        QVERIFY(!colourNear(image, axis->dataToPixel(QPointF(5, -5)).toPoint(), 3, isMagenta));
        const int timelineX = qRound(axis->dataToPixel(QPointF(7.5, 0)).x());
        QVERIFY(colourNear(image, QPoint(timelineX, 110), 1, isGreen));
        QVERIFY(colourNear(image, QPoint(timelineX, 280), 1, isGreen));
        QVERIFY(!colourNear(image, QPoint(timelineX + 10, 280), 3, isGreen));
    }

    void markersStandAtTheLabelledPointsOnly()
    {
        QGraph graph;
        addSeries(graph, {{-8, -8}, {-5, -5}, {0, 0}, {10, 10}})->markersVisible = true;
        const QImage image = render(graph);
        // Labels, and so markers, go to the first point and then to points at least 100 pixels further.
        const auto markedAt = [&](double t) {
            return colourNear(image, graph.first()->dataToPixel(QPointF(t, t)).toPoint(), 1, isYellow);
        };
        QVERIFY(markedAt(-8) && !markedAt(-5) && markedAt(0));
    }

    void lineBetweenPointsBeyondBothEdgesIsDrawn()
    {
        QGraph graph;
        addSeries(graph, {{-10, -10}, {10, 10}});
        graph.view()->resize(400, 300);
        graph.view()->zoomX(20.0f);
        graph.view()->zoomY(20.0f);
        const QImage image = render(graph);
        const QPointF offset(graph.view()->offsetX(), graph.view()->offsetY());
        for (double x : {-0.3, 0.2, 0.4}) {
            const QPoint onLine = (graph.first()->dataToPixel(QPointF(x, x)) + offset).toPoint();
            QVERIFY(image.rect().contains(onLine));
            QVERIFY2(colourNear(image, onLine, 1, isMagenta), qPrintable(QString::number(x)));
        }
    }

    void overviewBoxShowsTheVisiblePartOnlyWhenOn()
    {
        QGraph graph;
        const QRect box(300, 0, 100, 100);
        const QColor background(200, 220, 240);
        QImage image = render(graph, true, background); // without axes: only the overview
        QCOMPARE(image.pixelColor(50, 250), background);
        QVERIFY(image.pixelColor(box.center()) != QColor(Qt::white));

        addSeries(graph, {{-10, -10}, {10, 10}});
        image = render(graph, true);
        // At scale 1 the whole canvas is visible: the box is orange over white.
        const QColor corner = image.pixelColor(box.right() - 2, 95);
        QVERIFY2(corner.red() > 240 && std::abs(corner.green() - 191) < 10 && std::abs(corner.blue() - 128) < 10,
                 qPrintable(corner.name()));

        // Zoomed about the centre, only the middle quarter of the box is marked.
        graph.view()->zoomX(4.0f);
        image = render(graph, true);
        QCOMPARE(image.pixelColor(box.left() + 2, 95), QColor(Qt::white));
        QVERIFY(image.pixelColor(box.center().x(), 95) != QColor(Qt::white));
        QCOMPARE(render(graph, false).pixelColor(box.center().x(), 95), QColor(Qt::white));
    }

    void annotationsAtTheSamePlaceAreStacked()
    {
        const auto annotationRows = [](int count) {
            QGraph graph;
            addSeries(graph, {{-10, -10}, {10, 10}});
            for (int i = 0; i < count; ++i)
                graph.first()->annotations.append({QPointF(-6, 4), QStringLiteral("Apogee")});
            const QImage image = render(graph);
            int top = image.height(), bottom = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < 200; ++x)
                    if (isAnnotationBackground(image.pixel(x, y))) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
            return bottom - top + 1;
        };
        const int single = annotationRows(1);
        QVERIFY(single > 5);
        QCOMPARE(annotationRows(2), single + 20);
    }

    void annotationsKeepClearOfPointLabels()
    {
        QGraph graph;
        addSeries(graph, {{-10, -10}, {10, 10}});
        Axis *axis = graph.first();
        // The second is stacked onto the point label of (10, 10) and has to move out of its way.
        axis->annotations = {{QPointF(10, 10), QStringLiteral("Apogee")}, {QPointF(10, 10), QStringLiteral("Line A")}};
        const QImage image = render(graph);

        const QFontMetricsF metrics(graph.view()->font());
        const QPointF point = axis->dataToPixel(QPointF(10, 10));
        const QRectF label(point.x(), point.y() - 20 - metrics.ascent(), metrics.horizontalAdvance(QStringLiteral("10 m")),
                           metrics.height());
        QCOMPARE(countColour(image, label.toAlignedRect().adjusted(1, 1, -1, -1), isAnnotationBackground), 0);
        // Both annotations are drawn, one under the other, below the label.
        int top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            if (countColour(image, QRect(int(point.x()), y, 40, 1), isAnnotationBackground) > 0) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        QVERIFY2(bottom - top + 1 > 1.5 * metrics.height(), qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
        QVERIFY(top > label.bottom() - 1);
    }

    void thinnedDenseSeriesLooksLikeTheFullPolyline()
    {
        QVector<QPointF> points;
        for (int i = 0; i < 200000; ++i) {
            // Dense stretches with gaps between them: the lines across a gap start and end
            // at the points either side of it, not at the extremes of their columns.
            if ((i / 2000) % 3 == 2)
                continue;
            const double x = i * 0.003;
            points.append(QPointF(x, std::sin(x / 3) * 50 + std::sin(x * 12) * 20 + ((i * 7919) % 13) - 6));
        }
        QTransform toDevice;
        toDevice.translate(-20, 100);
        toDevice.scale(1, -1);
        PolylineThinner thinner(toDevice, 560);
        for (const QPointF &p : points)
            thinner.add(p);
        const QPainterPath thinned = thinner.finish();
        QVERIFY2(thinned.elementCount() < 4 * 562, qPrintable(QString::number(thinned.elementCount())));

        const auto paint = [&](const QPainterPath &lines) {
            QImage image(560, 200, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setTransform(toDevice);
            painter.strokePath(lines, QPen(Qt::black, 2));
            return image;
        };
        // Antialiased dense data bleeds by up to a pixel into the neighbouring columns; the
        // pictures agree when every inked pixel of one has ink within a pixel in the other.
        const auto unmatched = [](const QImage &a, const QImage &b) {
            int count = 0;
            for (int y = 1; y < a.height() - 1; ++y)
                for (int x = 1; x < a.width() - 1; ++x)
                    count += qGray(a.pixel(x, y)) < 128
                        && !colourNear(b, QPoint(x, y), 1, [](QRgb c) { return qGray(c) < 192; });
            return count;
        };
        QPainterPath polyline(points.first());
        for (const QPointF &p : points)
            polyline.lineTo(p);
        const QImage full = paint(polyline), reduced = paint(thinned);
        QCOMPARE(unmatched(full, reduced), 0);
        QCOMPARE(unmatched(reduced, full), 0);
    }

    void degenerateDataPaintsPromptlyAtAFiniteScale_data()
    {
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::newRow("empty series") << QVector<QPointF>();
        QTest::newRow("single point") << QVector<QPointF>{{3, 4}};
        QTest::newRow("equal points at the origin") << QVector<QPointF>{{0, 0}, {0, 0}};
        QTest::newRow("huge values") << QVector<QPointF>{{-1e308, 1e308}, {1e308, -1e308}};
        QTest::newRow("tiny values") << QVector<QPointF>{{-1e-300, 1e-300}, {1e-300, 2e-300}};
        QTest::newRow("not finite") << QVector<QPointF>{{std::nan(""), 1}, {inf, -inf}, {1, 1}};
    }

    void degenerateDataPaintsPromptlyAtAFiniteScale()
    {
        QFETCH(QVector<QPointF>, points);
        QGraph graph;
        addSeries(graph, points);
        Axis *axis = graph.first();
        axis->annotations.append({QPointF(1e308, 1e308), QStringLiteral("far")});
        graph.view()->timelines()->append(Timeline::create(std::numeric_limits<float>::max()));
        QElapsedTimer timer;
        timer.start();
        render(graph, true);
        for (double value : {axis->scaleX(), axis->scaleY(), axis->tickStepX(), axis->tickStepY()})
            QVERIFY2(std::isfinite(value) && value > 0, qPrintable(QString::number(value)));
        graph.view()->zoomX(20.0f);
        graph.view()->zoomY(20.0f);
        render(graph, true);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }
};

QTEST_MAIN(TestGraphPainting)
#include "TestGraphPainting.moc"
