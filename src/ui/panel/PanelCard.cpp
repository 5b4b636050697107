#include "PanelCard.h"

#include "theme/PanelPalette.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

PanelCard::PanelCard(Fill fill, qreal cornerRadius, QWidget *parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_cornerRadius(cornerRadius)
{}

void PanelCard::paintEvent(QPaintEvent *)
{
    const PanelPalette colors = PanelPalette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    switch (m_fill) {
    case Fill::card:
        painter.setBrush(colors.cardFill());
        break;
    case Fill::placeholder:
        painter.setBrush(colors.placeholderCardFill());
        break;
    case Fill::badge:
        painter.setBrush(colors.badgeFill());
        break;
    }
    const qreal radius = std::min(m_cornerRadius, height() / 2.0);
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
}

QLabel *makePanelLabel(const QString &text, int pixelSize, int weight, bool secondary, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    label->setFont(font);
    if (secondary)
        label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QPushButton *makePanelActionButton(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: palette(highlight); color: palette(highlighted-text);"
                       " border: none; border-radius: 7px; padding: 5px 14px; font-weight: 600; }"
                       "QPushButton:hover { background-color: palette(link); }"
                       "QPushButton:focus { outline: none; border: 2px solid palette(text); }"));
    return button;
}
