#include "Axis.h"

#include "GraphSeries.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double boundsWidening = 0.3;
constexpr int tickLength = 3;
constexpr int labelGap = 6;
constexpr double annotationSpacing = 20;
// How far, in lines, and in which steps, in pixels, an annotation moves to keep clear of texts.
constexpr int maximumAnnotationShift = 8;
constexpr double annotationShiftStep = 2;
// More ticks than this in view means the scale is degenerate: draw none rather than loop.
constexpr double maximumTickCount = 10000;

// Moves a bound away from zero, staying finite so that the scale never becomes 0 or NaN.
double widened(double bound)
{
    const double value = bound + bound * boundsWidening;
    const double largest = std::numeric_limits<double>::max();
    return std::clamp(value, -largest, largest);
}

// Pixels per data unit that fit both sides of the origin into their room; a side without data
// or without room does not limit the scale.
double fittingScale(double roomBelow, double low, double roomAbove, double high)
{
    double scale = std::numeric_limits<double>::infinity();
    if (low != 0 && roomBelow != 0)
        scale = std::min(scale, std::abs(roomBelow / low));
    if (high != 0 && roomAbove != 0)
        scale = std::min(scale, std::abs(roomAbove / high));
    return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

} // namespace

Axis::Axis(const QPen &axisPen, const QPen &tickPen, const QPen &gridPen, const QPen &labelPen)
    : axisPen(axisPen), tickPen(tickPen), gridPen(gridPen), labelPen(labelPen)
{
}

Axis::~Axis()
{
    qDeleteAll(series);
}

QPointF Axis::minimum() const
{
    double x = 0, y = 0;
    for (const GraphSeries *s : series) {
        x = std::min({x, s->dataBox.minX, s->extentBox.minX});
        y = std::min({y, s->dataBox.minY, s->extentBox.minY});
    }
    return QPointF(widened(x), widened(y));
}

QPointF Axis::maximum() const
{
    double x = 0, y = 0;
    for (const GraphSeries *s : series) {
        x = std::max({x, s->dataBox.maxX, s->extentBox.maxX});
        y = std::max({y, s->dataBox.maxY, s->extentBox.maxY});
    }
    return QPointF(widened(x), widened(y));
}

double Axis::scaleX() const
{
    if (series.isEmpty())
        return 1.0;
    return fittingScale(margin - originX, minimum().x(), rect.width() - originX - margin, maximum().x());
}

double Axis::scaleY() const
{
    if (series.isEmpty())
        return 1.0;
    return fittingScale(margin - (rect.height() - originY), minimum().y(), originY - margin, maximum().y());
}

QPointF Axis::dataToPixel(const QPointF &data) const
{
    return QPointF(originX + data.x() * scaleX(), originY - data.y() * scaleY());
}

QPointF Axis::pixelToData(const QPointF &pixel) const
{
    return QPointF((pixel.x() - originX) / scaleX(), -(pixel.y() - originY) / scaleY());
}

QPointF Axis::bottomLeft() const
{
    return QPointF(margin - originX, margin - (rect.height() - originY));
}

QPointF Axis::topRight() const
{
    return QPointF(rect.width() - originX - margin, originY - margin);
}

double Axis::tickStepX() const
{
    return niceStep(tickSpacingX / scaleX());
}

double Axis::tickStepY() const
{
    return niceStep(tickSpacingY / scaleY());
}

double Axis::niceStep(double raw)
{
    if (!(raw > 0) || !std::isfinite(raw))
        return 0;
    static const int niceDigit[10] = {1, 1, 2, 2, 5, 5, 5, 5, 10, 10};
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    // Rounding can put the quotient just outside 1 to 9; the clamp keeps every digit mapped.
    const int digit = static_cast<int>(std::clamp(std::floor(raw / power), 1.0, 9.0));
    return power * niceDigit[digit];
}

QString Axis::tickLabel(double value, const QString &unit)
{
    const bool thousands = std::log10(std::abs(value)) >= 3;
    const double shown = thousands ? value * 0.001 : value;
    return QString::number(shown, 'g', 4) + QLatin1Char(' ') + (thousands ? QStringLiteral("k") : QString()) + unit;
}

void Axis::draw(QPainter &painter, bool vertical, bool overview, bool fixedBand, float bandOffset) const
{
    if (series.isEmpty())
        return;
    painter.save();
    painter.translate(fixedBand ? bandOffset : originX + bandOffset, originY);
    painter.scale(1, -1);
    painter.setPen(axisPen);
    if (vertical)
        painter.drawLine(QPointF(0, bottomLeft().y()), QPointF(0, topRight().y()));
    else
        painter.drawLine(QPointF(bottomLeft().x(), 0), QPointF(topRight().x(), 0));
    if (!overview)
        drawTicks(painter, vertical, fixedBand);
    painter.restore();
    if (vertical && !fixedBand)
        drawSeriesAndAnnotations(painter, overview);
}

void Axis::drawTicks(QPainter &painter, bool vertical, bool fixedBand) const
{
    const double step = vertical ? tickStepY() : tickStepX();
    const double pixelsPerTick = step * (vertical ? scaleY() : scaleX());
    if (!(pixelsPerTick > 0) || !std::isfinite(pixelsPerTick))
        return;
    // Only the indices whose ticks can fall on the device.
    const QPaintDevice *device = painter.device();
    double first, last;
    if (vertical) {
        const double start = topRight().y() - (device->height() - rect.y());
        first = start / pixelsPerTick;
        last = (device->height() + start) / pixelsPerTick;
    } else {
        first = (bottomLeft().x() - rect.x()) / pixelsPerTick;
        last = (device->width() + bottomLeft().x() - rect.x()) / pixelsPerTick;
    }
    if (!std::isfinite(first) || !std::isfinite(last) || last - first > maximumTickCount)
        return;
    const long long firstIndex = static_cast<long long>(first);
    const long long lastIndex = static_cast<long long>(last);

    painter.setPen(tickPen);
    for (long long i = firstIndex; i <= lastIndex; ++i) {
        if (i == 0 && !fixedBand)
            continue;
        const int u = static_cast<int>(i * pixelsPerTick);
        if (vertical)
            painter.drawLine(-tickLength, u, 0, u);
        else
            painter.drawLine(u, 0, u, -tickLength);
    }

    painter.setPen(labelPen);
    const QFontMetrics metrics = painter.fontMetrics();
    for (long long i = firstIndex; i <= lastIndex; ++i) {
        if (i == 0 && !fixedBand)
            continue;
        const int u = static_cast<int>(i * pixelsPerTick);
        const QString text = tickLabel(i * step, vertical ? yUnit : xUnit);
        const QRect textBox = metrics.boundingRect(text);
        const int w = textBox.width(), h = textBox.height();
        // Labels are placed in upright coordinates: y downwards, the tick at -u on the vertical axis.
        painter.save();
        painter.scale(1, -1);
        if (vertical)
            painter.drawText(QRect(-labelGap - w, -u - h / 2, w, h), Qt::AlignCenter, text);
        else
            painter.drawText(QRect(u - w / 2, h + labelGap, w, h), Qt::AlignCenter, text);
        painter.restore();
    }
}

void Axis::drawSeriesAndAnnotations(QPainter &painter, bool overview) const
{
    painter.save();
    painter.translate(originX, originY);
    painter.scale(1, -1);
    const double sx = scaleX(), sy = scaleY();
    QVector<QRectF> pointLabels;
    for (const GraphSeries *s : series)
        pointLabels += s->draw(painter, overview, yUnit, sx, sy);
    if (!overview)
        drawAnnotations(painter, sx, sy, pointLabels);
    painter.restore();
}

// `taken` holds the boxes of the texts already drawn, upright (y downwards) and origin-relative.
void Axis::drawAnnotations(QPainter &painter, double scaleX, double scaleY, QVector<QRectF> taken) const
{
    const auto collides = [&taken](const QRectF &box) {
        return std::any_of(taken.cbegin(), taken.cend(), [&box](const QRectF &other) { return box.intersects(other); });
    };
    painter.save();
    painter.scale(1, -1);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QColor(0, 196, 0, 196));
    const QFontMetricsF metrics(painter.font());
    double previousY = -100000;
    for (const AxisAnnotation &annotation : annotations) {
        const double x = annotation.position.x() * scaleX;
        double y = annotation.position.y() * scaleY;
        const QPointF place(x, -y);
        // Annotations at nearly the same height (events close together) are stacked.
        if (std::abs(y - previousY) < annotationSpacing)
            y += annotationSpacing;
        previousY = y;
        // A text that would cover a point label or an earlier annotation moves down until it
        // is clear, and a leader line then ties it to its place.
        QRectF box(x, -y - metrics.ascent(), metrics.horizontalAdvance(annotation.text), metrics.height());
        const double lowest = box.top() + maximumAnnotationShift * metrics.height();
        while (box.top() < lowest && collides(box))
            box.translate(0, annotationShiftStep);
        taken.append(box);
        if (box.top() > place.y())
            painter.drawLine(place, QPointF(x, box.top()));
        painter.drawText(QPointF(x, box.top() + metrics.ascent()), annotation.text);
    }
    painter.restore();
}

void Axis::drawTimeline(QPainter &painter, const QPen &pen, float time) const
{
    painter.save();
    painter.translate(0, originY);
    painter.scale(1, -1);
    painter.setPen(pen);
    const double x = dataToPixel(QPointF(time, 0)).x();
    painter.drawLine(QPointF(x, bottomLeft().y()), QPointF(x, topRight().y()));

    const double deviceX = painter.worldTransform().map(QPointF(x, 0)).x();
    painter.resetTransform();
    QFont font = painter.font();
    font.setPointSize(18);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QColor(128, 128, 255, 128));
    painter.drawText(QPointF(deviceX, painter.device()->height() / 2.0), QString::number(time, 'f', 2) + xUnit);
    painter.restore();
}
