#include "GraphSeries.h"

#include "Axis.h"
#include "PolylineThinner.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
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

QVector<QRectF> GraphSeries::draw(QPainter &painter, bool overview, const QString &yUnit, double scaleX,
                                  double scaleY) const
{
    if (points.isEmpty())
        return {};
    QPen pen = linePen;
    if (overview)
        pen.setWidth(0);
    painter.strokePath(visibleLines(painter, overview, scaleX, scaleY), pen);
    if (overview)
        return {};
    return drawPointLabels(painter, yUnit, scaleX, scaleY);
}

QPainterPath GraphSeries::visibleLines(const QPainter &painter, bool overview, double scaleX, double scaleY) const
{
    const QTransform toDevice = painter.combinedTransform();
    const int deviceWidth = painter.device()->width();
    if (overview) {
        // One point per device pixel column of the small overview box.
        const double minStep = 1.0 / std::abs(toDevice.m11());
        QPainterPath polyline;
        for (int i = 0; i < points.size();) {
            const QPointF scaled(points[i].x() * scaleX, points[i].y() * scaleY);
            if (!isFinite(scaled)) {
                ++i;
                continue;
            }
            if (polyline.elementCount() == 0)
                polyline.moveTo(scaled);
            else
                polyline.lineTo(scaled);
            i = firstAtOrBeyond(scaled.x() + minStep, scaleX, i + 1);
        }
        return polyline;
    }
    // Only the points on the device and the one on either side, whose lines enter it.
    int begin = 0, end = points.size();
    if (toDevice.m11() > 0) {
        begin = std::max(0, firstAtOrBeyond(-toDevice.dx() / toDevice.m11(), scaleX, 0) - 1);
        end = std::min<int>(points.size(), firstAtOrBeyond((deviceWidth - toDevice.dx()) / toDevice.m11(), scaleX, begin) + 1);
    }
    PolylineThinner thinner(toDevice, deviceWidth);
    for (int i = begin; i < end; ++i) {
        const QPointF scaled(points[i].x() * scaleX, points[i].y() * scaleY);
        if (isFinite(scaled))
            thinner.add(scaled);
    }
    return thinner.finish();
}

QVector<QRectF> GraphSeries::drawPointLabels(QPainter &painter, const QString &yUnit, double scaleX,
                                             double scaleY) const
{
    // Picked among all points so that the labels keep their places while the view pans, but
    // drawn only where they show: a zoomed canvas holds many more labels than the device.
    const QTransform toDevice = painter.combinedTransform();
    const double deviceWidth = painter.device()->width();
    const QFontMetricsF metrics(painter.font());
    struct Label {
        QPointF at;   // upright: y downwards
        QString text;
    };
    QVector<Label> labels;
    for (int i = 0; i < points.size();) {
        const QPointF scaled(points[i].x() * scaleX, points[i].y() * scaleY);
        if (!isFinite(scaled)) {
            ++i;
            continue;
        }
        const double deviceX = toDevice.m11() * scaled.x() + toDevice.dx();
        if (deviceX > deviceWidth + pointSize)
            break;
        const QString text = Axis::tickLabel(points[i].y(), yUnit);
        if (deviceX + std::max<double>(metrics.horizontalAdvance(text), pointSize) >= 0)
            labels.append({QPointF(scaled.x(), -scaled.y()), text});
        i = firstAtOrBeyond(scaled.x() + labelSpacing, scaleX, i + 1);
    }

    painter.save();
    painter.scale(1, -1);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    QVector<QRectF> boxes;
    for (const Label &label : qAsConst(labels)) {
        const QPointF baseline = label.at - QPointF(0, labelRise);
        painter.drawText(baseline, label.text);
        boxes.append(QRectF(baseline.x(), baseline.y() - metrics.ascent(), metrics.horizontalAdvance(label.text),
                            metrics.height()));
    }
    if (markersVisible) {
        // One path for all markers: far fewer draw calls than one ellipse each.
        QPainterPath markers;
        for (const Label &label : qAsConst(labels))
            markers.addEllipse(label.at, pointSize, pointSize);
        painter.setPen(pointPen);
        painter.setBrush(pointBrush);
        painter.drawPath(markers);
    }
    painter.restore();
    return boxes;
}

int GraphSeries::firstAtOrBeyond(double scaledX, double scaleX, int from) const
{
    const auto found = std::partition_point(points.cbegin() + from, points.cend(),
                                            [&](const QPointF &p) { return p.x() * scaleX < scaledX; });
    return int(found - points.cbegin());
}
