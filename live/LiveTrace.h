#pragma once

class GraphSeries;

// One series of a live graph. Each point is plotted against the time since the first point
// the series received after it was last emptied. A bounded trace empties itself past
// MaximumPoints, so a trace that runs for hours starts again at time 0 instead of growing
// without end.
class LiveTrace
{
public:
    static constexpr int MaximumPoints = 1000;

    void attach(GraphSeries *series, bool bounded);
    bool isAttached() const { return m_series != nullptr; }

    void add(float time, double value);
    bool isEmpty() const;
    // Keeps the bounds: the view does not jump back while the trace restarts.
    void clear();

private:
    GraphSeries *m_series = nullptr; // owned by its graph's axis
    bool m_bounded = true;
    float m_origin = 0;
};
