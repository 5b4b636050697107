#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class QLabel;
class QPalette;
class QWidget;

// The look of the home window and the windows it opens: type sizes, the translucent fills
// derived from the palette (so light and dark follow a theme change), and the button styles.
namespace HomeTheme {
enum class ButtonStyle { primaryAction, tintedHeader, secondaryHeader, regionAction };

QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
QLabel *label(const QString &text, int pixelSize, QFont::Weight weight = QFont::Normal, bool secondary = false);
// A rounded card in the palette's base colour.
QWidget *card(qreal cornerRadius = 14);

// The small line symbols beside a capture's details, drawn so they need no icon theme.
enum class Symbol { selection, photo, clock };
QPixmap symbol(Symbol kind, const QColor &color, qreal devicePixelRatio, int size = 16);

QColor accent(const QPalette &palette);
QColor secondaryText(const QPalette &palette);
// The text colour at the given opacity: the faint fills of cards and placeholders.
QColor primaryAt(const QPalette &palette, qreal alpha);
QColor accentAt(const QPalette &palette, qreal alpha);
// The warning colour of counters that reached their limit.
QColor warning();
} // namespace HomeTheme
