#include "PolylineThinner.h"

PolylineThinner::PolylineThinner(const QTransform &toDevice, int deviceWidth)
    : m_toDevice(toDevice), m_deviceWidth(deviceWidth)
{
}

void PolylineThinner::add(const QPointF &point)
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

QPainterPath PolylineThinner::finish()
{
    flushRun();
    QPainterPath out;
    out.swap(m_out);
    return out;
}

long long PolylineThinner::columnOf(double x) const
{
    const double deviceX = m_toDevice.m11() * x + m_toDevice.dx();
    if (deviceX < 0)
        return -1;
    if (deviceX >= m_deviceWidth)
        return m_deviceWidth;
    return static_cast<long long>(deviceX);
}

void PolylineThinner::flushRun()
{
    if (m_count == 0)
        return;
    lineTo(m_first);
    if (m_count > 1 && m_column >= 0 && m_column < m_deviceWidth) {
        // Taken in their original order the extremes often are the run's ends, which saves moves.
        const bool lowFirst = m_lowIndex <= m_highIndex;
        moveTo(lowFirst ? m_low : m_high);
        lineTo(lowFirst ? m_high : m_low);
    }
    moveTo(m_last);
    m_count = 0;
}

// Lines and moves that stay on the current point are left out: each would cost the stroker a cap.
void PolylineThinner::lineTo(const QPointF &point)
{
    if (m_out.elementCount() == 0)
        m_out.moveTo(point);
    else if (point != m_out.currentPosition())
        m_out.lineTo(point);
}

void PolylineThinner::moveTo(const QPointF &point)
{
    if (m_out.elementCount() == 0 || point != m_out.currentPosition())
        m_out.moveTo(point);
}
