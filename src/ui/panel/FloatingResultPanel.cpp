#include "FloatingResultPanel.h"

#include "theme/PanelPalette.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

FloatingResultPanel::FloatingResultPanel(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Orvanta Answer"));
    setAccessibleName(tr("Answer panel"));
    setMouseTracking(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
}

void FloatingResultPanel::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && onClose)
        onClose();
}

void FloatingResultPanel::keyPressEvent(QKeyEvent *event)
{
    // Escape reaches the panel from whichever of its widgets has the keyboard.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FloatingResultPanel::paintEvent(QPaintEvent *)
{
    const PanelPalette colors = PanelPalette::of(palette());
    QPainter painter(this);
    painter.fillRect(rect(), colors.background());
    painter.setPen(colors.separator());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

Qt::Edges FloatingResultPanel::edgesAt(QPoint position) const
{
    Qt::Edges edges;
    if (position.x() < resizeMargin)
        edges |= Qt::LeftEdge;
    if (position.x() >= width() - resizeMargin)
        edges |= Qt::RightEdge;
    if (position.y() < resizeMargin)
        edges |= Qt::TopEdge;
    if (position.y() >= height() - resizeMargin)
        edges |= Qt::BottomEdge;
    return edges;
}

void FloatingResultPanel::mousePressEvent(QMouseEvent *event)
{
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && edges && windowHandle() && windowHandle()->startSystemResize(edges)) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FloatingResultPanel::mouseMoveEvent(QMouseEvent *event)
{
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge)) {
        setCursor(Qt::SizeFDiagCursor);
    } else if (horizontal && vertical) {
        setCursor(Qt::SizeBDiagCursor);
    } else if (horizontal) {
        setCursor(Qt::SizeHorCursor);
    } else if (vertical) {
        setCursor(Qt::SizeVerCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}
