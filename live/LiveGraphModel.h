#pragma once

#include "LiveReadings.h"

#include <QList>
#include <QPointF>
#include <QString>

class GraphSeries;
class QGraph;

// One row of a live window's table of graphs: the graph, its axis and its series, each
// series plotting a reading of LiveReadings or one of the window's own.
struct LiveGraphModel
{
    struct Line
    {
        // name: none, and the graph has no legend.
        Line(LiveReadings::Series series, Qt::GlobalColor colour, const QString &name = QString(), qreal width = 1);

        LiveReadings::Series series;
        Qt::GlobalColor colour;
        QString name;
        qreal width;
    };

    // The extents are what the axis always keeps in view, whatever the data; the label colour
    // that of the axis's fourth pen, the others being black; the tracked line the one the
    // view's tracker follows.
    LiveGraphModel(QGraph *graph, const QString &yUnit, const QList<Line> &lines, const QPointF &extentMaximum,
                   const QPointF &extentMinimum = QPointF(), Qt::GlobalColor labelColour = Qt::black,
                   int trackedLine = 0, const QString &xUnit = QStringLiteral("s"));

    QGraph *graph;
    QString yUnit;
    QList<Line> lines;
    QPointF extentMaximum;
    QPointF extentMinimum;
    Qt::GlobalColor labelColour;
    int trackedLine;
    QString xUnit;

    // The lines both programs draw alike: the X, Y and Z of a three-axis sensor (from its X
    // series on), the two batteries and the four output lines.
    static QList<Line> xyz(LiveReadings::Series x);
    static QList<Line> batteries();
    static QList<Line> outputLines(qreal width);

    // Gives the graph its axis and series and attaches each series of a reading to `readings`.
    // Returns the series in the order of the lines.
    QList<GraphSeries *> build(LiveReadings &readings) const;
};
