#include "qt/Artwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>

#include <array>
#include <cmath>
#include <set>

namespace quillon::qt {

namespace {

// Tree images are drawn on a 12 x 12 unit grid. One-unit strokes sit on half units, so that at
// every whole-number scale they cover whole device pixels.
void PaintBox(QPainter& p, const QColor& fill, const QColor& border) {
    p.setPen(QPen(border, 1.0));
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 1.5, 9.0, 9.0));
}

void PaintTick(QPainter& p, const QColor& colour) {
    QPen pen(colour, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF tick[] = {{3.6, 6.1}, {5.3, 7.9}, {8.6, 3.9}};
    p.drawPolyline(tick, 3);
}

void PaintFolder(QPainter& p) {
    const QColor border(0xa0, 0x74, 0x18);
    p.setPen(QPen(border, 1.0));
    p.setBrush(QColor(0xe8, 0xb0, 0x3c));
    QPainterPath tab;
    tab.moveTo(1.5, 3.5);
    tab.lineTo(1.5, 2.5);
    tab.lineTo(4.5, 2.5);
    tab.lineTo(5.5, 3.5);
    p.drawPath(tab);
    p.setBrush(QColor(0xf6, 0xcd, 0x62));
    p.drawRect(QRectF(1.5, 3.5, 9.0, 6.0));
}

void PaintGroup(QPainter& p) {
    const QColor border(0x2f, 0x65, 0x95);
    p.setPen(QPen(border, 1.0));
    p.setBrush(QColor(0xa9, 0xcb, 0xea));
    p.drawRect(QRectF(3.5, 1.5, 7.0, 6.0));
    p.setBrush(QColor(0x5b, 0x9b, 0xd5));
    p.drawRect(QRectF(1.5, 4.5, 7.0, 6.0));
}

void PaintSocket(QPainter& p) {
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.0));
    p.setBrush(QColor(0xe6, 0xe6, 0xe6));
    p.drawRoundedRect(QRectF(1.5, 1.5, 9.0, 9.0), 2.0, 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x33, 0x33, 0x33));
    p.drawRect(QRectF(4.0, 3.5, 1.0, 3.0));
    p.drawRect(QRectF(7.0, 3.5, 1.0, 3.0));
    p.drawEllipse(QRectF(5.25, 7.5, 1.5, 1.5));
}

void PaintClock(QPainter& p) {
    p.setPen(QPen(QColor(0x3c, 0x4a, 0x57), 1.0));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(6.0, 6.0), 4.5, 4.5);
    QPen hand(QColor(0x1d, 0x1d, 0x1d), 1.0);
    hand.setCapStyle(Qt::RoundCap);
    p.setPen(hand);
    p.drawLine(QPointF(6.0, 6.0), QPointF(6.0, 3.0));
    p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.0, 6.0), QPointF(8.2, 7.3));
}

void PaintNetwork(QPainter& p) {
    const QColor line(0x2e, 0x7d, 0x32);
    p.setPen(QPen(line, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(6.0, 4.0), QPointF(6.0, 6.5));
    p.drawLine(QPointF(3.0, 6.5), QPointF(9.0, 6.5));
    p.drawLine(QPointF(3.0, 6.5), QPointF(3.0, 8.0));
    p.drawLine(QPointF(9.0, 6.5), QPointF(9.0, 8.0));
    p.setBrush(QColor(0x7c, 0xc5, 0x7f));
    p.drawRect(QRectF(4.5, 1.5, 3.0, 2.5));
    p.drawRect(QRectF(1.5, 8.0, 3.0, 2.5));
    p.drawRect(QRectF(7.5, 8.0, 3.0, 2.5));
}

void PaintTreeImage(QPainter& p, TreeImage image) {
    const QColor white_fill(Qt::white);
    const QColor white_border(0x3c, 0x4a, 0x57);
    const QColor grey_fill(0xd9, 0xd9, 0xd9);
    const QColor grey_border(0x8c, 0x8c, 0x8c);
    switch (image) {
    case TreeImage::Off: PaintBox(p, white_fill, white_border); break;
    case TreeImage::On:
        PaintBox(p, white_fill, white_border);
        PaintTick(p, QColor(0x1d, 0x1d, 0x1d));
        break;
    case TreeImage::Fixed:
        PaintBox(p, grey_fill, grey_border);
        PaintTick(p, QColor(0x6a, 0x6a, 0x6a));
        break;
    case TreeImage::Category: PaintFolder(p); break;
    case TreeImage::Group: PaintGroup(p); break;
    case TreeImage::Socket: PaintSocket(p); break;
    case TreeImage::Clock: PaintClock(p); break;
    case TreeImage::Network: PaintNetwork(p); break;
    case TreeImage::Unavailable: PaintBox(p, grey_fill, grey_border); break;
    }
}

std::set<qreal> IconScales() {
    std::set<qreal> scales{1.0, 2.0};
    if (qGuiApp) {
        for (const QScreen* screen : QGuiApplication::screens()) scales.insert(screen->devicePixelRatio());
    }
    return scales;
}

}  // namespace

QImage RenderTreeImage(TreeImage image, qreal device_pixel_ratio) {
    const int pixels = std::max(1, static_cast<int>(std::lround(kTreeImageSize * device_pixel_ratio)));
    QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    {
        QPainter p(&out);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(pixels / double(kTreeImageSize), pixels / double(kTreeImageSize));
        PaintTreeImage(p, image);
    }
    out.setDevicePixelRatio(device_pixel_ratio);
    return out;
}

QIcon TreeImageIcon(TreeImage image) {
    static std::array<QIcon, kTreeImageCount> icons;
    QIcon& icon = icons[static_cast<std::size_t>(image)];
    if (icon.isNull()) {
        for (qreal scale : IconScales()) icon.addPixmap(QPixmap::fromImage(RenderTreeImage(image, scale)));
    }
    return icon;
}

QImage RenderAppIcon(int pixels) {
    QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64 x 64 grid: a rounded tile, a microcontroller with pins on all four sides,
    // and a small network of three nodes on the chip.
    p.scale(pixels / 64.0, pixels / 64.0);

    QLinearGradient tile(0, 4, 0, 60);
    tile.setColorAt(0, QColor(0x2a, 0x74, 0xa8));
    tile.setColorAt(1, QColor(0x15, 0x3e, 0x63));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 12, 12);

    p.setBrush(QColor(0xc3, 0xd3, 0xde));
    for (int i = 0; i < 4; ++i) {
        const double at = 21.5 + i * 6.0;
        p.drawRect(QRectF(at, 11, 3, 7));  // top
        p.drawRect(QRectF(at, 46, 3, 7));  // bottom
        p.drawRect(QRectF(11, at, 7, 3));  // left
        p.drawRect(QRectF(46, at, 7, 3));  // right
    }
    p.setBrush(QColor(0xee, 0xf3, 0xf7));
    p.drawRoundedRect(QRectF(17, 17, 30, 30), 3, 3);

    const QPointF a(32, 24.5), b(24.5, 38.5), c(39.5, 38.5);
    QPen link(QColor(0x1f, 0x5f, 0x8b), 2.6);
    link.setCapStyle(Qt::RoundCap);
    p.setPen(link);
    p.drawLine(a, b);
    p.drawLine(a, c);
    p.drawLine(b, c);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf0, 0x9a, 0x1c));
    for (const QPointF& node : {a, b, c}) p.drawEllipse(node, 4.2, 4.2);
    return out;
}

QIcon AppIcon() {
    static QIcon icon;
    if (icon.isNull()) {
        for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(RenderAppIcon(size)));
    }
    return icon;
}

}  // namespace quillon::qt
