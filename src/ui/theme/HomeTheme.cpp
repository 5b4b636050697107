#include "HomeTheme.h"

#include "RoundedPanel.h"

#include <QLabel>
#include <QPainter>
#include <QPalette>

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

QPixmap symbol(Symbol kind, const QColor &color, qreal devicePixelRatio, int size)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QRectF box(2, 2, size - 4, size - 4);
    switch (kind) {
    case Symbol::selection: {
        // Four corner brackets, as the brand mark draws a selection.
        const qreal arm = box.width() / 3;
        for (const QPointF &corner : {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()}) {
            const qreal dx = corner.x() < box.center().x() ? arm : -arm;
            const qreal dy = corner.y() < box.center().y() ? arm : -arm;
            painter.drawPolyline(QPolygonF{corner + QPointF(0, dy), corner, corner + QPointF(dx, 0)});
        }
        break;
    }
    case Symbol::photo:
        painter.drawRoundedRect(box, 2, 2);
        painter.drawPolyline(
            QPolygonF{QPointF(box.left() + 1, box.bottom() - 2), QPointF(box.left() + 5, box.top() + 6),
                      QPointF(box.left() + 8, box.bottom() - 4), QPointF(box.right() - 1, box.top() + 5)});
        break;
    case Symbol::clock:
        painter.drawEllipse(box);
        painter.drawPolyline(
            QPolygonF{QPointF(box.center().x(), box.top() + 3), box.center(), box.center() + QPointF(3, 2)});
        break;
    }
    return pixmap;
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
