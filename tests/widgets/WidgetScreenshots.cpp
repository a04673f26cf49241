// Renders a plot of a synthetic flight and the attitude view in a few attitudes to PNG files
// for a reviewer to look at. Needs a display (xvfb-run -a works).
//   widget_screenshots <output folder>
#include "Axis.h"
#include "GraphSeries.h"
#include "OrientationWidget.h"
#include "QGraph.h"
#include "QGraphView.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QtMath>

#include <cstdio>

namespace {

constexpr double burnTime = 2.5;
constexpr double boostAcceleration = 80;
constexpr double gravity = 9.81;
constexpr double descentRate = 20;

struct FlightSample {
    double altitude;
    double acceleration;
};

// A simple flight: constant thrust, ballistic coast, then a steady descent under the parachute.
FlightSample sampleAt(double t)
{
    const double burnoutSpeed = boostAcceleration * burnTime;
    const double burnoutAltitude = 0.5 * boostAcceleration * burnTime * burnTime;
    const double apogeeTime = burnTime + burnoutSpeed / gravity;
    const double apogee = burnoutAltitude + burnoutSpeed * burnoutSpeed / (2 * gravity);
    const double wobble = 3 * std::sin(t * 7.3) + 1.5 * std::sin(t * 23.1);
    if (t < burnTime)
        return {0.5 * boostAcceleration * t * t, boostAcceleration + wobble};
    if (t < apogeeTime) {
        const double coast = t - burnTime;
        return {burnoutAltitude + burnoutSpeed * coast - 0.5 * gravity * coast * coast, -gravity + wobble * 0.3};
    }
    return {std::max(0.0, apogee - descentRate * (t - apogeeTime)), wobble * 0.2};
}

GraphSeries *newSeries(const QColor &colour, const QString &name)
{
    auto *series = new GraphSeries(QPen(colour, 2), QPen(colour.darker()), QBrush(colour.lighter()), 2.0f);
    series->setName(name);
    return series;
}

Axis *newAxis(const QString &yUnit)
{
    auto *axis = new Axis(QPen(Qt::black, 1), QPen(Qt::black, 1), QPen(Qt::lightGray), QPen(Qt::darkGray));
    axis->xUnit = QStringLiteral("s");
    axis->yUnit = yUnit;
    return axis;
}

void buildFlightPlot(QGraph &graph)
{
    Axis *altitudeAxis = newAxis(QStringLiteral("m"));
    Axis *accelerationAxis = newAxis(QStringLiteral("m/s²"));
    GraphSeries *altitude = newSeries(QColor(30, 90, 220), QStringLiteral("Altitude"));
    GraphSeries *acceleration = newSeries(QColor(220, 60, 40), QStringLiteral("Acceleration"));
    for (double t = -2; t <= 140; t += 0.01) {
        const FlightSample sample = sampleAt(std::max(t, 0.0));
        const QPointF altitudePoint(t, sample.altitude), accelerationPoint(t, t < 0 ? 0 : sample.acceleration);
        altitude->points.append(altitudePoint);
        altitude->extendBounds(altitudePoint);
        acceleration->points.append(accelerationPoint);
        acceleration->extendBounds(accelerationPoint);
    }
    altitudeAxis->series.append(altitude);
    accelerationAxis->series.append(acceleration);
    const double apogeeTime = burnTime + boostAcceleration * burnTime / gravity;
    altitudeAxis->annotations = {{QPointF(0, 0), QStringLiteral("Launch")},
                                 {QPointF(burnTime, sampleAt(burnTime).altitude), QStringLiteral("Burnout")},
                                 {QPointF(apogeeTime, sampleAt(apogeeTime).altitude), QStringLiteral("Apogee")}};
    graph.append(altitudeAxis);
    graph.append(accelerationAxis);
    graph.updateLegend();
    graph.view()->timelines()->append(Timeline::create(float(burnTime)));
    graph.view()->timelines()->append(Timeline::create(float(apogeeTime)));
}

bool save(const QImage &image, const QDir &folder, const QString &name)
{
    const QString path = folder.filePath(name);
    if (image.save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: widget_screenshots <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool saved = true;

    QGraph graph;
    buildFlightPlot(graph);
    graph.resize(1200, 600);
    graph.show();
    QCoreApplication::processEvents();
    saved &= save(graph.grab().toImage(), folder, QStringLiteral("flight_plot.png"));
    graph.view()->zoomX(4.0f);
    saved &= save(graph.grab().toImage(), folder, QStringLiteral("flight_plot_zoomed.png"));

    OrientationWidget attitude;
    attitude.resize(400, 400);
    attitude.show();
    QCoreApplication::processEvents();
    const struct {
        const char *file;
        QQuaternion orientation;
    } attitudes[] = {
        {"attitude_identity.png", QQuaternion()},
        {"attitude_turned_half_about_length.png", QQuaternion::fromAxisAndAngle(0, 0, 1, 180)},
        {"attitude_turned_quarter_about_length.png", QQuaternion::fromAxisAndAngle(0, 0, 1, 90)},
        {"attitude_tilted.png", QQuaternion::fromEulerAngles(30, 20, 40)},
    };
    for (const auto &pose : attitudes) {
        attitude.setOrientation(pose.orientation);
        saved &= save(attitude.grabFramebuffer(), folder, QString::fromLatin1(pose.file));
    }
    return saved ? 0 : 1;
}
