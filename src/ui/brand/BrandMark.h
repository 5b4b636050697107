#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainterPath>

class QPainter;

// The brand mark: four rounded corner brackets around three dots on an 18 x 18 grid. The tray
// icon is the bare mark in one colour; the application icon and the sign-in screen's image put
// it in white on a dark rounded tile (the same drawing as data/icons/com.orvanta.desktop.svg).
class BrandMark
{
public:
    static constexpr qreal gridSize = 18.0;
    static constexpr qreal strokeWidth = 1.98;

    // The four brackets (to be stroked) in grid coordinates, y downward.
    static QPainterPath bracketsPath();
    // The three dots (to be filled) in grid coordinates.
    static QPainterPath dotsPath();

    // The mark scaled into `target` (a square) in `color`.
    static void paintMark(QPainter &painter, const QRectF &target, const QColor &color);
    // The application icon: the mark on the dark rounded tile.
    static void paintAppIcon(QPainter &painter, const QRectF &target);
    static QImage appIconImage(int size);
    static QIcon appIcon();
    // The tray icon in `color` (light on dark panels, dark on light ones), with 2x pixmaps.
    static QIcon trayIcon(const QColor &color);
};
