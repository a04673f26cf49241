#include "QGraph.h"

#include "Axis.h"
#include "GraphSeries.h"
#include "QGraphView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

namespace {

constexpr float menuZoomFactor = 2.0f;

} // namespace

QGraph::QGraph(QWidget *parent)
    : QWidget(parent)
    , m_view(new QGraphView(this, this))
    , m_headerLayout(new QHBoxLayout)
    , m_menuBar(new QMenuBar(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_headerLayout);
    layout->addWidget(m_view);
    m_headerLayout->addWidget(m_menuBar);

    QMenu *options = m_menuBar->addMenu(tr("Options"));
    QAction *overview = options->addAction(tr("Show Overview"));
    overview->setCheckable(true);
    overview->setChecked(true);
    connect(overview, &QAction::toggled, m_view, qOverload<bool>(&QGraphView::showOverview));
    QAction *tracking = options->addAction(tr("Track input"));
    tracking->setCheckable(true);
    connect(tracking, &QAction::toggled, m_view, qOverload<bool>(&QGraphView::setTracking));
    connect(options->addAction(tr("Zoom X")), &QAction::triggered, this, &QGraph::zoomX);
    connect(options->addAction(tr("Zoom Y")), &QAction::triggered, this, &QGraph::zoomY);
    connect(options->addAction(tr("Fit")), &QAction::triggered, m_view, &QGraphView::fit);
    connect(options->addAction(tr("Optimize Axis")), &QAction::triggered, m_view, &QGraphView::optimizeAxis);
}

QGraph::~QGraph()
{
    qDeleteAll(*this);
    clear();
}

void QGraph::zoomX()
{
    m_view->zoomX(menuZoomFactor);
}

void QGraph::zoomY()
{
    m_view->zoomY(menuZoomFactor);
}

void QGraph::updateLegend()
{
    qDeleteAll(m_legendLabels);
    m_legendLabels.clear();
    for (const Axis *axis : qAsConst(*this)) {
        for (const GraphSeries *series : axis->series) {
            auto *name = new QLabel(series->name() + QStringLiteral(" -> "), this);
            name->setStyleSheet(QStringLiteral("padding-left: 20px"));
            auto *swatch = new QLabel(this);
            swatch->setAutoFillBackground(true);
            QPalette palette = swatch->palette();
            palette.setColor(QPalette::Window, series->linePen.color());
            swatch->setPalette(palette);
            swatch->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Minimum);
            m_headerLayout->addWidget(name);
            m_headerLayout->addWidget(swatch);
            m_legendLabels << name << swatch;
        }
    }
}
