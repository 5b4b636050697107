#pragma once

#include <QImage>
#include <QPixmap>

// A picture and its pixmap scaled for the size it is painted at: scaled once per size, not on
// every paint.
class ScaledPicture
{
public:
    // Returns whether the picture changed.
    bool setImage(const QImage &image);
    bool isNull() const { return m_image.isNull(); }
    // The picture scaled into (fit) or over (fill) the logical size, at the device pixel ratio.
    QPixmap pixmap(const QSize &size, qreal devicePixelRatio, Qt::AspectRatioMode mode);

private:
    QImage m_image;
    QPixmap m_pixmap;
    QSize m_size;
    qreal m_ratio = 0;
    Qt::AspectRatioMode m_mode = Qt::KeepAspectRatio;
};
