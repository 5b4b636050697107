#include "RoundedPanel.h"

#include <QPainter>

RoundedPanel::RoundedPanel(qreal cornerRadius, QWidget *parent) : QWidget(parent), m_cornerRadius(cornerRadius) {}

void RoundedPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
}
