#pragma once

#include <QColor>
#include <QPalette>

// The answer panel's colours, in their light and dark variants. Translucent fills are laid over
// the panel's own background, so they read the same on either.
class PanelPalette
{
public:
    explicit PanelPalette(bool dark) : m_dark(dark) {}
    static PanelPalette of(const QPalette &palette);

    bool isDark() const { return m_dark; }

    QColor background() const;
    QColor primaryText() const;
    QColor secondaryText() const;
    QColor separator() const;
    QColor productName() const;
    QColor headerIcon(bool hovered) const;
    QColor headerButtonFill(bool hovered) const;
    QColor quickActionFill(bool hovered) const;
    QColor quickActionBorder(bool hovered) const;
    QColor accent() const;
    QColor badgeFill() const;
    QColor cardFill() const;
    QColor placeholderCardFill() const;
    QColor userBubble() const;
    QColor assistantBubble() const;
    QColor questionFieldBorder() const;
    QColor sendButtonFill(bool enabled, bool hovered) const;
    QColor sendButtonArrow() const;
    QColor scrollerKnob(bool hovered) const;

    // The Qt palette of the panel's widgets for this scheme.
    QPalette widgetPalette(const QPalette &base) const;

private:
    // White in the dark scheme, black in the light one, at the given opacity.
    QColor ink(qreal darkAlpha, qreal lightAlpha) const;

    bool m_dark;
};
