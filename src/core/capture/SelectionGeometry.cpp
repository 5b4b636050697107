#include "SelectionGeometry.h"

#include <algorithm>
#include <cmath>

namespace SelectionGeometry {

QRectF integral(const QRectF &rect)
{
    const QRectF normal = rect.normalized();
    const double left = std::floor(normal.left());
    const double top = std::floor(normal.top());
    return {left, top, std::ceil(normal.right()) - left, std::ceil(normal.bottom()) - top};
}

QRectF spanned(QPointF from, QPointF to)
{
    return integral(QRectF(from, to));
}

bool isLargeEnough(const QRectF &rect)
{
    return rect.width() >= minimumSelectionPoints && rect.height() >= minimumSelectionPoints;
}

QPointF clamped(QPointF point, const QRectF &bounds)
{
    return {std::clamp(point.x(), bounds.left(), bounds.right()), std::clamp(point.y(), bounds.top(), bounds.bottom())};
}

QRect pixelRect(const QRectF &rect, QSizeF points, QSize pixels)
{
    if (points.isEmpty() || pixels.isEmpty())
        return {};
    const double scaleX = pixels.width() / points.width();
    const double scaleY = pixels.height() / points.height();
    // std::lround rounds halves away from zero, as the output size is specified.
    const QRect scaled(int(std::lround(rect.x() * scaleX)), int(std::lround(rect.y() * scaleY)),
                       std::max(1, int(std::lround(rect.width() * scaleX))),
                       std::max(1, int(std::lround(rect.height() * scaleY))));
    return scaled.intersected(QRect(QPoint(0, 0), pixels));
}

QImage cut(const QImage &picture, QSizeF points, const QRectF &rect)
{
    const QRect pixels = pixelRect(rect, points, picture.size());
    if (pixels.isEmpty())
        return {};
    QImage region = picture.copy(pixels);
    region.setDevicePixelRatio(picture.width() / points.width());
    return region;
}

QRectF displayAnchoredSquare(const QRectF &selection, QSizeF display)
{
    const double side = std::max(display.width(), display.height()) * 1.18;
    const double left = selection.left() + (side - display.width()) * 0.5;
    const double bottom = selection.bottom() - (side - display.height()) * 0.5;
    return {left, bottom - side, side, side};
}

QRectF windowCentredSquare(const QRectF &selection, QSizeF window)
{
    const double side = std::max(window.width(), window.height()) * 1.6;
    const double bottom = selection.bottom() + (side - window.height()) * 0.5;
    return {selection.left() - (side - window.width()) * 0.5, bottom - side, side, side};
}

} // namespace SelectionGeometry
