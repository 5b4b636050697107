#include "RecentCaptureThumbnail.h"

#include "theme/HomeTheme.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal cornerRadius = 8;
constexpr int hoverMilliseconds = 140;
} // namespace

RecentCaptureThumbnail::RecentCaptureThumbnail(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus); // the strip holds the keyboard focus
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    m_hoverProgress.setDuration(hoverMilliseconds);
    m_hoverProgress.setStartValue(0.0);
    m_hoverProgress.setEndValue(1.0);
    connect(&m_hoverProgress, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void RecentCaptureThumbnail::setImage(const QImage &image)
{
    if (m_picture.setImage(image))
        update();
}

void RecentCaptureThumbnail::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void RecentCaptureThumbnail::setHovered(bool hovered)
{
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    m_hoverProgress.setDirection(hovered ? QAbstractAnimation::Forward : QAbstractAnimation::Backward);
    if (m_hoverProgress.state() != QAbstractAnimation::Running)
        m_hoverProgress.start();
    Q_EMIT hoverChanged(hovered);
}

void RecentCaptureThumbnail::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void RecentCaptureThumbnail::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void RecentCaptureThumbnail::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QPainterPath clip;
    clip.addRoundedRect(tile, cornerRadius, cornerRadius);
    painter.fillPath(clip, HomeTheme::primaryAt(palette(), 0.06));

    // The picture fills the tile; the longer side is cropped.
    const QPixmap picture = m_picture.pixmap(tile.size().toSize(), devicePixelRatioF(), Qt::KeepAspectRatioByExpanding);
    if (!picture.isNull()) {
        const QSizeF shown = picture.deviceIndependentSize();
        painter.save();
        painter.setClipPath(clip);
        painter.drawPixmap(QPointF(tile.center().x() - shown.width() / 2, tile.center().y() - shown.height() / 2),
                           picture);
        painter.restore();
    }

    const qreal hover = m_hoverProgress.currentValue().toReal();
    if (hover > 0)
        painter.fillPath(clip, HomeTheme::primaryAt(palette(), 0.12 * hover));
    if (m_selected) {
        painter.setPen(QPen(HomeTheme::accent(palette()), 2.5));
        painter.drawRoundedRect(tile, cornerRadius, cornerRadius);
    } else {
        painter.setPen(QPen(HomeTheme::primaryAt(palette(), 0.12 + 0.2 * hover), 1));
        painter.drawRoundedRect(tile, cornerRadius, cornerRadius);
    }
}
