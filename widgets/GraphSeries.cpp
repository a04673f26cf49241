#include "GraphSeries.h"

#include "Axis.h"
#include "PolylineThinner.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

// Label points and their markers are thinned to one per this many pixels of x.
constexpr double labelSpacing = 100.0;
// Baseline of a point label above its point, in pixels.
constexpr double labelRise = 20.0;

bool isFinite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

} // namespace

GraphSeries::GraphSeries(const QPen &linePen, const QPen &pointPen, const QBrush &pointBrush, float pointSize)
    : linePen(linePen), pointPen(pointPen), pointBrush(pointBrush), pointSize(pointSize)
{
}

void GraphSeries::extendBounds(const QPointF &point)
{
    dataBox.minX = std::min(dataBox.minX, point.x());
    dataBox.minY = std::min(dataBox.minY, point.y());
    dataBox.maxX = std::max(dataBox.maxX, point.x());
    dataBox.maxY = std::max(dataBox.maxY, point.y());
}

void GraphSeries::resetBounds()
{
    dataBox = DataBox();
    extentBox = DataBox();
}

void GraphSeries::draw(QPainter &painter, bool overview, const QString &yUnit, double scaleX, double scaleY) const
{
    if (points.isEmpty())
        return;
    QPen pen = linePen;
    if (overview)
        pen.setWidth(0);
    painter.setPen(pen);
    const QVector<QPointF> polyline = visiblePolyline(painter, overview, scaleX, scaleY);
    painter.drawPolyline(polyline.constData(), polyline.size());
    if (!overview)
        drawPointLabels(painter, yUnit, scaleX, scaleY);
}

QVector<QPointF> GraphSeries::visiblePolyline(const QPainter &painter, bool overview, double scaleX, double scaleY) const
{
    QVector<QPointF> polyline;
    const QTransform toDevice = painter.combinedTransform();
    if (overview) {
        // One point per device pixel column of the small overview box.
        polyline.reserve(std::min(points.size(), painter.device()->width() + 1));
        const double minStep = 1.0 / std::abs(toDevice.m11());
        for (const QPointF &p : points) {
            const QPointF scaled(p.x() * scaleX, p.y() * scaleY);
            if (!isFinite(scaled))
                continue;
            if (polyline.isEmpty() || scaled.x() >= polyline.last().x() + minStep)
                polyline.append(scaled);
        }
        return polyline;
    }
    PolylineThinner thinner(toDevice, painter.device()->width());
    for (const QPointF &p : points) {
        const QPointF scaled(p.x() * scaleX, p.y() * scaleY);
        if (isFinite(scaled))
            thinner.add(scaled);
    }
    return thinner.finish();
}

void GraphSeries::drawPointLabels(QPainter &painter, const QString &yUnit, double scaleX, double scaleY) const
{
    painter.save();
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    bool picked = false;
    double lastPickedX = 0;
    for (const QPointF &p : points) {
        const QPointF scaled(p.x() * scaleX, p.y() * scaleY);
        if (!isFinite(scaled) || (picked && scaled.x() < lastPickedX + labelSpacing))
            continue;
        picked = true;
        lastPickedX = scaled.x();
        painter.setPen(Qt::black);
        painter.save();
        painter.translate(scaled);
        painter.scale(1, -1);
        painter.drawText(QPointF(0, -labelRise), Axis::tickLabel(p.y(), yUnit));
        painter.restore();
        if (markersVisible) {
            painter.setPen(pointPen);
            painter.setBrush(pointBrush);
            painter.drawEllipse(scaled, pointSize, pointSize);
        }
    }
    painter.restore();
}
