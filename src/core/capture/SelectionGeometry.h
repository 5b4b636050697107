#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>

// The geometry of a region selection, in Qt's top-left coordinates and points (device-independent
// pixels). Every rule a window or the capture needs lives here, so each is tested once.
namespace SelectionGeometry {
inline constexpr double minimumSelectionPoints = 12;

// Expanded outward to whole points: the minimum floored, the maximum ceiled.
QRectF integral(const QRectF &rect);

// The rectangle a drag between two points spans, made integral. The minimum size is checked on
// this rectangle, so a drag of 11.5 points that covers 12 whole points is accepted.
QRectF spanned(QPointF from, QPointF to);
bool isLargeEnough(const QRectF &rect);

// Keeps a drag on the display it started on.
QPointF clamped(QPointF point, const QRectF &bounds);

// The pixels of `rect` (points, relative to the picture's top left) in a picture of `pixels`
// covering `points`: the origin scaled and rounded, each side max(1, round(side x scale)), then
// kept inside the picture. Empty when nothing of the picture remains.
QRect pixelRect(const QRectF &rect, QSizeF points, QSize pixels);

// `rect` cut out of a frozen picture covering `points`, as an image of the rectangle's point
// size (its device pixel ratio that of the picture); null when no pixel remains.
QImage cut(const QImage &picture, QSizeF points, const QRectF &rect);

// The square the glow pattern is laid out in while a selection is made on a display of size
// `display`: 1.18 x its longer side, its bottom-left corner (s - W) / 2 to the right of and
// (s - H) / 2 above the selection's bottom-left corner, so the pattern moves with the selection.
QRectF displayAnchoredSquare(const QRectF &selection, QSizeF display);

// Without a display: a square 1.6 x the longer side of `window`, centred on `selection`'s window.
QRectF windowCentredSquare(const QRectF &selection, QSizeF window);
} // namespace SelectionGeometry
