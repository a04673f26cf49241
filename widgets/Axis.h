#pragma once

#include <QList>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>

class GraphSeries;
class QPainter;

// A text shown at a position in data units (event names along a flight, for example).
struct AxisAnnotation {
    QPointF position;
    QString text;
};

// One plot axis pair: fits its series into the view's canvas and draws the axis lines,
// ticks, labels, series, annotations and time markers. The view sets the rectangle and
// origin before each paint; callers fill the rest.
class Axis
{
public:
    Axis(const QPen &axisPen, const QPen &tickPen, const QPen &gridPen, const QPen &labelPen);
    ~Axis();
    Axis(const Axis &) = delete;
    Axis &operator=(const Axis &) = delete;

    // Lower and upper corner of every series' data and extent box and of the origin,
    // moved 30 % further from zero.
    QPointF minimum() const;
    QPointF maximum() const;

    // Pixels per data unit; 1 without series.
    double scaleX() const;
    double scaleY() const;

    // Data units to rectangle pixels (y downwards) and back.
    QPointF dataToPixel(const QPointF &data) const;
    QPointF pixelToData(const QPointF &pixel) const;
    // Usable corners of the rectangle, origin-relative with y upwards.
    QPointF bottomLeft() const;
    QPointF topRight() const;

    double tickStepX() const;
    double tickStepY() const;
    // 1, 2, 5 or 10 times a power of ten near the raw step; 0 when there is no sensible step.
    static double niceStep(double raw);
    static QString tickLabel(double value, const QString &unit);

    void draw(QPainter &painter, bool vertical, bool overview, bool fixedBand, float bandOffset) const;
    void drawTimeline(QPainter &painter, const QPen &pen, float time) const;

    QList<GraphSeries *> series;   // owned
    float originX = 0;
    float originY = 0;
    int tickSpacingX = 100;
    int tickSpacingY = 50;
    int margin = 0;
    QRectF rect;
    QPen axisPen;
    QPen tickPen;
    QPen gridPen;                  // kept for callers; no drawing uses it
    QPen labelPen;
    QString xUnit;
    QString yUnit;
    QList<AxisAnnotation> annotations;

private:
    void drawTicks(QPainter &painter, bool vertical, bool fixedBand) const;
    void drawSeriesAndAnnotations(QPainter &painter, bool overview) const;
    void drawAnnotations(QPainter &painter, double scaleX, double scaleY, QVector<QRectF> taken) const;
};
