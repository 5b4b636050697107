#include "BrandMark.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace {
// The drawing's own coordinates have y upward; Qt's go downward.
QPointF grid(qreal x, qreal y)
{
    return {x, BrandMark::gridSize - y};
}

void addBracket(QPainterPath &path, QPointF start, QPointF corner1, QPointF control1, QPointF control2, QPointF corner2,
                QPointF end)
{
    path.moveTo(start);
    path.lineTo(corner1);
    path.cubicTo(control1, control2, corner2);
    path.lineTo(end);
}

// The tile spans the whole icon; the mark sits in its middle two thirds.
constexpr qreal tileCornerRatio = 5.5 / 24.0;
constexpr qreal markInsetRatio = 3.0 / 24.0;
const QColor tileTop = QColor::fromRgbF(0.16f, 0.18f, 0.24f);
const QColor tileBottom = QColor::fromRgbF(0.04f, 0.05f, 0.07f);
} // namespace

QPainterPath BrandMark::bracketsPath()
{
    QPainterPath path;
    addBracket(path, grid(5.58, 16.56), grid(2.34, 16.56), grid(1.728, 16.56), grid(1.44, 16.272), grid(1.44, 15.66),
               grid(1.44, 12.42));
    addBracket(path, grid(12.42, 16.56), grid(15.66, 16.56), grid(16.272, 16.56), grid(16.56, 16.272),
               grid(16.56, 15.66), grid(16.56, 12.42));
    addBracket(path, grid(1.44, 5.58), grid(1.44, 2.34), grid(1.44, 1.728), grid(1.728, 1.44), grid(2.34, 1.44),
               grid(5.58, 1.44));
    addBracket(path, grid(16.56, 5.58), grid(16.56, 2.34), grid(16.56, 1.728), grid(16.272, 1.44), grid(15.66, 1.44),
               grid(12.42, 1.44));
    return path;
}

QPainterPath BrandMark::dotsPath()
{
    constexpr qreal diameter = 2.34;
    QPainterPath path;
    for (const qreal x : {4.14, 7.83, 11.52}) {
        // The bounding square's origin is its bottom-left corner in the drawing's coordinates.
        const QPointF topLeft = grid(x, 7.83 + diameter);
        path.addEllipse(QRectF(topLeft, QSizeF(diameter, diameter)));
    }
    return path;
}

void BrandMark::paintMark(QPainter &painter, const QRectF &target, const QColor &color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.topLeft());
    painter.scale(target.width() / gridSize, target.height() / gridSize);
    QPen pen(color, strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.strokePath(bracketsPath(), pen);
    painter.fillPath(dotsPath(), color);
    painter.restore();
}

void BrandMark::paintAppIcon(QPainter &painter, const QRectF &target)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(target.topLeft(), target.bottomLeft());
    gradient.setColorAt(0, tileTop);
    gradient.setColorAt(1, tileBottom);
    const qreal radius = target.width() * tileCornerRatio;
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(target, radius, radius);
    const qreal inset = target.width() * markInsetRatio;
    paintMark(painter, target.adjusted(inset, inset, -inset, -inset), Qt::white);
    painter.restore();
}

QImage BrandMark::appIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintAppIcon(painter, QRectF(0, 0, size, size));
    return image;
}

QIcon BrandMark::appIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

QIcon BrandMark::trayIcon(const QColor &color)
{
    QIcon icon;
    for (const int size : {18, 22, 24, 36, 44, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintMark(painter, QRectF(0, 0, size, size), color);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
