#include "app/Glyphs.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QVector>

namespace obri {
namespace {

// The classic 16-colour palette; every picture here uses only these colours.
const QVector<QRgb>& sixteenColours() {
    static const QVector<QRgb> table = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return table;
}

QImage blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

QPixmap applicationIconPixmap() {
    QImage image = blank(32);
    {
        QPainter p(&image);
        // A picture card: frame, sky, sun and hills, with an arrow into a box (the archive).
        p.fillRect(2, 4, 24, 20, QColor(0, 0, 0));
        p.fillRect(3, 5, 22, 18, QColor(0, 255, 255));
        p.fillRect(18, 7, 4, 4, QColor(255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 128, 0));
        p.drawPolygon(
            QPolygon({QPoint(3, 22), QPoint(11, 12), QPoint(17, 19), QPoint(20, 16), QPoint(25, 22)}));
        p.fillRect(14, 20, 16, 10, QColor(0, 0, 0));
        p.fillRect(15, 21, 14, 8, QColor(128, 0, 0));
        p.fillRect(15, 21, 14, 2, QColor(255, 0, 0));
        p.fillRect(20, 24, 4, 2, QColor(255, 255, 255));
    }
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8, sixteenColours(), Qt::ThresholdDither);
    // Keep the transparent background: convertToFormat drops alpha with a palette of opaque colours.
    QImage result = indexed.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(image.pixel(x, y)) == 0) result.setPixel(x, y, qRgba(0, 0, 0, 0));
    return QPixmap::fromImage(result);
}

QIcon applicationIcon() { return QIcon(applicationIconPixmap()); }

QIcon pmsGlyph() {
    QImage image = blank(16);
    {
        QPainter p(&image);
        // A small picture: frame, sky and a hill.
        p.fillRect(1, 2, 14, 12, QColor(0, 0, 128));
        p.fillRect(2, 3, 12, 10, QColor(0, 255, 255));
        p.fillRect(10, 4, 2, 2, QColor(255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 128, 0));
        p.drawPolygon(QPolygon({QPoint(2, 13), QPoint(7, 7), QPoint(14, 13)}));
    }
    return QIcon(QPixmap::fromImage(image));
}

QIcon aldGlyph() {
    QImage image = blank(16);
    {
        QPainter p(&image);
        // A box holding several sheets: the archive.
        p.fillRect(3, 1, 9, 7, QColor(128, 128, 128));
        p.fillRect(4, 2, 7, 5, QColor(255, 255, 255));
        p.fillRect(1, 7, 14, 8, QColor(0, 0, 0));
        p.fillRect(2, 8, 12, 6, QColor(128, 0, 0));
        p.fillRect(2, 8, 12, 1, QColor(255, 0, 0));
        p.fillRect(6, 10, 4, 2, QColor(255, 255, 0));
    }
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace obri
