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
        if (point.y() > m_high.y()) {
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

QVector<QPointF> PolylineThinner::finish()
{
    flushRun();
    QVector<QPointF> out;
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
    // The run's ends keep the lines into and out of the column as they were; on the device the
    // lowest and highest point in their original order add the span the run covers.
    m_out.append(m_first);
    const int lastIndex = m_count - 1;
    if (m_column >= 0 && m_column < m_deviceWidth) {
        const bool lowFirst = m_lowIndex <= m_highIndex;
        const int firstExtreme = lowFirst ? m_lowIndex : m_highIndex;
        const int secondExtreme = lowFirst ? m_highIndex : m_lowIndex;
        if (firstExtreme != 0 && firstExtreme != lastIndex)
            m_out.append(lowFirst ? m_low : m_high);
        if (secondExtreme != firstExtreme && secondExtreme != 0 && secondExtreme != lastIndex)
            m_out.append(lowFirst ? m_high : m_low);
    }
    if (m_count > 1)
        m_out.append(m_last);
    m_count = 0;
}
