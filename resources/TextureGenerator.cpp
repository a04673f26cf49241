// Draws the three device textures of the attitude view: the board's front with its parts,
// its back under a blue label and its layered edge. The images are drawn upright (USB end
// at the top) and then turned the way the attitude view's box maps them, so that both
// faces read upright when they face the viewer.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

const QSize faceSize(256, 1024);
const QSize edgeSize(32, 512);
const QColor solderMask(24, 112, 58);
const QColor traceColour(40, 140, 76);
const QColor copper(214, 170, 70);
const QColor silkscreen(235, 235, 225);
const QColor fibreglass(196, 168, 104);
const QColor labelBlue(30, 70, 170);

void setFontPixels(QPainter &p, int pixels, bool bold)
{
    QFont font = p.font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    p.setFont(font);
}

// A face of the bare board: solder mask with a mounting hole in each corner.
QImage boardFace()
{
    QImage image(faceSize, QImage::Format_ARGB32);
    image.fill(solderMask);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (const QPointF centre : {QPointF(22, 22), QPointF(234, 22), QPointF(22, 1002), QPointF(234, 1002)}) {
        p.setBrush(copper);
        p.drawEllipse(centre, 14, 14);
        p.setBrush(QColor(30, 30, 30));
        p.drawEllipse(centre, 8, 8);
    }
    p.end();
    return image;
}

void drawChip(QPainter &p, const QRectF &body, const QString &marking, int pinsPerSide)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    const double pitch = body.width() / (pinsPerSide + 1);
    for (int i = 1; i <= pinsPerSide; ++i) {
        p.drawRect(QRectF(body.left() + i * pitch - 2, body.top() - 6, 4, 6));
        p.drawRect(QRectF(body.left() + i * pitch - 2, body.bottom(), 4, 6));
        p.drawRect(QRectF(body.left() - 6, body.top() + i * pitch - 2, 6, 4));
        p.drawRect(QRectF(body.right(), body.top() + i * pitch - 2, 6, 4));
    }
    p.setBrush(QColor(28, 28, 30));
    p.drawRect(body);
    p.setPen(QColor(170, 170, 170));
    setFontPixels(p, 12, false);
    p.drawText(body, Qt::AlignCenter, marking);
}

void drawTraces(QPainter &p)
{
    p.setPen(QPen(traceColour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 6; ++i) {
        QPainterPath path(QPointF(70 + i * 10, 330));
        path.lineTo(70 + i * 10, 420 + i * 6);
        path.lineTo(40 + i * 10, 450 + i * 6);
        path.lineTo(40 + i * 10, 860);
        p.drawPath(path);
    }
    for (int i = 0; i < 4; ++i) {
        QPainterPath path(QPointF(176 + i * 10, 560));
        path.lineTo(176 + i * 10, 880);
        p.drawPath(path);
    }
}

void drawTerminalBlock(QPainter &p)
{
    setFontPixels(p, 16, true);
    const QString lines = QStringLiteral("ABCD");
    for (int i = 0; i < 4; ++i) {
        const QRectF terminal(28 + i * 52, 900, 46, 60);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 180));
        p.drawRect(terminal);
        p.setBrush(QColor(190, 190, 190));
        p.drawEllipse(terminal.center() + QPointF(0, -8), 14, 14);
        p.setPen(QPen(QColor(90, 90, 90), 3));
        p.drawLine(terminal.center() + QPointF(-10, -8), terminal.center() + QPointF(10, -8));
        p.setPen(silkscreen);
        p.drawText(QRectF(terminal.left(), 870, terminal.width(), 26), Qt::AlignCenter, lines.mid(i, 1));
    }
}

QImage front()
{
    QImage image = boardFace();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawTraces(p);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 205, 210));   // USB socket
    p.drawRect(QRectF(88, 0, 80, 56));
    p.setBrush(QColor(120, 120, 125));
    p.drawRect(QRectF(100, 8, 56, 20));

    drawChip(p, QRectF(68, 240, 96, 96), QStringLiteral("MCU"), 8);
    drawChip(p, QRectF(150, 430, 60, 60), QStringLiteral("BARO"), 4);
    drawChip(p, QRectF(40, 470, 70, 50), QStringLiteral("IMU"), 4);

    p.setPen(QPen(QColor(150, 150, 150), 2));  // GPS module shield
    p.setBrush(QColor(190, 192, 196));
    p.drawRoundedRect(QRectF(58, 580, 140, 140), 6, 6);
    p.setPen(QColor(60, 60, 60));
    setFontPixels(p, 22, true);
    p.drawText(QRectF(58, 580, 140, 140), Qt::AlignCenter, QStringLiteral("GPS"));

    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {        // status LEDs
        p.setBrush(i % 2 ? QColor(230, 40, 40) : QColor(250, 200, 40));
        p.drawRect(QRectF(200, 96 + i * 26, 14, 9));
    }

    p.setPen(silkscreen);
    setFontPixels(p, 30, true);
    p.drawText(QRectF(0, 130, 256, 40), Qt::AlignCenter, QStringLiteral("NUV QORA"));
    setFontPixels(p, 14, false);
    p.drawText(QRectF(0, 170, 256, 24), Qt::AlignCenter, QStringLiteral("flight computer 2.1"));
    p.drawText(QRectF(0, 760, 256, 24), Qt::AlignCenter, QStringLiteral("LINES"));
    drawTerminalBlock(p);
    p.end();
    // The box maps this face mirrored top to bottom.
    return image.mirrored(false, true);
}

QImage back()
{
    QImage image = boardFace();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF label(20, 90, 216, 760);
    p.setPen(Qt::NoPen);
    p.setBrush(labelBlue);
    p.drawRoundedRect(label, 10, 10);
    p.setPen(Qt::white);
    setFontPixels(p, 34, true);
    p.drawText(QRectF(label.left(), 140, label.width(), 44), Qt::AlignCenter, QStringLiteral("NUV"));
    p.drawText(QRectF(label.left(), 184, label.width(), 44), Qt::AlignCenter, QStringLiteral("QORA"));
    setFontPixels(p, 15, false);
    int y = 260;
    for (const char *line : {"Flight computer", "Hardware 2.1", "Outputs A B C D", "", "Do not cover the", "pressure port"}) {
        p.drawText(QRectF(label.left(), y, label.width(), 22), Qt::AlignCenter, QString::fromLatin1(line));
        y += 24;
    }
    p.setBrush(Qt::white);                 // serial-number code
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(48, 640, 160, 120));
    p.setBrush(Qt::black);
    for (int bar = 0, x = 56; x < 200; ++bar) {
        const int w = 2 + (bar * 7) % 5;
        p.drawRect(QRectF(x, 650, w, 80));
        x += w + 2 + (bar * 3) % 3;
    }

    p.setBrush(copper);                    // battery pads
    p.drawRect(QRectF(60, 900, 50, 50));
    p.drawRect(QRectF(146, 900, 50, 50));
    p.setPen(silkscreen);
    setFontPixels(p, 28, false);
    p.drawText(QRectF(60, 950, 50, 40), Qt::AlignCenter, QStringLiteral("+"));
    p.drawText(QRectF(146, 950, 50, 40), Qt::AlignCenter, QStringLiteral("-"));
    p.end();
    // The box maps this face turned by half a turn.
    return image.mirrored(true, true);
}

QImage edge()
{
    QImage image(edgeSize, QImage::Format_ARGB32);
    image.fill(fibreglass);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, 4, edgeSize.height()), solderMask);
    p.fillRect(QRect(edgeSize.width() - 4, 0, 4, edgeSize.height()), solderMask);
    p.fillRect(QRect(4, 0, 2, edgeSize.height()), copper);
    p.fillRect(QRect(edgeSize.width() - 6, 0, 2, edgeSize.height()), copper);
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: nuv-texture-generator <resources folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool saved = front().save(folder.filePath(QStringLiteral("QORA_front.png")))
        && back().save(folder.filePath(QStringLiteral("QORA_back.png")))
        && edge().save(folder.filePath(QStringLiteral("QORA_sides.png")));
    if (!saved)
        std::fprintf(stderr, "cannot write the textures into %s\n", argv[1]);
    return saved ? 0 : 1;
}
