#pragma once

#include <QPointF>
#include <QTransform>
#include <QVector>

// Thins a dense polyline to what shows on a device. Consecutive points that fall into the same
// device pixel column form a run; a run on the device keeps its first and last point, which carry
// the lines to its neighbours, and its lowest and highest point, in their original order, as the
// run covers the span between them. Runs left or right of the device are merged into one column
// each and keep just their ends, since lines between points that all lie beyond one edge never
// enter the device.
class PolylineThinner
{
public:
    // toDevice maps the points to device pixels; only its x scale and x translation are used.
    PolylineThinner(const QTransform &toDevice, int deviceWidth);

    void add(const QPointF &point);
    // The thinned polyline so far; the thinner is empty afterwards.
    QVector<QPointF> finish();

private:
    long long columnOf(double x) const;
    void flushRun();

    QTransform m_toDevice;
    int m_deviceWidth;
    QVector<QPointF> m_out;
    long long m_column = 0;
    QPointF m_first, m_low, m_high, m_last;
    int m_lowIndex = 0, m_highIndex = 0, m_count = 0;
};
