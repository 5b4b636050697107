#include "ScaledPicture.h"

bool ScaledPicture::setImage(const QImage &image)
{
    if (image.cacheKey() == m_image.cacheKey())
        return false;
    m_image = image;
    m_pixmap = QPixmap();
    return true;
}

QPixmap ScaledPicture::pixmap(const QSize &size, qreal devicePixelRatio, Qt::AspectRatioMode mode)
{
    if (m_image.isNull() || size.isEmpty())
        return {};
    if (m_pixmap.isNull() || size != m_size || devicePixelRatio != m_ratio || mode != m_mode) {
        m_size = size;
        m_ratio = devicePixelRatio;
        m_mode = mode;
        m_pixmap = QPixmap::fromImage(m_image.scaled(size * devicePixelRatio, mode, Qt::SmoothTransformation));
        m_pixmap.setDevicePixelRatio(devicePixelRatio);
    }
    return m_pixmap;
}
