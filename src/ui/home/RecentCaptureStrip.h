#pragma once

#include "library/RecentCaptureItem.h"

#include <QList>
#include <QUuid>
#include <QWidget>

#include <optional>

class CaptureImageCache;
class RecentCaptureThumbnail;

// The row of recent captures under the selected-region card: at most nine, the newest at the
// trailing end. Clicking a capture selects it; the strip holds the keyboard focus (Left and
// Right move the selection).
class RecentCaptureStrip : public QWidget
{
    Q_OBJECT
public:
    static constexpr int maximumShown = 9;
    static constexpr int spacing = 10;

    explicit RecentCaptureStrip(CaptureImageCache &images, QWidget *parent = nullptr);

    // Thumbnail size for the width available to the strip.
    static QSize thumbnailSize(qreal availableWidth);
    // What the strip shows of the library (newest first): its first nine, in reverse order.
    static QList<RecentCaptureItem> displayed(const QList<RecentCaptureItem> &library);

    void setItems(const QList<RecentCaptureItem> &library, std::optional<QUuid> selected);
    const QList<RecentCaptureItem> &shownItems() const { return m_items; }
    QList<RecentCaptureThumbnail *> thumbnails() const { return m_thumbnails; }
    std::optional<QUuid> hoveredRecentCaptureID() const { return m_hovered; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void selectionRequested(const RecentCaptureItem &item);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void layoutThumbnails();
    void refreshImages();
    void select(int index);

    CaptureImageCache &m_images;
    QList<RecentCaptureItem> m_items;
    QList<RecentCaptureThumbnail *> m_thumbnails;
    std::optional<QUuid> m_selected;
    std::optional<QUuid> m_hovered;
};
