#include "SelectionMagicRenderer.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>

namespace {
const std::array<QColor, 4> palette = {QColor(66, 133, 244), QColor(32, 92, 201), QColor(123, 170, 247),
                                       QColor(176, 205, 251)};
enum PaletteEntry { googleBlue, deepBlue, brightBlue, softBlue };

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return colour;
}

struct Stop
{
    double location;
    PaletteEntry colour;
    double alpha;
};

QGradientStops stops(const std::array<Stop, 6> &table)
{
    QGradientStops result;
    for (const Stop &stop : table)
        result.append(QGradientStop(stop.location, withAlpha(palette[stop.colour], stop.alpha)));
    return result;
}

const QGradientStops ambientWash = stops({{{0, googleBlue, 0},
                                           {0.14, googleBlue, 0.34},
                                           {0.34, deepBlue, 0.28},
                                           {0.58, brightBlue, 0.24},
                                           {0.82, softBlue, 0.28},
                                           {1, googleBlue, 0}}});
const QGradientStops baseWash = stops({{{0, deepBlue, 0},
                                        {0.18, deepBlue, 0.22},
                                        {0.42, googleBlue, 0.20},
                                        {0.68, softBlue, 0.18},
                                        {0.88, brightBlue, 0.16},
                                        {1, deepBlue, 0}}});

struct Glow
{
    double cx, cy, rx, ry;
    PaletteEntry colour;
    double alpha;
};
// Positions and radii as fractions of the content square, y upward from its bottom edge.
constexpr std::array<Glow, 6> clouds = {{{0.18, 0.68, 0.42, 0.34, googleBlue, 0.18},
                                         {0.72, 0.24, 0.36, 0.30, deepBlue, 0.18},
                                         {0.48, 0.52, 0.48, 0.40, brightBlue, 0.24},
                                         {0.30, 0.30, 0.28, 0.22, softBlue, 0.18},
                                         {0.84, 0.70, 0.24, 0.20, googleBlue, 0.18},
                                         {0.56, 0.14, 0.18, 0.18, deepBlue, 0.18}}};
constexpr std::array<Glow, 4> highlights = {{{0.22, 0.46, 0.58, 0.18, googleBlue, 0.08},
                                             {0.68, 0.58, 0.54, 0.16, deepBlue, 0.07},
                                             {0.46, 0.22, 0.50, 0.14, brightBlue, 0.06},
                                             {0.80, 0.34, 0.42, 0.12, softBlue, 0.06}}};

QPointF at(const QRectF &content, double fx, double fy)
{
    return {content.left() + fx * content.width(), content.bottom() - fy * content.height()};
}

void fillLinear(QPainter &painter, const QRectF &area, QPointF from, QPointF to, const QGradientStops &gradientStops)
{
    QLinearGradient gradient(from, to);
    gradient.setStops(gradientStops);
    gradient.setSpread(QGradient::PadSpread);
    painter.fillRect(area, gradient);
}

// A radial glow squeezed vertically into an ellipse; only the ellipse's bounds are filled, as
// the gradient is transparent beyond its radius.
void drawSoftEllipseGlow(QPainter &painter, const QRectF &area, QPointF centre, double radiusX, double radiusY,
                         const QColor &colour, double alpha)
{
    const QRectF bounds(centre.x() - radiusX, centre.y() - radiusY, 2 * radiusX, 2 * radiusY);
    const QRectF visible = bounds.intersected(area);
    if (visible.isEmpty() || alpha <= 0)
        return;
    QRadialGradient gradient(QPointF(0, 0), radiusX);
    gradient.setStops({{0, withAlpha(colour, alpha)},
                       {0.34, withAlpha(colour, alpha * 0.52)},
                       {0.72, withAlpha(colour, alpha * 0.14)},
                       {1, withAlpha(colour, 0)}});
    QBrush brush(gradient);
    brush.setTransform(QTransform::fromScale(1, radiusY / std::max(radiusX, 1.0)) *
                       QTransform::fromTranslate(centre.x(), centre.y()));
    painter.fillRect(visible, brush);
}

// The grain: one-point squares in overlay blending, light or dark by a fixed hash of their index.
void applyDither(QPainter &painter, const QPainterPath &clip, const QRectF &content, double fadeOut)
{
    const QRectF area = clip.boundingRect();
    const int count = SelectionMagicRenderer::ditherPointCount(content);
    QList<QRectF> light;
    QList<QRectF> dark;
    for (int i = 0; i < count; ++i) {
        const QPointF fraction = SelectionMagicRenderer::ditherFraction(i);
        const QRectF point(at(content, fraction.x(), fraction.y()) - QPointF(0, 1), QSizeF(1, 1));
        if (!area.contains(point.center()) || !clip.contains(point.center()))
            continue;
        const double s = SelectionMagicRenderer::wrappedUnit(std::sin(i * 13.37) * 15731.743);
        (s > 0.5 ? light : dark).append(point);
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Overlay);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(Qt::white, fadeOut * 0.02));
    painter.drawRects(light.constData(), int(light.size()));
    painter.setBrush(withAlpha(Qt::black, fadeOut * 0.02 * 0.75 * 0.85));
    painter.drawRects(dark.constData(), int(dark.size()));
    painter.restore();
}

// Draws `layer` stretched over `target` inside the rounded `clip`. Only the four corner squares
// need the rounded path; the rest is clipped by rectangles, which the raster engine fills far
// faster than spans of a path.
void drawThroughRoundedClip(QPainter &painter, const QRectF &clipRect, const QPainterPath &clip, const QRectF &target,
                            const QImage &layer)
{
    const double r = SelectionMagicRenderer::cornerRadius;
    const QRectF inner = clipRect.adjusted(r, r, -r, -r);
    const QList<QRectF> bands = {QRectF(clipRect.left(), inner.top(), clipRect.width(), inner.height()),
                                 QRectF(inner.left(), clipRect.top(), inner.width(), r),
                                 QRectF(inner.left(), inner.bottom(), inner.width(), r)};
    const QList<QRectF> corners = {
        QRectF(clipRect.topLeft(), QSizeF(r, r)), QRectF(QPointF(inner.right(), clipRect.top()), QSizeF(r, r)),
        QRectF(QPointF(clipRect.left(), inner.bottom()), QSizeF(r, r)), QRectF(inner.bottomRight(), QSizeF(r, r))};
    for (const QRectF &band : bands) {
        painter.save();
        painter.setClipRect(band, Qt::IntersectClip);
        painter.drawImage(target, layer);
        painter.restore();
    }
    for (const QRectF &corner : corners) {
        QPainterPath rounded;
        rounded.addRect(corner);
        painter.save();
        painter.setClipPath(rounded.intersected(clip), Qt::IntersectClip);
        painter.drawImage(target, layer);
        painter.restore();
    }
}
} // namespace

double SelectionMagicRenderer::wrappedUnit(double x)
{
    const double wrapped = x - std::floor(x);
    return wrapped < 0 ? wrapped + 1 : wrapped;
}

int SelectionMagicRenderer::ditherPointCount(const QRectF &contentRect)
{
    return std::max(int(contentRect.width() * contentRect.height() / 4200), 220);
}

QPointF SelectionMagicRenderer::ditherFraction(int i)
{
    return {wrappedUnit(std::sin(i * 91.17 + 0.37) * 43758.5453), wrappedUnit(std::cos(i * 17.71 - 0.21) * 24634.6345)};
}

void SelectionMagicRenderer::draw(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect, double fadeOut)
{
    const double fade = std::clamp(fadeOut, 0.0, 1.0);
    drawLayer(painter, clipRect, contentRect, fade, fade);
    drawGrain(painter, clipRect, contentRect, fade);
}

void SelectionMagicRenderer::drawWashes(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect)
{
    drawLayer(painter, clipRect, contentRect, 1, 0);
}

void SelectionMagicRenderer::drawClouds(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect)
{
    drawLayer(painter, clipRect, contentRect, 0, 1);
}

void SelectionMagicRenderer::drawGrain(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect,
                                       double fadeOut)
{
    if (clipRect.width() <= minimumClipSide || clipRect.height() <= minimumClipSide)
        return;
    QPainterPath rounded;
    rounded.addRoundedRect(clipRect, cornerRadius, cornerRadius);
    applyDither(painter, rounded, contentRect, std::clamp(fadeOut, 0.0, 1.0));
}

void SelectionMagicRenderer::drawLayer(QPainter &painter, const QRectF &clipRect, const QRectF &contentRect,
                                       double washFade, double cloudFade)
{
    if (clipRect.width() <= minimumClipSide || clipRect.height() <= minimumClipSide ||
        (washFade <= 0 && cloudFade <= 0))
        return;
    const QRectF &c = contentRect;
    const double w = c.width();
    const double h = c.height();

    // The washes and glows have no detail finer than a few hundred points, so they are painted
    // into a layer at 1/8 of the size and stretched over the clip in one smooth pass: painting
    // them at full size costs about ten full-screen gradient fills a frame, too much at 60 Hz.
    // Source-over is associative, so the layer composites exactly as the fills one by one would.
    const QRect area = clipRect.toAlignedRect();
    const QSize layerSize(area.width() / layerDownscale + 2, area.height() / layerDownscale + 2);
    QImage layer(layerSize, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter glow(&layer);
        glow.scale(1.0 / layerDownscale, 1.0 / layerDownscale);
        glow.translate(-area.topLeft());
        const QRectF covered(area.topLeft(), QSizeF(layerSize) * layerDownscale);
        if (washFade > 0) {
            glow.setOpacity(washFade);
            fillLinear(glow, covered, at(c, -0.08, 1), at(c, 1.08, 0), ambientWash);
            fillLinear(glow, covered, at(c, 0, 0.15), at(c, 1, 1 - 0.12), baseWash);
        }
        if (cloudFade > 0) {
            glow.setOpacity(cloudFade);
            for (const Glow &cloud : clouds)
                drawSoftEllipseGlow(glow, covered, at(c, cloud.cx, cloud.cy), cloud.rx * w, cloud.ry * h,
                                    palette[cloud.colour], cloudFade * cloud.alpha);
            for (const Glow &highlight : highlights)
                drawSoftEllipseGlow(glow, covered, at(c, highlight.cx, highlight.cy), highlight.rx * w,
                                    highlight.ry * h, palette[highlight.colour], highlight.alpha * cloudFade);
        }
    }

    QPainterPath rounded;
    rounded.addRoundedRect(clipRect, cornerRadius, cornerRadius);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawThroughRoundedClip(painter, clipRect, rounded, QRectF(area.topLeft(), QSizeF(layerSize) * layerDownscale),
                           layer);
    painter.restore();
}
