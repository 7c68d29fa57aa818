// Draws the program's embedded images. Run by hand when a picture changes:
//     make_images <directory>
// and commit the PNG files it writes (src/images). Only shapes are drawn,
// no fonts, so the output is the same on every machine.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor green(0x2e, 0xa0, 0x3c);
const QColor dark_green(0x1b, 0x6b, 0x25);
const QColor red(0xc8, 0x1e, 0x1e);
const QColor steel(0x8a, 0x94, 0x9e);
const QColor dark(0x33, 0x38, 0x3d);

bool save(const QString& dir, const QString& name, int w, int h, const std::function<void(QPainter&)>& draw)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    const QString path = QDir(dir).filePath(name);
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "can't write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The emblem: a red square with a white capital V.
void engine(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawRoundedRect(QRectF(2, 2, 105, 106), 10, 10);
    QPainterPath v;
    v.moveTo(22, 20);
    v.lineTo(42, 20);
    v.lineTo(54.5, 68);
    v.lineTo(67, 20);
    v.lineTo(87, 20);
    v.lineTo(64, 90);
    v.lineTo(45, 90);
    v.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(v);
}

void play(QPainter& p)
{
    QPainterPath a;
    a.moveTo(4, 11);
    a.lineTo(15, 11);
    a.lineTo(15, 4);
    a.lineTo(29, 16);
    a.lineTo(15, 28);
    a.lineTo(15, 21);
    a.lineTo(4, 21);
    a.closeSubpath();
    p.setPen(QPen(dark_green, 1.5));
    p.setBrush(green);
    p.drawPath(a);
}

void down(QPainter& p)
{
    QPainterPath a;
    a.moveTo(11, 2);
    a.lineTo(21, 2);
    a.lineTo(21, 12);
    a.lineTo(28, 12);
    a.lineTo(16, 24);
    a.lineTo(4, 12);
    a.lineTo(11, 12);
    a.closeSubpath();
    p.setPen(QPen(dark_green, 1.5));
    p.setBrush(green);
    p.drawPath(a);
    p.setPen(Qt::NoPen);
    p.setBrush(dark);
    p.drawRect(QRectF(4, 26, 24, 4));
}

// A wrench lying diagonally: a handle and an open jaw.
void configure(QPainter& p)
{
    p.translate(24, 24);
    p.rotate(-45);
    QPainterPath w;
    w.addRoundedRect(QRectF(-4.5, -2, 9, 24), 4, 4);
    QPainterPath head;
    head.addEllipse(QPointF(0, -10), 10, 10);
    QPainterPath jaw;
    jaw.addRect(QRectF(-4, -22, 8, 12));
    w = w.united(head).subtracted(jaw);
    p.setPen(QPen(dark, 1.5));
    p.setBrush(steel);
    p.drawPath(w);
    p.setPen(Qt::NoPen);
    p.setBrush(dark);
    p.drawEllipse(QPointF(0, 17), 2, 2);
}

// The Qt logo drawn from shapes: a green tile with a white "Q" and "t".
void qt_icon(QPainter& p)
{
    QPainterPath tile;
    tile.moveTo(6, 1);
    tile.lineTo(31, 1);
    tile.lineTo(31, 26);
    tile.lineTo(26, 31);
    tile.lineTo(1, 31);
    tile.lineTo(1, 6);
    tile.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x41, 0xcd, 0x52));
    p.drawPath(tile);
    QPen pen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 8, 12, 15));
    p.drawLine(QPointF(13, 19), QPointF(18, 25));
    p.drawLine(QPointF(23, 7), QPointF(23, 22));
    p.drawArc(QRectF(23, 17, 6, 6), 180 * 16, 90 * 16);
    p.drawLine(QPointF(20, 12), QPointF(28, 12));
}

void plug(QPainter& p, const QColor& body)
{
    p.setPen(Qt::NoPen);
    p.setBrush(steel);
    p.drawRect(QRectF(9, 2, 3, 8));
    p.drawRect(QRectF(16, 2, 3, 8));
    p.setPen(QPen(dark, 1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(6, 9, 16, 10), 2, 2);
    p.drawRect(QRectF(11, 19, 6, 5));
    p.setPen(QPen(dark, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 24), QPointF(14, 30));
}

void connect(QPainter& p)
{
    plug(p, QColor(0x5a, 0x62, 0x6b));
    QPainterPath bolt;
    bolt.moveTo(26, 8);
    bolt.lineTo(20, 19);
    bolt.lineTo(25, 19);
    bolt.lineTo(22, 30);
    bolt.lineTo(31, 16);
    bolt.lineTo(26, 16);
    bolt.lineTo(29, 8);
    bolt.closeSubpath();
    p.setPen(QPen(QColor(0x9a, 0x6b, 0x00), 1));
    p.setBrush(QColor(0xff, 0xc8, 0x1e));
    p.drawPath(bolt);
}

void refresh(QPainter& p)
{
    p.setPen(QPen(green, 5, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 6, 20, 20), 60 * 16, 280 * 16);
    // The arrow head at the arc's open end.
    const double a = 60 * M_PI / 180;
    const QPointF end(16 + 10 * std::cos(a), 16 - 10 * std::sin(a));
    QPainterPath head;
    head.moveTo(end + QPointF(-6, -6));
    head.lineTo(end + QPointF(7, -1));
    head.lineTo(end + QPointF(-2, 8));
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawPath(head);
}

// A terminal: a monitor on a stand, a prompt on the screen and a plug on
// its cable.
void device_picture(QPainter& p)
{
    p.setPen(QPen(dark, 3));
    p.setBrush(QColor(0xd8, 0xdc, 0xe0));
    p.drawRoundedRect(QRectF(8, 10, 96, 72), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x20, 0x18));
    p.drawRect(QRectF(16, 18, 80, 56));
    p.setPen(QPen(QColor(0x3c, 0xe0, 0x5a), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(24, 30), QPointF(34, 38), QPointF(24, 46)}));
    p.drawLine(QPointF(40, 48), QPointF(56, 48));
    p.setPen(QPen(dark, 3));
    p.setBrush(QColor(0xb0, 0xb6, 0xbc));
    p.drawRect(QRectF(48, 82, 16, 10));
    p.drawRoundedRect(QRectF(30, 92, 52, 8), 3, 3);
    // Cable from the monitor's side to the plug.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(dark, 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath cable;
    cable.moveTo(104, 60);
    cable.cubicTo(118, 62, 118, 84, 110, 94);
    p.drawPath(cable);
    p.translate(96, 92);
    p.setPen(QPen(dark, 2));
    p.setBrush(QColor(0x5a, 0x62, 0x6b));
    p.drawRoundedRect(QRectF(4, 2, 22, 16), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(steel);
    p.drawRect(QRectF(8, 18, 4, 10));
    p.drawRect(QRectF(18, 18, 4, 10));
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_images <directory>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    bool ok = save(dir, "engine.png", 109, 110, engine) && save(dir, "play.png", 32, 32, play)
              && save(dir, "down.png", 32, 32, down) && save(dir, "configure.png", 48, 48, configure)
              && save(dir, "qt-icon.png", 32, 32, qt_icon) && save(dir, "connect.png", 32, 32, connect)
              && save(dir, "refresh.png", 32, 32, refresh) && save(dir, "device.png", 128, 128, device_picture);
    return ok ? 0 : 1;
}
