#include "ResultOverlayPlacement.h"

#include <algorithm>

namespace ResultOverlayPlacement {

QSizeF panelSize(OverlayPanelSizePreset preset)
{
    switch (preset) {
    case OverlayPanelSizePreset::compact:
        return {380, 320};
    case OverlayPanelSizePreset::small:
        return {470, 480};
    case OverlayPanelSizePreset::medium:
        return {570, 640};
    case OverlayPanelSizePreset::large:
        return {700, 760};
    case OverlayPanelSizePreset::extraLarge:
        return {840, 920};
    }
    return {570, 640};
}

QSizeF minimumPanelSize(OverlayPanelSizePreset preset)
{
    return {360, std::min<qreal>(panelSize(preset).height(), 320)};
}

namespace {
QRectF availableAreaFor(const QRectF &selectionRect, const QList<Screen> &screens, std::optional<Screen> primary)
{
    for (const Screen &screen : screens) {
        if (screen.geometry.intersects(selectionRect))
            return screen.availableGeometry;
    }
    if (primary)
        return primary->availableGeometry;
    return fallbackAvailableGeometry;
}
} // namespace

QRectF frame(const QRectF &selectionRect, OverlayPanelSizePreset preset, const QList<Screen> &screens,
             std::optional<Screen> primary)
{
    const QSizeF size = panelSize(preset);
    const qreal w = size.width();
    const qreal h = size.height();
    const QRectF visible = availableAreaFor(selectionRect, screens, primary);

    qreal x = selectionRect.right() + selectionGap;
    if (visible.right() < x + w)
        x = selectionRect.left() - w - selectionGap;

    qreal y = selectionRect.top();
    if (y + h > visible.bottom())
        y = selectionRect.bottom() - screenMargin - h;

    x = std::max(visible.left() + screenMargin, std::min(x, visible.right() - w - screenMargin));
    y = std::max(visible.top() + screenMargin, std::min(visible.bottom() - h - screenMargin, y));
    return {x, y, w, h};
}

} // namespace ResultOverlayPlacement
