#include "LiveTrace.h"

#include "GraphSeries.h"

void LiveTrace::attach(GraphSeries *series, bool bounded)
{
    m_series = series;
    m_bounded = bounded;
}

void LiveTrace::add(float time, double value)
{
    if (m_series->points.isEmpty())
        m_origin = time;
    const QPointF point(time - m_origin, value);
    m_series->extendBounds(point);
    m_series->points.append(point);
    if (m_bounded && m_series->points.size() > MaximumPoints)
        m_series->points.clear();
}

bool LiveTrace::isEmpty() const
{
    return m_series->points.isEmpty();
}

void LiveTrace::clear()
{
    m_series->points.clear();
}
