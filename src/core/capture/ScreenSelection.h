#pragma once

#include <QImage>
#include <QRectF>

// A region the user selected over one display, in global points.
struct ScreenSelection
{
    QRectF rect;
    quint32 displayID = 0;
    QRectF displayFrame;
    double displayScaleFactor = 1;
    // The region cut from that display's frozen picture; null when the display had none.
    QImage image;
};
