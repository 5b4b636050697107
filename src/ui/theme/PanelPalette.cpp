#include "PanelPalette.h"

#include "AppearanceController.h"

namespace {
QColor grey(qreal white, qreal alpha = 1)
{
    return QColor::fromRgbF(float(white), float(white), float(white), float(alpha));
}
} // namespace

PanelPalette PanelPalette::of(const QPalette &palette)
{
    return PanelPalette(AppearanceController::isDark(palette));
}

QColor PanelPalette::ink(qreal darkAlpha, qreal lightAlpha) const
{
    return m_dark ? grey(1, darkAlpha) : grey(0, lightAlpha);
}

QColor PanelPalette::background() const
{
    return m_dark ? grey(0.15) : grey(0.95);
}

QColor PanelPalette::primaryText() const
{
    return m_dark ? grey(0.95) : grey(0.1);
}

QColor PanelPalette::secondaryText() const
{
    return m_dark ? grey(1, 0.55) : grey(0, 0.5);
}

QColor PanelPalette::separator() const
{
    return ink(0.08, 0.08);
}

QColor PanelPalette::productName() const
{
    return m_dark ? grey(0.65) : grey(0.45);
}

QColor PanelPalette::headerIcon(bool hovered) const
{
    return m_dark ? grey(1, hovered ? 0.82 : 0.68) : grey(0, hovered ? 0.68 : 0.52);
}

QColor PanelPalette::headerButtonFill(bool hovered) const
{
    return hovered ? ink(0.08, 0.06) : ink(0.001, 0.001);
}

QColor PanelPalette::quickActionFill(bool hovered) const
{
    return m_dark ? grey(1, hovered ? 0.15 : 0.08) : grey(0, hovered ? 0.10 : 0.05);
}

QColor PanelPalette::quickActionBorder(bool hovered) const
{
    return m_dark ? grey(1, hovered ? 0.20 : 0.12) : grey(0, hovered ? 0.16 : 0.08);
}

QColor PanelPalette::accent() const
{
    return m_dark ? QColor(0x0a, 0x84, 0xff) : QColor(0x00, 0x7a, 0xff);
}

QColor PanelPalette::badgeFill() const
{
    return ink(0.07, 0.05);
}

QColor PanelPalette::cardFill() const
{
    return ink(0.08, 0.06);
}

QColor PanelPalette::placeholderCardFill() const
{
    return ink(0.04, 0.035);
}

QColor PanelPalette::userBubble() const
{
    return ink(0.20, 0.16);
}

QColor PanelPalette::assistantBubble() const
{
    return ink(0.055, 0.03);
}

QColor PanelPalette::questionFieldBorder() const
{
    return ink(0.10, 0.08);
}

QColor PanelPalette::sendButtonFill(bool enabled, bool hovered) const
{
    if (!enabled)
        return ink(0.22, 0.22);
    if (m_dark)
        return hovered ? grey(0.8) : grey(1);
    return hovered ? grey(0.22) : grey(0);
}

QColor PanelPalette::sendButtonArrow() const
{
    return m_dark ? grey(0) : grey(1);
}

QColor PanelPalette::scrollerKnob(bool hovered) const
{
    return hovered ? grey(0.3, 0.9) : grey(0.6, 0.5);
}

QPalette PanelPalette::widgetPalette(const QPalette &base) const
{
    QPalette palette = base;
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
        palette.setColor(role, background());
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, primaryText());
    palette.setColor(QPalette::PlaceholderText, secondaryText());
    palette.setColor(QPalette::Highlight, accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent());
    return palette;
}
