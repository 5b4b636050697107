#include "PanelIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace PanelIcon {

namespace {
void paintGear(QPainter &painter, const QRectF &r)
{
    const QPointF c = r.center();
    const qreal outer = r.width() * 0.5;
    const qreal inner = outer * 0.72;
    QPainterPath teeth;
    constexpr int count = 8;
    for (int i = 0; i < count * 2; ++i) {
        const qreal angle = (i * M_PI) / count;
        const qreal radius = (i % 2 == 0) ? outer : inner;
        const QPointF point(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
        if (i == 0)
            teeth.moveTo(point);
        else
            teeth.lineTo(point);
    }
    teeth.closeSubpath();
    teeth.addEllipse(c, outer * 0.32, outer * 0.32);
    teeth.setFillRule(Qt::OddEvenFill);
    painter.setPen(Qt::NoPen);
    painter.drawPath(teeth);
}
} // namespace

void paint(QPainter &painter, Kind kind, const QRectF &rect, const QColor &color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, std::max<qreal>(1.2, rect.width() / 9.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF r =
        rect.adjusted(rect.width() * 0.15, rect.height() * 0.15, -rect.width() * 0.15, -rect.height() * 0.15);
    switch (kind) {
    case Kind::close:
        painter.drawLine(r.topLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomLeft());
        break;
    case Kind::gear:
        painter.setBrush(color);
        paintGear(painter, rect);
        break;
    case Kind::copy: {
        const qreal side = r.width() * 0.68;
        painter.drawRoundedRect(QRectF(r.left(), r.top(), side, side), 1.5, 1.5);
        painter.drawRoundedRect(QRectF(r.right() - side, r.bottom() - side, side, side), 1.5, 1.5);
        break;
    }
    case Kind::checkmark:
        painter.drawPolyline(QPolygonF{QPointF(r.left(), r.center().y()),
                                       QPointF(r.left() + r.width() * 0.38, r.bottom() - r.height() * 0.12),
                                       QPointF(r.right(), r.top() + r.height() * 0.12)});
        break;
    case Kind::arrowUp:
        painter.drawLine(QPointF(r.center().x(), r.bottom()), QPointF(r.center().x(), r.top()));
        painter.drawPolyline(QPolygonF{QPointF(r.left() + r.width() * 0.1, r.top() + r.height() * 0.42),
                                       QPointF(r.center().x(), r.top()),
                                       QPointF(r.right() - r.width() * 0.1, r.top() + r.height() * 0.42)});
        break;
    case Kind::selectionPin: {
        pen.setDashPattern({2, 1.6});
        painter.setPen(pen);
        painter.drawRoundedRect(r, 1.5, 1.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(r.center(), r.width() * 0.16, r.width() * 0.16);
        break;
    }
    }
    painter.restore();
}

} // namespace PanelIcon
