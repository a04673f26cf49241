#include "QGraphView.h"

#include "Axis.h"
#include "GraphSeries.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSurfaceFormat>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int handleHalfSize = 10;
constexpr int timelineGrabDistance = 10;
const QColor overviewBackground = QColor::fromRgbF(1, 1, 1, 0.8);
const QColor overviewVisiblePart = QColor::fromRgbF(1, 0.5, 0, 0.5);

} // namespace

QGraphView::QGraphView(QList<Axis *> *axes, QWidget *parent)
    : QOpenGLWidget(parent), m_axes(axes), m_timelines(TimelineList::create())
{
    // The plot is flat: it needs no depth buffer.
    QSurfaceFormat surfaceFormat = QSurfaceFormat::defaultFormat();
    surfaceFormat.setDepthBufferSize(0);
    setFormat(surfaceFormat);
    setCursor(Qt::OpenHandCursor);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
}

QPointF QGraphView::originPosition() const
{
    return QPointF(m_originFractionX * width() * m_scaleX + m_offsetX,
                   m_originFractionY * height() * m_scaleY + m_offsetY);
}

void QGraphView::setTimelines(const TimelineList &timelines)
{
    m_timelines = timelines ? timelines : TimelineList::create();
    m_selectedTimeline.reset();
}

void QGraphView::limitOffsets()
{
    const float lowestX = width() - width() * m_scaleX;
    const float lowestY = height() - height() * m_scaleY;
    m_offsetX = std::min(0.0, std::max<double>(lowestX, m_offsetX));
    m_offsetY = std::min(0.0, std::max<double>(lowestY, m_offsetY));
}

void QGraphView::limitOrigin()
{
    if (!isVisible() || width() <= 0 || height() <= 0)
        return;
    const int n = m_axes->size();
    m_originFractionX = std::max(m_placedOriginX, (n + 1) * bandWidth / width());
    m_originFractionY = std::max(m_placedOriginY, n * bandWidth / height());
    m_originFractionX = std::min(m_originFractionX, (width() - n * bandWidth) / width());
    m_originFractionY = std::min(m_originFractionY, (height() - n * bandWidth) / height());
}

void QGraphView::followTracker()
{
    for (const Axis *axis : qAsConst(*m_axes)) {
        for (const GraphSeries *series : axis->series) {
            if (series != m_tracker || series->points.isEmpty())
                continue;
            const QPointF newest = axis->dataToPixel(series->points.last());
            m_offsetX = width() / 2 - newest.x();
            m_offsetY = height() / 2 - newest.y();
            limitOffsets();
        }
    }
}

void QGraphView::setTracking(bool on)
{
    m_tracking = on;
    restingCursor();
}

void QGraphView::setTracking()
{
    setTracking(true);
}

void QGraphView::showOverview(bool on)
{
    m_showOverview = on;
    update();
}

void QGraphView::showOverview()
{
    showOverview(true);
}

void QGraphView::setTracker(GraphSeries *series)
{
    m_tracker = series;
}

void QGraphView::removeTracker()
{
    m_tracker = nullptr;
}

void QGraphView::zoom(double &scale, double &offset, int size, float factor)
{
    // A factor that is not positive would leave no canvas to draw on.
    if (!(factor > 0))
        return;
    const double newScale = std::min(scale * factor, maximumScale);
    const double applied = newScale / scale;
    scale = newScale;
    offset = size / 2 + (offset - size / 2) * applied;
    limitOffsets();
    update();
}

void QGraphView::zoomX(float factor)
{
    zoom(m_scaleX, m_offsetX, width(), factor);
}

void QGraphView::zoomX()
{
    zoomX(1.0f);
}

void QGraphView::zoomY(float factor)
{
    zoom(m_scaleY, m_offsetY, height(), factor);
}

void QGraphView::zoomY()
{
    zoomY(1.0f);
}

void QGraphView::fit()
{
    m_offsetX = m_offsetY = 0;
    m_scaleX = m_scaleY = 1.0;
    limitOffsets();
    limitOrigin();
    update();
}

void QGraphView::placeOrigin(float fractionX, float fractionY)
{
    m_placedOriginX = m_originFractionX = fractionX;
    m_placedOriginY = m_originFractionY = fractionY;
}

void QGraphView::optimizeAxis()
{
    if (m_axes->isEmpty())
        return;
    const QPointF low = m_axes->first()->minimum();
    const QPointF high = m_axes->first()->maximum();
    // Without extent in a direction the origin there stays where it is.
    placeOrigin(high.x() != low.x() ? -low.x() / (high.x() - low.x()) : m_placedOriginX,
                high.y() != low.y() ? high.y() / (high.y() - low.y()) : m_placedOriginY);
    limitOffsets();
    limitOrigin();
    update();
}

void QGraphView::paintGL()
{
    QPainter painter(this);
    if (m_tracking) {
        layoutAxes();
        followTracker();
        limitOffsets();
        limitOrigin();
    }
    paintGraph(painter);
}

void QGraphView::layoutAxes()
{
    const double zoomedWidth = canvasWidth();
    const int zoomedHeight = canvasHeight();
    for (Axis *axis : qAsConst(*m_axes)) {
        axis->rect = QRect(static_cast<int>(m_offsetX), static_cast<int>(m_offsetY), static_cast<int>(zoomedWidth),
                           zoomedHeight);
        axis->originX = m_originFractionX * zoomedWidth;
        axis->originY = m_originFractionY * zoomedHeight;
    }
}

void QGraphView::paintGraph(QPainter &painter)
{
    painter.save();
    // An OpenGL surface is not cleared before painting: the canvas shows the widget's background.
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    painter.setRenderHint(QPainter::Antialiasing);
    layoutAxes();

    if (!m_axes->isEmpty()) {
        // The first axis' scale stays at the left edge while the canvas pans sideways.
        painter.save();
        painter.translate(0, m_offsetY);
        m_axes->first()->draw(painter, true, false, true, bandWidth);
        painter.restore();
    }

    painter.save();
    painter.setClipRect(QRectF(bandWidth, 0, width() * m_scaleX, height() * m_scaleY));
    painter.translate(m_offsetX, m_offsetY);
    drawAxes(painter, false);
    drawTimelines(painter);
    painter.restore();

    if (m_showOverview)
        drawOverview(painter);
    painter.restore();
}

void QGraphView::drawAxes(QPainter &painter, bool overview) const
{
    if (m_axes->isEmpty())
        return;
    m_axes->first()->draw(painter, false, overview, false, 0);
    for (int k = 0; k < m_axes->size(); ++k)
        m_axes->at(k)->draw(painter, true, overview, false, -bandWidth * k);
}

void QGraphView::drawTimelines(QPainter &painter) const
{
    if (m_axes->isEmpty())
        return;
    QPen selectedPen(Qt::green, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    QPen pen(Qt::green, 1);
    for (const Timeline &timeline : qAsConst(*m_timelines))
        m_axes->first()->drawTimeline(painter, timeline == m_selectedTimeline ? selectedPen : pen, *timeline);
}

void QGraphView::drawOverview(QPainter &painter) const
{
    const QRect box(width() - overviewSize, 0, overviewSize, overviewSize);
    const double zoomedWidth = canvasWidth();
    const int zoomedHeight = canvasHeight();
    painter.save();
    painter.setClipRect(box);
    painter.fillRect(box, overviewBackground);
    if (zoomedWidth > 0 && zoomedHeight > 0) {
        painter.translate(box.topLeft());
        painter.scale(overviewSize / zoomedWidth, double(overviewSize) / zoomedHeight);
        drawAxes(painter, true);
        painter.fillRect(QRectF(-m_offsetX, -m_offsetY, width() + 1, height() + 1), overviewVisiblePart);
    }
    painter.restore();
}

void QGraphView::resizeEvent(QResizeEvent *event)
{
    QOpenGLWidget::resizeEvent(event);
    limitOffsets();
    limitOrigin();
}

void QGraphView::showEvent(QShowEvent *event)
{
    QOpenGLWidget::showEvent(event);
    limitOffsets();
    limitOrigin();
}

void QGraphView::wheelEvent(QWheelEvent *event)
{
    // One 15-degree notch up zooms in by 1.25, one down zooms out by the same.
    const double notches = event->angleDelta().y() * 0.125 / 15;
    double factor = std::clamp(std::pow(0.8, -notches), 0.1, 10.0);
    for (double scale : {m_scaleX, m_scaleY}) {
        if (scale * factor < 1)
            factor = 1 / scale;
        if (scale * factor > maximumScale)
            factor = maximumScale / scale;
    }
    const QPointF mouse = event->position();
    m_scaleX *= factor;
    m_scaleY *= factor;
    m_offsetX = (m_offsetX - mouse.x()) * factor + mouse.x();
    m_offsetY = (m_offsetY - mouse.y()) * factor + mouse.y();
    limitOffsets();
    limitOrigin();
    update();
}

void QGraphView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space) {
        m_editMode = !m_editMode;
    } else if (event->key() == Qt::Key_Delete) {
        m_timelines->removeOne(m_selectedTimeline);
        update();
    } else {
        QOpenGLWidget::keyPressEvent(event);
    }
}

void QGraphView::mousePressEvent(QMouseEvent *event)
{
    m_draggingOrigin = false;
    if (m_editMode && isOnOriginHandle(event->pos())) {
        m_draggingOrigin = true;
        setCursor(Qt::SizeAllCursor);
    } else {
        m_lastMousePosition = event->pos();
        restingCursor();
        m_panning = true;
    }
    setMouseTracking(false);
    if (m_axes->isEmpty())
        return;
    if (m_editMode && !m_draggingOrigin) {
        m_timelines->append(Timeline::create(firstAxisTimeAt(event->x())));
        return;
    }
    m_selectedTimeline = timelineAt(event->pos());
    m_draggingTimeline = true;
}

void QGraphView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_draggingOrigin && m_editMode) {
        placeOrigin((event->x() - m_offsetX) / (width() * m_scaleX), (event->y() - m_offsetY) / (height() * m_scaleY));
        limitOffsets();
        limitOrigin();
        update();
        setCursor(Qt::SizeAllCursor);
    } else if (m_draggingTimeline && m_selectedTimeline) {
        setCursor(m_tracking ? Qt::ArrowCursor : Qt::ClosedHandCursor);
        *m_selectedTimeline = firstAxisTimeAt(event->x());
        update();
    } else if (m_panning) {
        setCursor(m_tracking ? Qt::ArrowCursor : Qt::ClosedHandCursor);
        m_offsetX += event->x() - m_lastMousePosition.x();
        m_offsetY += event->y() - m_lastMousePosition.y();
        limitOffsets();
        limitOrigin();
        m_lastMousePosition = event->pos();
        update();
    } else if (timelineAt(event->pos()) || (m_editMode && isOnOriginHandle(event->pos()))) {
        setCursor(Qt::SizeAllCursor);
    } else {
        restingCursor();
    }
}

void QGraphView::mouseReleaseEvent(QMouseEvent *)
{
    m_draggingOrigin = m_panning = m_draggingTimeline = false;
    emit timelinesUpdated();
    restingCursor();
    setMouseTracking(true);
    update();
}

bool QGraphView::isOnOriginHandle(const QPoint &position) const
{
    const QPointF origin = originPosition();
    return std::abs(position.x() - origin.x()) <= handleHalfSize && std::abs(position.y() - origin.y()) <= handleHalfSize;
}

Timeline QGraphView::timelineAt(const QPoint &position) const
{
    if (m_axes->isEmpty())
        return Timeline();
    const Axis *first = m_axes->first();
    Timeline found;
    for (const Timeline &timeline : qAsConst(*m_timelines)) {
        const double x = first->dataToPixel(QPointF(*timeline, 0)).x() + m_offsetX;
        if (position.x() >= x - timelineGrabDistance && position.x() < x + timelineGrabDistance)
            found = timeline;
    }
    return found;
}

float QGraphView::firstAxisTimeAt(int x) const
{
    return m_axes->first()->pixelToData(QPointF(x - m_offsetX, 0)).x();
}

void QGraphView::restingCursor()
{
    setCursor(m_tracking ? Qt::ArrowCursor : Qt::OpenHandCursor);
}
