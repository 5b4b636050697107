#pragma once

#include <QColor>

// Drawing constants shared by the selection overlay and the border window over a capture.
namespace SelectionOverlayConstants {
// A dark grey that reads on light and dark content alike.
inline const QColor borderStrokeColor = QColor::fromRgbF(0.2f, 0.2f, 0.2f, 0.88f);
inline constexpr Qt::CursorShape selectionCursor = Qt::CrossCursor;
} // namespace SelectionOverlayConstants
