#include "RegionSelectionWindow.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

RegionSelectionWindow::RegionSelectionWindow(QImage picture, const QRect &screenGeometry)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint)
    , m_picture(std::move(picture))
{
    setWindowTitle(title);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(screenGeometry);
}

QRect RegionSelectionWindow::spanning(QPoint a, QPoint b)
{
    // Corner to corner: a drag from (10, 10) to (22, 22) spans 12 points.
    return {QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
            QSize(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()))};
}

QRect RegionSelectionWindow::currentRect() const
{
    return m_start ? spanning(*m_start, m_current) : QRect();
}

void RegionSelectionWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(rect(), m_picture);
    const QRect selection = currentRect();
    QPainterPath dimmed;
    dimmed.addRect(rect());
    if (selection.isValid()) {
        QPainterPath hole;
        hole.addRect(selection);
        dimmed = dimmed.subtracted(hole);
    }
    painter.fillPath(dimmed, QColor(0, 0, 0, 90));
    if (selection.isValid()) {
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        painter.drawRect(selection.adjusted(0, 0, -1, -1));
    }
}

void RegionSelectionWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        finish(std::nullopt);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_start = event->position().toPoint();
        m_current = *m_start;
        update();
    }
}

void RegionSelectionWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_start)
        return;
    m_current = event->position().toPoint();
    update();
}

void RegionSelectionWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!m_start) {
        finish(std::nullopt);
        return;
    }
    m_current = event->position().toPoint();
    finish(currentRect());
}

void RegionSelectionWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        finish(std::nullopt);
        return;
    }
    QWidget::keyPressEvent(event);
}

void RegionSelectionWindow::finish(std::optional<QRect> rect)
{
    if (m_finished)
        return;
    m_finished = true;
    hide();
    Q_EMIT finished(rect);
}
