#pragma once

#include <QList>
#include <QOpenGLWidget>
#include <QPoint>
#include <QSharedPointer>
#include <QVector>

class Axis;
class GraphSeries;
class QPainter;

// Time markers in x data units of the first axis; views that hold the same list show the same markers.
using Timeline = QSharedPointer<float>;
using TimelineList = QSharedPointer<QVector<Timeline>>;

// Drawing surface of a graph: paints the axes of the graph onto a virtual canvas that the
// user pans and zooms, and lets the user move the data origin and place, drag and delete
// time markers.
class QGraphView : public QOpenGLWidget
{
    Q_OBJECT

public:
    static constexpr double maximumScale = 20.0;
    static constexpr float bandWidth = 60;
    static constexpr int overviewSize = 100;

    QGraphView(QList<Axis *> *axes, QWidget *parent = nullptr);

    // Paints everything at the view's size; the view's own paint and image renders share it.
    void paintGraph(QPainter &painter);
    void limitOffsets();
    void limitOrigin();
    void followTracker();

    // Shows the given markers (a null list stands for none) and forgets the grabbed one.
    void setTimelines(const TimelineList &timelines);
    TimelineList timelines() const { return m_timelines; }
    Timeline selectedTimeline() const { return m_selectedTimeline; }

    double offsetX() const { return m_offsetX; }
    double offsetY() const { return m_offsetY; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    float originFractionX() const { return m_originFractionX; }
    bool isEditMode() const { return m_editMode; }
    // Widget position of the data origin, the centre of the handle that drags it.
    QPointF originPosition() const;

signals:
    void timelinesUpdated();

public slots:
    void setTracking(bool on);
    void setTracking();
    void showOverview(bool on);
    void showOverview();
    void setTracker(GraphSeries *series);
    void removeTracker();
    void zoomX(float factor);
    void zoomX();
    void zoomY(float factor);
    void zoomY();
    void fit();
    void optimizeAxis();

protected:
    void paintGL() override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Size of the zoomed canvas: the width as it comes, the height in whole pixels.
    double canvasWidth() const { return width() * m_scaleX; }
    int canvasHeight() const { return static_cast<int>(height() * m_scaleY); }
    void layoutAxes();
    void drawAxes(QPainter &painter, bool overview) const;
    void drawTimelines(QPainter &painter) const;
    void drawOverview(QPainter &painter) const;
    void zoom(double &scale, double &offset, int size, float factor);
    bool isOnOriginHandle(const QPoint &position) const;
    Timeline timelineAt(const QPoint &position) const;
    float firstAxisTimeAt(int x) const;
    void restingCursor();
    void placeOrigin(float fractionX, float fractionY);

    // Where optimizeAxis or a drag put the origin. The drawn origin is this kept clear of the
    // axis bands at the view's current size, so that a view first shown while its layout is
    // still small does not keep the origin that size forced on it.
    float m_placedOriginX = 0.5f;
    float m_placedOriginY = 0.5f;
    float m_originFractionX = 0.5f;
    float m_originFractionY = 0.5f;
    bool m_editMode = false;
    bool m_draggingOrigin = false;
    bool m_panning = false;
    bool m_draggingTimeline = false;
    QPoint m_lastMousePosition;
    double m_offsetX = 0;
    double m_offsetY = 0;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    QList<Axis *> *m_axes;
    bool m_tracking = false;
    bool m_showOverview = true;
    GraphSeries *m_tracker = nullptr;
    TimelineList m_timelines;
    Timeline m_selectedTimeline;
};
