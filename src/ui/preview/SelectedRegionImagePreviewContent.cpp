#include "SelectedRegionImagePreviewContent.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

#include <algorithm>

SelectedRegionImagePreviewContent::SelectedRegionImagePreviewContent(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    setAccessibleName(QStringLiteral("Captured image"));
}

void SelectedRegionImagePreviewContent::setImage(const QImage &image)
{
    m_image = image;
    m_picture.setImage(image);
    update();
}

QRect SelectedRegionImagePreviewContent::imageRect() const
{
    if (m_image.isNull())
        return {};
    const QSize frame(std::max(1, width() - 2 * padding), std::max(1, height() - 2 * padding));
    const QSize shown = m_image.deviceIndependentSize().toSize().scaled(frame, Qt::KeepAspectRatio);
    return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

void SelectedRegionImagePreviewContent::paintEvent(QPaintEvent *)
{
    const QRect shown = imageRect();
    QPainter painter(this);
    painter.drawPixmap(shown.topLeft(), m_picture.pixmap(shown.size(), devicePixelRatioF(), Qt::KeepAspectRatio));
}

void SelectedRegionImagePreviewContent::contextMenuEvent(QContextMenuEvent *event)
{
    if (!imageRect().contains(event->pos()))
        return;
    QMenu menu(this);
    connect(menu.addAction(copyTitle), &QAction::triggered, this, &SelectedRegionImagePreviewContent::copyRequested);
    connect(menu.addAction(saveTitle), &QAction::triggered, this, &SelectedRegionImagePreviewContent::saveRequested);
    menu.exec(event->globalPos());
}
