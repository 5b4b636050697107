#include "RecentCaptureStrip.h"

#include "CaptureImageCache.h"
#include "RecentCaptureThumbnail.h"
#include "theme/HomeTheme.h"

#include <QKeyEvent>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int focusInset = 4; // room for the focus ring around the tiles
} // namespace

RecentCaptureStrip::RecentCaptureStrip(CaptureImageCache &images, QWidget *parent) : QWidget(parent), m_images(images)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Recent captures"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&m_images, &CaptureImageCache::imageReady, this, &RecentCaptureStrip::refreshImages);
}

QSize RecentCaptureStrip::thumbnailSize(qreal availableWidth)
{
    const int width = std::max(static_cast<int>(std::floor((availableWidth - 80) / maximumShown)), 48);
    const int height = static_cast<int>(std::max(width * 0.66, 38.0));
    return {width, height};
}

QList<RecentCaptureItem> RecentCaptureStrip::displayed(const QList<RecentCaptureItem> &library)
{
    QList<RecentCaptureItem> shown = library.mid(0, maximumShown);
    std::reverse(shown.begin(), shown.end());
    return shown;
}

void RecentCaptureStrip::setItems(const QList<RecentCaptureItem> &library, std::optional<QUuid> selected)
{
    const QList<RecentCaptureItem> shown = displayed(library);
    m_selected = selected;
    if (shown != m_items) {
        m_items = shown;
        while (m_thumbnails.size() > m_items.size())
            delete m_thumbnails.takeLast();
        while (m_thumbnails.size() < m_items.size()) {
            auto *thumbnail = new RecentCaptureThumbnail(this);
            const int index = static_cast<int>(m_thumbnails.size());
            connect(thumbnail, &QAbstractButton::clicked, this, [this, index] {
                setFocus(Qt::MouseFocusReason);
                select(index);
            });
            connect(thumbnail, &RecentCaptureThumbnail::hoverChanged, this, [this, index](bool hovered) {
                if (hovered)
                    m_hovered = m_items.value(index).id;
                else if (m_hovered == m_items.value(index).id)
                    m_hovered.reset();
            });
            thumbnail->show();
            m_thumbnails.append(thumbnail);
        }
        const QLocale locale;
        for (int i = 0; i < m_items.size(); ++i) {
            const RecentCaptureItem &item = m_items.at(i);
            m_thumbnails.at(i)->setAccessibleName(
                QStringLiteral("Capture from %1, %2")
                    .arg(item.sourceAppName, locale.toString(item.capturedAt.toLocalTime(), QLocale::ShortFormat)));
        }
        layoutThumbnails();
        refreshImages();
    }
    for (int i = 0; i < m_items.size(); ++i)
        m_thumbnails.at(i)->setSelected(m_selected && m_items.at(i).id == *m_selected);
}

void RecentCaptureStrip::refreshImages()
{
    for (int i = 0; i < m_items.size(); ++i)
        m_thumbnails.at(i)->setImage(m_images.image(m_items.at(i).fileURL));
}

QSize RecentCaptureStrip::sizeHint() const
{
    const QSize tile = thumbnailSize(width());
    return {width(), tile.height() + 2 * focusInset};
}

void RecentCaptureStrip::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int height = thumbnailSize(width()).height() + 2 * focusInset;
    if (height != minimumHeight())
        setFixedHeight(height);
    layoutThumbnails();
}

void RecentCaptureStrip::layoutThumbnails()
{
    const QSize tile = thumbnailSize(width());
    int x = focusInset;
    for (RecentCaptureThumbnail *thumbnail : std::as_const(m_thumbnails)) {
        thumbnail->setGeometry(QRect(QPoint(x, focusInset), tile));
        x += tile.width() + spacing;
    }
}

void RecentCaptureStrip::select(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    Q_EMIT selectionRequested(m_items.at(index));
}

void RecentCaptureStrip::mousePressEvent(QMouseEvent *event)
{
    // The background only takes the focus.
    QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
}

void RecentCaptureStrip::keyPressEvent(QKeyEvent *event)
{
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (step == 0 || m_items.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const auto current = std::find_if(m_items.cbegin(), m_items.cend(), [this](const RecentCaptureItem &item) {
        return m_selected && item.id == *m_selected;
    });
    const int index = current == m_items.cend() ? static_cast<int>(m_items.size()) - 1
                                                : static_cast<int>(current - m_items.cbegin()) + step;
    select(std::clamp(index, 0, static_cast<int>(m_items.size()) - 1));
}

void RecentCaptureStrip::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void RecentCaptureStrip::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void RecentCaptureStrip::paintEvent(QPaintEvent *)
{
    if (!hasFocus() || m_items.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(HomeTheme::accentAt(palette(), 0.5), 2));
    const QRect last = m_thumbnails.last()->geometry();
    painter.drawRoundedRect(QRectF(1, 1, last.right() + focusInset - 1, height() - 2), 10, 10);
}
