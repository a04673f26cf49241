#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QTransform>

// Thins a dense polyline to the lines that show on a device. Consecutive points that fall into the
// same device pixel column form a run; the polyline's lines within a run cover the span between its
// lowest and highest point, so a run on the device is drawn as that one line, and the lines between
// runs join the last point of one to the first of the next. Runs left or right of the device are
// merged into one column each and draw nothing, since lines between points that all lie beyond one
// edge never enter the device.
class PolylineThinner
{
public:
    // toDevice maps the points to device pixels; only its x scale and x translation are used.
    PolylineThinner(const QTransform &toDevice, int deviceWidth);

    // Inline, as it runs for every point of a series on each redraw.
    void add(const QPointF &point);
    // The lines so far, to be stroked; the thinner is empty afterwards.
    QPainterPath finish();

private:
    long long columnOf(double x) const;
    void flushRun();
    void lineTo(const QPointF &point);
    void moveTo(const QPointF &point);

    QTransform m_toDevice;
    int m_deviceWidth;
    QPainterPath m_out;
    long long m_column = 0;
    QPointF m_first, m_low, m_high, m_last;
    int m_lowIndex = 0, m_highIndex = 0, m_count = 0;
};

inline void PolylineThinner::add(const QPointF &point)
{
    const long long column = columnOf(point.x());
    if (m_count > 0 && column == m_column) {
        if (point.y() < m_low.y()) {
            m_low = point;
            m_lowIndex = m_count;
        }
        // The latest of equal highs: a flat run then spans from its first point to its last.
        if (point.y() >= m_high.y()) {
            m_high = point;
            m_highIndex = m_count;
        }
        m_last = point;
        ++m_count;
        return;
    }
    flushRun();
    m_column = column;
    m_first = m_low = m_high = m_last = point;
    m_lowIndex = m_highIndex = 0;
    m_count = 1;
}

inline long long PolylineThinner::columnOf(double x) const
{
    const double deviceX = m_toDevice.m11() * x + m_toDevice.dx();
    if (deviceX < 0)
        return -1;
    if (deviceX >= m_deviceWidth)
        return m_deviceWidth;
    return static_cast<long long>(deviceX);
}
