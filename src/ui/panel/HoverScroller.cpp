#include "HoverScroller.h"

#include "theme/PanelPalette.h"

#include <QPainter>
#include <QStyleOptionSlider>

HoverScroller::HoverScroller(QWidget *parent) : QScrollBar(Qt::Vertical, parent)
{
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void HoverScroller::paintEvent(QPaintEvent *)
{
    if (maximum() <= minimum())
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    QRectF knob = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    knob.adjust(knob.width() * 0.2, 1, -knob.width() * 0.2, -1);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelPalette::of(palette()).scrollerKnob(m_hovered));
    painter.drawRoundedRect(knob, knob.width() / 2, knob.width() / 2);
}

void HoverScroller::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QScrollBar::enterEvent(event);
}

void HoverScroller::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QScrollBar::leaveEvent(event);
}
