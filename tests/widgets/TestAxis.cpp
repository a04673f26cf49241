#include "Axis.h"
#include "GraphSeries.h"

#include <QtTest>

#include <cmath>
#include <limits>

// Axis mathematics and series drawing, without a display.
class TestAxis : public QObject
{
    Q_OBJECT

private:
    static GraphSeries *seriesWith(const QVector<QPointF> &points)
    {
        auto *series = new GraphSeries(QPen(Qt::blue), QPen(Qt::black), QBrush(Qt::red), 2.0f);
        for (const QPointF &p : points) {
            series->points.append(p);
            series->extendBounds(p);
        }
        return series;
    }

    static void place(Axis &axis, double width, double height, float originX, float originY)
    {
        axis.rect = QRectF(0, 0, width, height);
        axis.originX = originX;
        axis.originY = originY;
    }

private slots:
    void niceStepRoundsToOneTwoFiveOrTen_data()
    {
        QTest::addColumn<double>("raw");
        QTest::addColumn<double>("step");
        QTest::newRow("0.37") << 0.37 << 0.2;
        QTest::newRow("0.43") << 0.43 << 0.5;
        QTest::newRow("0.8") << 0.8 << 1.0;
        QTest::newRow("7") << 7.0 << 5.0;
        QTest::newRow("83") << 83.0 << 100.0;
        QTest::newRow("1") << 1.0 << 1.0;
        QTest::newRow("0.001") << 0.001 << 0.001;
        QTest::newRow("just below a power of ten") << 9.99999 << 10.0;
        QTest::newRow("3e-7") << 3e-7 << 2e-7;
        QTest::newRow("huge") << 4e300 << 5e300;
    }

    void niceStepRoundsToOneTwoFiveOrTen()
    {
        QFETCH(double, raw);
        QFETCH(double, step);
        QVERIFY2(std::abs(Axis::niceStep(raw) - step) <= step * 1e-9,
                 qPrintable(QString::number(Axis::niceStep(raw))));
    }

    void niceStepHasNoStepForDegenerateInput()
    {
        const double inf = std::numeric_limits<double>::infinity();
        for (double raw : {0.0, -5.0, inf, -inf, std::nan(""), 1e-320})
            QCOMPARE(Axis::niceStep(raw) > 0 && std::isfinite(Axis::niceStep(raw)), raw == 1e-320);
    }

    void tickLabelUsesKiloFromOneThousand()
    {
        QCOMPARE(Axis::tickLabel(999, "m"), QString("999 m"));
        QCOMPARE(Axis::tickLabel(1000, "m"), QString("1 km"));
        QCOMPARE(Axis::tickLabel(1500, "m"), QString("1.5 km"));
        QCOMPARE(Axis::tickLabel(-2500, "m"), QString("-2.5 km"));
        QCOMPARE(Axis::tickLabel(0, "s"), QString("0 s"));
        QCOMPARE(Axis::tickLabel(0.123456, "s"), QString("0.1235 s"));
    }

    void boundsKeepTheOriginAndWidenByThirtyPercent()
    {
        Axis axis{QPen(), QPen(), QPen(), QPen()};
        axis.series.append(seriesWith({{10, 20}, {50, 100}}));
        QCOMPARE(axis.minimum(), QPointF(0, 0));
        QCOMPARE(axis.maximum(), QPointF(65, 130));

        GraphSeries *negative = seriesWith({{-10, -40}});
        negative->extentBox.maxY = 200;
        axis.series.append(negative);
        QCOMPARE(axis.minimum(), QPointF(-13, -52));
        QCOMPARE(axis.maximum(), QPointF(65, 260));
    }

    void scaleFitsTheTighterSideOfTheOrigin()
    {
        Axis axis{QPen(), QPen(), QPen(), QPen()};
        QCOMPARE(axis.scaleX(), 1.0);
        QCOMPARE(axis.scaleY(), 1.0);

        axis.series.append(seriesWith({{-10, -10}, {100, 50}}));
        place(axis, 400, 300, 100, 200);
        // x: left room 100 for 13 units, right room 300 for 130 units.
        QCOMPARE(axis.scaleX(), 300.0 / 130);
        // y: below room 100 for 13 units, above room 200 for 65 units.
        QCOMPARE(axis.scaleY(), 200.0 / 65);

        axis.margin = 10;
        QCOMPARE(axis.scaleX(), 290.0 / 130);
        QCOMPARE(axis.bottomLeft(), QPointF(-90, -90));
        QCOMPARE(axis.topRight(), QPointF(290, 190));
    }

    void tickStepsFollowTheWantedSpacing()
    {
        Axis axis{QPen(), QPen(), QPen(), QPen()};
        axis.series.append(seriesWith({{100, 1000}}));
        place(axis, 1300, 1300, 0, 1300);
        // 10 pixels per second: 100 wanted pixels are 10 s; 1 pixel per metre: 50 pixels are 50 m.
        QCOMPARE(axis.scaleX(), 10.0);
        QCOMPARE(axis.scaleY(), 1.0);
        QCOMPARE(axis.tickStepX(), 10.0);
        QCOMPARE(axis.tickStepY(), 50.0);
    }

    void degenerateSeriesGiveAFiniteScale_data()
    {
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::newRow("no points") << QVector<QPointF>();
        QTest::newRow("one point at the origin") << QVector<QPointF>{{0, 0}};
        QTest::newRow("one point") << QVector<QPointF>{{5, 5}};
        QTest::newRow("huge values") << QVector<QPointF>{{-1e308, -1e308}, {1e308, 1e308}};
        QTest::newRow("tiny values") << QVector<QPointF>{{1e-300, 1e-300}};
    }

    void degenerateSeriesGiveAFiniteScale()
    {
        QFETCH(QVector<QPointF>, points);
        Axis axis{QPen(), QPen(), QPen(), QPen()};
        axis.series.append(seriesWith(points));
        place(axis, 400, 300, 200, 150);
        for (double scale : {axis.scaleX(), axis.scaleY()})
            QVERIFY2(std::isfinite(scale) && scale > 0, qPrintable(QString::number(scale)));
        for (double step : {axis.tickStepX(), axis.tickStepY()})
            QVERIFY2(std::isfinite(step) && step > 0, qPrintable(QString::number(step)));
    }

    void originAtTheEdgeOfTheRectangleKeepsAFiniteScale()
    {
        Axis axis{QPen(), QPen(), QPen(), QPen()};
        axis.series.append(seriesWith({{-5, -5}, {5, 5}}));
        place(axis, 400, 300, 400, 0);
        QVERIFY(std::isfinite(axis.scaleX()) && axis.scaleX() > 0);
        QVERIFY(std::isfinite(axis.scaleY()) && axis.scaleY() > 0);
    }
};

QTEST_APPLESS_MAIN(TestAxis)
#include "TestAxis.moc"
