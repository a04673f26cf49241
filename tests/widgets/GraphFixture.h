#pragma once

#include "Axis.h"
#include "GraphSeries.h"
#include "QGraph.h"

#include <QImage>

// Shared by the graph tests: an axis per series with thick distinct pens (black axis lines,
// red ticks, blue labels), and colour look-ups in the pictures they paint.
inline GraphSeries *addSeries(QGraph &graph, const QVector<QPointF> &points, const QColor &colour = QColor(255, 0, 255))
{
    auto *axis = new Axis(QPen(Qt::black, 2), QPen(Qt::red, 2), QPen(Qt::gray), QPen(Qt::blue));
    axis->xUnit = QStringLiteral("s");
    axis->yUnit = QStringLiteral("m");
    auto *series = new GraphSeries(QPen(colour, 3), QPen(Qt::black), QBrush(Qt::yellow), 2.0f);
    for (const QPointF &p : points) {
        series->points.append(p);
        series->extendBounds(p);
    }
    series->markersVisible = false;
    axis->series.append(series);
    graph.append(axis);
    return series;
}

inline bool isRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }
inline bool isBlue(QRgb c) { return qBlue(c) > 150 && qRed(c) < 150 && qGreen(c) < 150; }
inline bool isMagenta(QRgb c) { return qRed(c) > 200 && qBlue(c) > 200 && qGreen(c) < 80; }
inline bool isGreen(QRgb c) { return qGreen(c) > 200 && qRed(c) < 160 && qBlue(c) < 160; }
inline bool isYellow(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80; }
inline bool isBlack(QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; }

// Whether a pixel of the wanted colour lies within the square of the given radius around a point.
template<typename Predicate>
bool colourNear(const QImage &image, QPoint at, int radius, Predicate is)
{
    for (int y = at.y() - radius; y <= at.y() + radius; ++y)
        for (int x = at.x() - radius; x <= at.x() + radius; ++x)
            if (image.rect().contains(x, y) && is(image.pixel(x, y)))
                return true;
    return false;
}

template<typename Predicate>
int countColour(const QImage &image, const QRect &area, Predicate is)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.rect().contains(x, y) && is(image.pixel(x, y));
    return count;
}
