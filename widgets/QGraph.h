#pragma once

#include <QList>
#include <QWidget>

class Axis;
class QGraphView;
class QHBoxLayout;
class QLabel;
class QMenuBar;

// Plot widget of the device, flight and live windows: an options menu and the legend above the
// drawing surface. The graph is the list of its axes, which callers fill and the graph owns.
class QGraph : public QWidget, public QList<Axis *>
{
    Q_OBJECT

public:
    explicit QGraph(QWidget *parent = nullptr);
    ~QGraph() override;

    QGraphView *view() const { return m_view; }
    // The header's menu bar; windows add their own menus next to "Options".
    QMenuBar *menuBar() const { return m_menuBar; }
    // Rebuilds the legend from the series names and line colours; call after adding series.
    void updateLegend();

public slots:
    void zoomX();
    void zoomY();

private:
    QGraphView *m_view;
    QList<QLabel *> m_legendLabels;
    QHBoxLayout *m_headerLayout;
    QMenuBar *m_menuBar;
};
