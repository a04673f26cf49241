// Draws the two programs' icons and the two connection images of the console dock.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

// A rocket climbing on a dark blue tile.
QImage programIcon()
{
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 50, 110));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    p.translate(32, 32);
    p.rotate(45);
    QPainterPath body;
    body.moveTo(0, -24);
    body.cubicTo(9, -14, 8, 4, 6, 14);
    body.lineTo(-6, 14);
    body.cubicTo(-8, 4, -9, -14, 0, -24);
    p.setBrush(QColor(240, 240, 235));
    p.drawPath(body);
    p.setBrush(QColor(220, 60, 40));
    p.drawPolygon(QPolygonF({QPointF(-6, 4), QPointF(-13, 18), QPointF(-5, 14)}));
    p.drawPolygon(QPolygonF({QPointF(6, 4), QPointF(13, 18), QPointF(5, 14)}));
    p.setBrush(QColor(255, 170, 30));
    p.drawPolygon(QPolygonF({QPointF(-4, 15), QPointF(0, 27), QPointF(4, 15)}));
    p.setBrush(QColor(80, 160, 230));
    p.drawEllipse(QPointF(0, -8), 3.5, 3.5);
    return image;
}

// A ground station's dish on its mast, catching waves, on a dark green tile.
QImage groundStationIcon()
{
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 90, 60));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    p.setBrush(QColor(200, 200, 195));
    p.drawPolygon(QPolygonF({QPointF(22, 36), QPointF(16, 54), QPointF(36, 54), QPointF(28, 36)}));
    p.save();
    p.translate(25, 33);
    p.rotate(40);
    p.setBrush(QColor(240, 240, 235));
    p.drawChord(QRectF(-16, -12, 32, 24), 180 * 16, 180 * 16);
    p.setPen(QPen(QColor(240, 240, 235), 2));
    p.drawLine(QPointF(0, 0), QPointF(0, -12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 170, 30));
    p.drawEllipse(QPointF(0, -13), 3, 3);
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 170, 30), 3, Qt::SolidLine, Qt::RoundCap));
    for (int ring = 0; ring < 3; ++ring) {
        const double radius = 6 + 6 * ring;
        p.drawArc(QRectF(52 - radius, 12 - radius, 2 * radius, 2 * radius), 195 * 16, 60 * 16);
    }
    return image;
}

// A round lamp: lit green with a tick when connected, grey with a cross when not.
QImage connectionImage(bool connected)
{
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient light(QPointF(19, 17), 26);
    light.setColorAt(0, connected ? QColor(140, 240, 140) : QColor(215, 215, 215));
    light.setColorAt(1, connected ? QColor(20, 140, 40) : QColor(120, 120, 120));
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(light);
    p.drawEllipse(QRectF(3, 3, 42, 42));
    p.setPen(QPen(connected ? Qt::white : QColor(190, 30, 30), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (connected) {
        p.drawPolyline(QPolygonF({QPointF(14, 25), QPointF(21, 32), QPointF(34, 16)}));
    } else {
        p.drawLine(QPointF(16, 16), QPointF(32, 32));
        p.drawLine(QPointF(32, 16), QPointF(16, 32));
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool saved = folder.mkpath(QStringLiteral("Resources"))
        && programIcon().save(folder.filePath(QStringLiteral("NUV QORA.ico")), "ICO")
        && groundStationIcon().save(folder.filePath(QStringLiteral("NUV TAVO.ico")), "ICO")
        && connectionImage(true).save(folder.filePath(QStringLiteral("Resources/Connected.png")))
        && connectionImage(false).save(folder.filePath(QStringLiteral("Resources/Disconnected.png")));
    if (!saved)
        std::fprintf(stderr, "cannot write the images into %s\n", argv[1]);
    return saved ? 0 : 1;
}
