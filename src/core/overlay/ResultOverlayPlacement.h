#pragma once

#include "settings/SettingsEnums.h"

#include <QList>
#include <QRectF>
#include <QSizeF>

#include <optional>

// Where the answer panel goes beside a selection. Qt's global coordinates: origin at the top
// left of the virtual desktop, y downward, in device-independent pixels.
namespace ResultOverlayPlacement {

// A display as placement sees it: its whole geometry and the part free of panels and docks.
struct Screen
{
    QRectF geometry;
    QRectF availableGeometry;
};

constexpr qreal selectionGap = 16;
constexpr qreal screenMargin = 8;
// Used when the desktop reports no display at all.
inline const QRectF fallbackAvailableGeometry(0, 0, 1440, 900);

QSizeF panelSize(OverlayPanelSizePreset preset);
QSizeF minimumPanelSize(OverlayPanelSizePreset preset);

// The panel's frame for `selectionRect`: right of the selection, else left; top-aligned with it,
// else with its bottom 8 above the selection's bottom edge; kept 8 inside the available area of
// the first screen that holds the selection (else `primary`). Where the panel is larger than the
// area, the top-left margin wins.
QRectF frame(const QRectF &selectionRect, OverlayPanelSizePreset preset, const QList<Screen> &screens,
             std::optional<Screen> primary);

} // namespace ResultOverlayPlacement
