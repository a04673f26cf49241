#pragma once

class GraphSeries;

// One series of a live graph. Each point is plotted against the time since the first point
// the series received after it was last emptied. Past MaximumPoints the series empties
// itself, so a trace that runs for hours starts again at time 0 instead of growing without end.
class LiveTrace
{
public:
    static constexpr int MaximumPoints = 1000;

    void attach(GraphSeries *series) { m_series = series; }
    GraphSeries *series() const { return m_series; }

    void add(float time, double value);
    bool isEmpty() const;
    // Keeps the bounds: the view does not jump back while the trace restarts.
    void clear();

private:
    GraphSeries *m_series = nullptr; // owned by its graph's axis
    float m_origin = 0;
};
