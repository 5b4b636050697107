#include "SelectionOverlayWindow.h"

#include "SelectionBorderView.h"
#include "SelectionMagicRenderer.h"
#include "SelectionOverlayConstants.h"
#include "capture/SelectionGeometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {
constexpr double cornerRadius = 4;
// What a changed selection repaints around itself: the antialiased border reaches past it.
constexpr int repaintMargin = 3;
} // namespace

SelectionOverlayWindow::SelectionOverlayWindow(QScreen *screen, QImage frozenBackground, bool translucent)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint)
    , m_screenFrame(screen->geometry())
    , m_frozenBackground(std::move(frozenBackground))
{
    setWindowTitle(title);
    setAccessibleName(title);
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    setAttribute(Qt::WA_OpaquePaintEvent, !translucent);
    setCursor(SelectionOverlayConstants::selectionCursor);
    setFocusPolicy(Qt::StrongFocus);
    setScreen(screen);
    setGeometry(screen->geometry());
}

std::optional<QRectF> SelectionOverlayWindow::selectionRect() const
{
    if (!m_startPoint || !m_currentPoint)
        return std::nullopt;
    return SelectionGeometry::spanned(*m_startPoint, *m_currentPoint);
}

void SelectionOverlayWindow::startDrag(QPointF point)
{
    const QPointF clamped = SelectionGeometry::clamped(point, QRectF(rect()));
    setDrag(clamped, clamped);
}

void SelectionOverlayWindow::moveDrag(QPointF point)
{
    if (m_startPoint)
        setDrag(m_startPoint, SelectionGeometry::clamped(point, QRectF(rect())));
}

std::optional<QRectF> SelectionOverlayWindow::endDrag(QPointF point)
{
    moveDrag(point);
    const std::optional<QRectF> selection = selectionRect();
    clearDrag();
    return selection;
}

void SelectionOverlayWindow::clearDrag()
{
    setDrag(std::nullopt, std::nullopt);
}

void SelectionOverlayWindow::setDrag(std::optional<QPointF> start, std::optional<QPointF> current)
{
    const std::optional<QRectF> before = selectionRect();
    m_startPoint = start;
    m_currentPoint = current;
    const std::optional<QRectF> after = selectionRect();
    // Only the old and new rectangles change; the dimming elsewhere changes only when a drag
    // starts or ends.
    if (before.has_value() != after.has_value()) {
        update();
        return;
    }
    if (before && after) {
        const QRect changed = before->united(*after).toAlignedRect();
        update(changed.adjusted(-repaintMargin, -repaintMargin, repaintMargin, repaintMargin));
    }
}

void SelectionOverlayWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF bounds(rect());
    if (!m_frozenBackground.isNull()) {
        painter.drawImage(bounds, m_frozenBackground);
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(bounds, QColor::fromRgbF(0, 0, 0, 0.18f));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    const std::optional<QRectF> selection = selectionRect();
    if (!selection) {
        painter.fillRect(bounds, QColor::fromRgbF(0, 0, 0, 0.22f));
        return;
    }
    QPainterPath dimmed;
    dimmed.setFillRule(Qt::OddEvenFill);
    dimmed.addRect(bounds);
    dimmed.addRoundedRect(*selection, cornerRadius, cornerRadius);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(dimmed, QColor::fromRgbF(0, 0, 0, 0.28f));
    SelectionMagicRenderer::draw(painter, *selection,
                                 SelectionGeometry::displayAnchoredSquare(*selection, bounds.size()), 1);
    SelectionBorderView::paintBorder(painter, *selection);
}

void SelectionOverlayWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton && onCancel)
        onCancel();
    else if (event->button() == Qt::LeftButton && onSelectionStart)
        onSelectionStart(event->position());
}

void SelectionOverlayWindow::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && onSelectionChange)
        onSelectionChange(event->position());
}

void SelectionOverlayWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && onSelectionComplete)
        onSelectionComplete(event->position());
}

void SelectionOverlayWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && onCancel) {
        onCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}
