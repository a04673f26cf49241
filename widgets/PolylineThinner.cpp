#include "PolylineThinner.h"

PolylineThinner::PolylineThinner(const QTransform &toDevice, int deviceWidth)
    : m_toDevice(toDevice), m_deviceWidth(deviceWidth)
{
}

QPainterPath PolylineThinner::finish()
{
    flushRun();
    QPainterPath out;
    out.swap(m_out);
    return out;
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
