#pragma once

#include <QBrush>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;
class QPainterPath;

// Min and max corners of a rectangle in data units; the default is the empty box at the origin.
struct DataBox {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// One plotted series: its points, how they are drawn and the region the axis must keep in view.
class GraphSeries
{
public:
    GraphSeries(const QPen &linePen, const QPen &pointPen, const QBrush &pointBrush, float pointSize);

    void extendBounds(const QPointF &point);
    void resetBounds();

    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

    // Draws origin-relative with y upwards at the given pixels per data unit. Returns the boxes
    // of the point labels drawn, origin-relative with y downwards, so that other texts can keep
    // clear of them.
    QVector<QRectF> draw(QPainter &painter, bool overview, const QString &yUnit, double scaleX, double scaleY) const;

    QVector<QPointF> points;   // in time order: drawing finds points by their x
    QPen linePen;
    QPen pointPen;
    QBrush pointBrush;
    float pointSize;
    DataBox dataBox;       // widened by extendBounds
    bool markersVisible = true;
    DataBox extentBox;     // set by callers to force a minimum visible range

private:
    QPainterPath visibleLines(const QPainter &painter, bool overview, double scaleX, double scaleY) const;
    QVector<QRectF> drawPointLabels(QPainter &painter, const QString &yUnit, double scaleX, double scaleY) const;
    // Index of the first point from `from` on whose x, scaled, is at least scaledX.
    int firstAtOrBeyond(double scaledX, double scaleX, int from) const;

    QString m_name;
};
