#include "HomeTheme.h"

#include "RoundedPanel.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace HomeTheme {
QFont font(int pixelSize, QFont::Weight weight)
{
    QFont result;
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

QLabel *label(const QString &text, int pixelSize, QFont::Weight weight, bool secondary)
{
    auto *result = new QLabel(text);
    result->setTextFormat(Qt::PlainText);
    result->setFont(font(pixelSize, weight));
    if (secondary)
        result->setForegroundRole(QPalette::PlaceholderText);
    return result;
}

QWidget *card(qreal cornerRadius)
{
    return new RoundedPanel(cornerRadius);
}

void styleButton(QPushButton &button, ButtonStyle style)
{
    // Palette roles inside the style sheet follow a theme change without restyling.
    static const QString primary = QStringLiteral(
        "QPushButton { font-size: 14px; font-weight: 600; padding: 9px 20px; border: none; border-radius: 10px;"
        " color: palette(highlighted-text); background: palette(highlight); }"
        "QPushButton:hover { background: palette(link); }"
        "QPushButton:pressed { background: palette(dark); }"
        "QPushButton:disabled { background: palette(mid); }");
    static const QString tinted =
        QStringLiteral("QPushButton { font-size: 13px; font-weight: 600; padding: 6px 14px; border-radius: 8px;"
                       " border: 1px solid palette(highlight); color: palette(highlight); background: transparent; }"
                       "QPushButton:hover { background: palette(alternate-base); }"
                       "QPushButton:pressed { background: palette(midlight); }");
    static const QString secondary = QStringLiteral(
        "QPushButton { font-size: 13px; padding: 6px 14px; border-radius: 8px; border: 1px solid palette(mid);"
        " color: palette(button-text); background: palette(base); }"
        "QPushButton:hover { background: palette(alternate-base); }"
        "QPushButton:pressed { background: palette(midlight); }");
    static const QString region =
        QStringLiteral("QPushButton { font-size: 13px; font-weight: 500; padding: 6px 16px; border-radius: 8px;"
                       " border: 1px solid palette(mid); color: palette(button-text); background: palette(window); }"
                       "QPushButton:hover { border-color: palette(highlight); }"
                       "QPushButton:pressed { background: palette(midlight); }"
                       "QPushButton:disabled { color: palette(mid); }");
    switch (style) {
    case ButtonStyle::primaryAction:
        button.setStyleSheet(primary);
        break;
    case ButtonStyle::tintedHeader:
        button.setStyleSheet(tinted);
        break;
    case ButtonStyle::secondaryHeader:
        button.setStyleSheet(secondary);
        break;
    case ButtonStyle::regionAction:
        button.setStyleSheet(region);
        break;
    }
    button.setCursor(Qt::PointingHandCursor);
}

QColor accent(const QPalette &palette)
{
    return palette.color(QPalette::Highlight);
}

QColor secondaryText(const QPalette &palette)
{
    return palette.color(QPalette::PlaceholderText);
}

QColor primaryAt(const QPalette &palette, qreal alpha)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(alpha);
    return color;
}

QColor accentAt(const QPalette &palette, qreal alpha)
{
    QColor color = accent(palette);
    color.setAlphaF(alpha);
    return color;
}

QColor warning()
{
    return QColor(0xff, 0x95, 0x00);
}
} // namespace HomeTheme
