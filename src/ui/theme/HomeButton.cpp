#include "HomeButton.h"

#include <QPainter>

HomeButton::HomeButton(HomeTheme::ButtonStyle style, const QString &text, QWidget *parent)
    : QPushButton(text, parent)
    , m_style(style)
{
    using HomeTheme::ButtonStyle;
    const bool prominent = style == ButtonStyle::primaryAction;
    setFont(
        HomeTheme::font(prominent ? 14 : 13, style == ButtonStyle::secondaryHeader ? QFont::Normal : QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QMargins HomeButton::padding() const
{
    return m_style == HomeTheme::ButtonStyle::primaryAction ? QMargins(20, 9, 20, 9) : QMargins(14, 6, 14, 6);
}

QSize HomeButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const QMargins margins = padding();
    return {metrics.horizontalAdvance(text()) + margins.left() + margins.right(),
            metrics.height() + margins.top() + margins.bottom()};
}

void HomeButton::paintEvent(QPaintEvent *)
{
    using HomeTheme::ButtonStyle;
    const QPalette &colors = palette();
    const bool hovered = underMouse() && isEnabled();
    const bool pressed = isDown();
    QColor fill;
    QColor border = Qt::transparent;
    QColor textColor = colors.color(QPalette::ButtonText);
    switch (m_style) {
    case ButtonStyle::primaryAction:
        fill = isEnabled() ? HomeTheme::accent(colors) : colors.color(QPalette::Mid);
        if (pressed)
            fill = fill.darker(120);
        else if (hovered)
            fill = fill.lighter(112);
        textColor = colors.color(QPalette::HighlightedText);
        break;
    case ButtonStyle::tintedHeader:
        fill = HomeTheme::accentAt(colors, pressed ? 0.24 : hovered ? 0.16 : 0.1);
        border = HomeTheme::accentAt(colors, 0.5);
        textColor = HomeTheme::accent(colors);
        break;
    case ButtonStyle::secondaryHeader:
    case ButtonStyle::regionAction:
        fill = HomeTheme::primaryAt(colors, pressed ? 0.14 : hovered ? 0.09 : 0.05);
        border = hovered && m_style == ButtonStyle::regionAction ? HomeTheme::accentAt(colors, 0.8)
                                                                 : HomeTheme::primaryAt(colors, 0.16);
        break;
    }
    if (!isEnabled())
        textColor = colors.color(QPalette::Disabled, QPalette::ButtonText);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(border.alpha() ? QPen(border, 1) : Qt::NoPen);
    painter.setBrush(fill);
    const qreal radius = m_style == ButtonStyle::primaryAction ? 10 : 8;
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    if (hasFocus()) {
        painter.setPen(QPen(HomeTheme::accentAt(colors, 0.7), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), radius, radius);
    }

    painter.setPen(textColor);
    painter.drawText(rect(), Qt::AlignCenter, text());
}
