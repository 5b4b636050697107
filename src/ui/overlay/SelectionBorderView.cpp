#include "SelectionBorderView.h"

#include "DecorationWindow.h"
#include "SelectionOverlayConstants.h"

#include <QPainter>
#include <QPen>

SelectionBorderView::SelectionBorderView()
{
    makeDecorationWindow(this);
    setAccessibleName(QStringLiteral("Selection border"));
}

SelectionBorderView *SelectionBorderView::showAround(QWidget *existing, const QRectF &selection)
{
    const QRect frame = selection.adjusted(-1, -1, 1, 1).toAlignedRect();
    if (auto *border = qobject_cast<SelectionBorderView *>(existing)) {
        border->setGeometry(frame);
        border->update();
        return border;
    }
    if (existing)
        existing->deleteLater();
    auto *border = new SelectionBorderView;
    border->setGeometry(frame);
    border->show();
    border->raise();
    return border;
}

void SelectionBorderView::paintBorder(QPainter &painter, const QRectF &outer)
{
    constexpr double lineWidth = 1.5;
    QPen pen(SelectionOverlayConstants::borderStrokeColor, lineWidth);
    // Qt measures dashes in line widths: 6 points on, 4 off.
    pen.setDashPattern({6 / lineWidth, 4 / lineWidth});
    pen.setDashOffset(0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outer.adjusted(1, 1, -1, -1), 4, 4);
    painter.restore();
}

void SelectionBorderView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    paintBorder(painter, QRectF(rect()));
}
