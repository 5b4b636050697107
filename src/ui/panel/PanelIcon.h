#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The panel's small line icons, drawn rather than taken from an icon theme that a desktop may
// not have.
namespace PanelIcon {
enum class Kind { close, gear, copy, checkmark, arrowUp, selectionPin };

void paint(QPainter &painter, Kind kind, const QRectF &rect, const QColor &color);
} // namespace PanelIcon
