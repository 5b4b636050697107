#include "GoogleSignInButton.h"

#include <QPainter>

namespace {
constexpr int sidePadding = 18;
constexpr int badgeDiameter = 24;
constexpr int badgeToLabel = 12;
constexpr qreal cornerRadius = 16;
} // namespace

GoogleSignInButton::GoogleSignInButton(QWidget *parent) : QAbstractButton(parent)
{
    setText(title);
    setAttribute(Qt::WA_Hover); // repaint when the pointer enters and leaves
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedHeight(rowHeight);
    setMaximumWidth(maximumRowWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize GoogleSignInButton::sizeHint() const
{
    return {maximumRowWidth, rowHeight};
}

void GoogleSignInButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);

    QColor fill(255, 255, 255);
    fill.setAlphaF(isDown() ? 0.82f : (underMouse() ? 1.0f : 0.96f));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    if (hasFocus()) {
        painter.setPen(QPen(QColor(0x42, 0x85, 0xf4), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), cornerRadius - 1, cornerRadius - 1);
    }

    const QRectF badge(sidePadding, (height() - badgeDiameter) / 2.0, badgeDiameter, badgeDiameter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xee, 0xf0, 0xf3));
    painter.drawEllipse(badge);
    QFont badgeFont = font();
    badgeFont.setPixelSize(13);
    badgeFont.setWeight(QFont::Bold);
    painter.setFont(badgeFont);
    painter.setPen(QColor(0x42, 0x85, 0xf4));
    painter.drawText(badge, Qt::AlignCenter, QStringLiteral("G"));

    QFont labelFont = font();
    labelFont.setPixelSize(15);
    labelFont.setWeight(QFont::DemiBold);
    painter.setFont(labelFont);
    painter.setPen(Qt::black);
    const QRectF label(badge.right() + badgeToLabel, 0, width() - badge.right() - badgeToLabel - sidePadding, height());
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, text());
}
