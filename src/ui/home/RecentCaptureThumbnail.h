#pragma once

#include "preview/ScaledPicture.h"
#include <QAbstractButton>

#include <QVariantAnimation>

// One capture of the strip: its picture filling a rounded tile, an accent outline when selected,
// and a highlight that fades in while the pointer is over it.
class RecentCaptureThumbnail : public QAbstractButton
{
    Q_OBJECT
public:
    explicit RecentCaptureThumbnail(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    bool isHovered() const { return m_hovered; }

Q_SIGNALS:
    void hoverChanged(bool hovered);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovered(bool hovered);

    ScaledPicture m_picture;
    bool m_selected = false;
    bool m_hovered = false;
    QVariantAnimation m_hoverProgress;
};
