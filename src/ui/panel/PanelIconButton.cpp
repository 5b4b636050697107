#include "PanelIconButton.h"

#include "theme/PanelPalette.h"

#include <QPainter>

PanelIconButton::PanelIconButton(PanelIcon::Kind kind, Look look, const QString &accessibleName, QWidget *parent)
    : QAbstractButton(parent)
    , m_kind(kind)
    , m_look(look)
{
    setAccessibleName(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void PanelIconButton::setIconKind(PanelIcon::Kind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    update();
}

QSize PanelIconButton::sizeHint() const
{
    switch (m_look) {
    case Look::header:
        return {18, 18};
    case Look::send:
        return {34, 34};
    case Look::copy:
        return {17, 17};
    }
    return {18, 18};
}

void PanelIconButton::paintEvent(QPaintEvent *)
{
    const PanelPalette colors = PanelPalette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    switch (m_look) {
    case Look::header:
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.headerButtonFill(m_hovered));
        painter.drawRoundedRect(bounds, 9, 9);
        PanelIcon::paint(painter, m_kind, bounds.adjusted(2.5, 2.5, -2.5, -2.5), colors.headerIcon(m_hovered));
        break;
    case Look::send:
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.sendButtonFill(isEnabled(), m_hovered));
        painter.drawEllipse(bounds);
        PanelIcon::paint(painter, m_kind, bounds.adjusted(9, 9, -9, -9),
                         isEnabled() ? colors.sendButtonArrow() : colors.secondaryText());
        break;
    case Look::copy:
        PanelIcon::paint(painter, m_kind, bounds.adjusted(4, 4, -4, -4),
                         m_kind == PanelIcon::Kind::checkmark ? colors.primaryText() : colors.secondaryText());
        break;
    }
    if (hasFocus()) {
        painter.setPen(QPen(colors.accent(), 1.5));
        painter.setBrush(Qt::NoBrush);
        if (m_look == Look::send)
            painter.drawEllipse(bounds.adjusted(1, 1, -1, -1));
        else
            painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), 4, 4);
    }
}

void PanelIconButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PanelIconButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
