#include "Axis.h"
#include "GraphSeries.h"

#include <QtTest>

#include <cmath>
#include <limits>

// Axis mathematics, without a display.
class TestAxis : public QObject
{
    Q_OBJECT

    // An axis over the points with its origin at the given place in a rectangle of the given size.
    static void fill(Axis &axis, const QVector<QPointF> &points, QSizeF size = {}, QPointF origin = {})
    {
        auto *series = new GraphSeries(QPen(Qt::blue), QPen(Qt::black), QBrush(Qt::red), 2.0f);
        for (const QPointF &p : points) {
            series->points.append(p);
            series->extendBounds(p);
        }
        axis.series.append(series);
        axis.rect = QRectF(QPointF(), size);
        axis.originX = float(origin.x());
        axis.originY = float(origin.y());
    }

private slots:
    void niceStepRoundsToOneTwoFiveOrTen_data()
    {
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<double>("raw");
        QTest::addColumn<double>("step"); // 0: no step
        QTest::newRow("0.37") << 0.37 << 0.2;
        QTest::newRow("0.43") << 0.43 << 0.5;
        QTest::newRow("0.8") << 0.8 << 1.0;
        QTest::newRow("7") << 7.0 << 5.0;
        QTest::newRow("83") << 83.0 << 100.0;
        QTest::newRow("0.001") << 0.001 << 0.001;
        QTest::newRow("just below a power of ten") << 9.99999 << 10.0;
        QTest::newRow("3e-7") << 3e-7 << 2e-7;
        QTest::newRow("huge") << 4e300 << 5e300;
        QTest::newRow("subnormal") << 1e-320 << 1e-320;
        for (double degenerate : {0.0, -5.0, inf, -inf, std::nan("")})
            QTest::addRow("%g", degenerate) << degenerate << 0.0;
    }

    void niceStepRoundsToOneTwoFiveOrTen()
    {
        QFETCH(double, raw);
        QFETCH(double, step);
        QVERIFY2(std::abs(Axis::niceStep(raw) - step) <= step * 1e-2, qPrintable(QString::number(Axis::niceStep(raw))));
    }

    void tickLabelUsesKiloFromOneThousand()
    {
        QCOMPARE(Axis::tickLabel(999, "m"), QString("999 m"));
        QCOMPARE(Axis::tickLabel(1000, "m"), QString("1 km"));
        QCOMPARE(Axis::tickLabel(-2500, "m"), QString("-2.5 km"));
        QCOMPARE(Axis::tickLabel(0, "s"), QString("0 s"));
        QCOMPARE(Axis::tickLabel(0.123456, "s"), QString("0.1235 s"));
    }

    void boundsKeepTheOriginAndWidenByThirtyPercent()
    {
        Axis axis{QPen(), QPen(), QPen(), QPen()};
        fill(axis, {{10, 20}, {50, 100}});
        QCOMPARE(axis.minimum(), QPointF(0, 0));
        QCOMPARE(axis.maximum(), QPointF(65, 130));

        fill(axis, {{-10, -40}});
        axis.series.last()->extentBox.maxY = 200;
        QCOMPARE(axis.minimum(), QPointF(-13, -52));
        QCOMPARE(axis.maximum(), QPointF(65, 260));
    }

    void scaleFitsTheTighterSideOfTheOriginAndSetsTheTickSteps()
    {
        Axis axis{QPen(), QPen(), QPen(), QPen()};
        QCOMPARE(axis.scaleX(), 1.0);
        QCOMPARE(axis.scaleY(), 1.0);

        fill(axis, {{-10, -10}, {100, 50}}, {400, 300}, {100, 200});
        // x: left room 100 for 13 units, right room 300 for 130 units.
        QCOMPARE(axis.scaleX(), 300.0 / 130);
        // y: below room 100 for 13 units, above room 200 for 65 units.
        QCOMPARE(axis.scaleY(), 200.0 / 65);
        // 100 wanted pixels are 43.3 s, 50 pixels 16.25 m: steps of 50 s and 10 m.
        QCOMPARE(axis.tickStepX(), 50.0);
        QCOMPARE(axis.tickStepY(), 10.0);

        axis.margin = 10;
        QCOMPARE(axis.scaleX(), 290.0 / 130);
        QCOMPARE(axis.bottomLeft(), QPointF(-90, -90));
        QCOMPARE(axis.topRight(), QPointF(290, 190));

        // An origin on the rectangle's edge leaves one side without room; the other still fits.
        axis.margin = 0;
        axis.originX = 400;
        axis.originY = 0;
        QCOMPARE(axis.scaleX(), 400.0 / 13);
        QCOMPARE(axis.scaleY(), 300.0 / 13);
    }
};

QTEST_APPLESS_MAIN(TestAxis)
#include "TestAxis.moc"
