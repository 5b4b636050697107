#pragma once

#include <QPointF>
#include <QRectF>

class QPainter;

// One frame of the soft blue glow over a selection: two linear washes, six large soft clouds,
// four fainter highlights and a sparse one-pixel grain, clipped to a rounded rectangle. Stateless:
// the animation around it only chooses `fadeOut`.
class SelectionMagicRenderer
{
public:
    // Draws nothing unless `clipRect` is wider and taller than this.
    static constexpr double minimumClipSide = 4;
    static constexpr double cornerRadius = 10;
    // The smooth parts of the glow are painted at this fraction of the size, then stretched.
    static constexpr int layerDownscale = 8;

    // `clipRect` is where the glow shows, `contentRect` the (usually much larger) square the
    // pattern is laid out in, `fadeOut` in [0, 1] scales every alpha.
    static void draw(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect, double fadeOut);
    // The frame in parts, for a view that keeps the smooth parts between frames: a frame is the
    // washes at full strength drawn with opacity fadeOut, then the clouds and highlights at full
    // strength with opacity fadeOut squared (their own alpha is scaled by fadeOut as well), then
    // the grain. This equals `draw` up to a few levels of rounding.
    static void drawWashes(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect);
    static void drawClouds(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect);
    static void drawGrain(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect, double fadeOut);

    // The grain: max(w x h / 4200, 220) points at fixed places, so it does not crawl between frames.
    static int ditherPointCount(const QRectF &contentRect);
    // Point i of the grain as fractions of the content square (x rightward, y upward).
    static QPointF ditherFraction(int i);
    static double wrappedUnit(double x);

private:
    static void drawLayer(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect, double washFade,
                          double cloudFade);
};
