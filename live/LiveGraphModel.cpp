#include "LiveGraphModel.h"

#include "Axis.h"
#include "GraphSeries.h"
#include "QGraph.h"
#include "QGraphView.h"

LiveGraphModel::Line::Line(LiveReadings::Series series, Qt::GlobalColor colour, const QString &name, qreal width)
    : series(series)
    , colour(colour)
    , name(name)
    , width(width)
{
}

LiveGraphModel::LiveGraphModel(QGraph *graph, const QString &yUnit, const QList<Line> &lines,
                               const QPointF &extentMaximum, const QPointF &extentMinimum, Qt::GlobalColor labelColour,
                               int trackedLine, const QString &xUnit)
    : graph(graph)
    , yUnit(yUnit)
    , lines(lines)
    , extentMaximum(extentMaximum)
    , extentMinimum(extentMinimum)
    , labelColour(labelColour)
    , trackedLine(trackedLine)
    , xUnit(xUnit)
{
}

QList<LiveGraphModel::Line> LiveGraphModel::xyz(LiveReadings::Series x)
{
    return {{x, Qt::green, QStringLiteral("X")},
            {LiveReadings::Series(x + 1), Qt::blue, QStringLiteral("Y")},
            {LiveReadings::Series(x + 2), Qt::black, QStringLiteral("Z")}};
}

QList<LiveGraphModel::Line> LiveGraphModel::batteries()
{
    return {{LiveReadings::ComputerBattery, Qt::red, QStringLiteral("Computer")},
            {LiveReadings::EjectionBattery, Qt::green, QStringLiteral("Ejection")}};
}

QList<LiveGraphModel::Line> LiveGraphModel::outputLines(qreal width)
{
    return {{LiveReadings::LineA, Qt::red, QStringLiteral("Line A"), width},
            {LiveReadings::LineB, Qt::green, QStringLiteral("Line B"), width},
            {LiveReadings::LineC, Qt::blue, QStringLiteral("Line C"), width},
            {LiveReadings::LineD, Qt::black, QStringLiteral("Line D"), width}};
}

QList<GraphSeries *> LiveGraphModel::build(LiveReadings &readings) const
{
    auto *axis = new Axis(QPen(Qt::black), QPen(Qt::black), QPen(Qt::black), QPen(labelColour));
    axis->xUnit = xUnit;
    axis->yUnit = yUnit;
    QList<GraphSeries *> built;
    for (const Line &line : lines) {
        auto *series = new GraphSeries(QPen(line.colour, line.width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin),
                                       QPen(Qt::black), QBrush(Qt::black, Qt::SolidPattern), 2);
        series->setName(line.name);
        series->markersVisible = true;
        series->extentBox = {extentMinimum.x(), extentMinimum.y(), extentMaximum.x(), extentMaximum.y()};
        axis->series.append(series);
        built.append(series);
        if (line.series != LiveReadings::Unplotted)
            readings.attach(line.series, series, graph);
    }
    graph->append(axis);
    graph->view()->setTracker(built.at(trackedLine));
    graph->view()->optimizeAxis();
    if (!lines.first().name.isEmpty())
        graph->updateLegend();
    return built;
}
