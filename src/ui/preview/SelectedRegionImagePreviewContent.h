#pragma once

#include "ScaledPicture.h"

#include <QWidget>

// The preview window's content: the image kept at its aspect ratio, fitted inside a 28-point
// margin and centred, with "Copy Image" and "Save Image As..." in its context menu.
class SelectedRegionImagePreviewContent : public QWidget
{
    Q_OBJECT
public:
    static constexpr int padding = 28;
    static inline const QString copyTitle = QStringLiteral("Copy Image");
    static inline const QString saveTitle = QStringLiteral("Save Image As…");

    explicit SelectedRegionImagePreviewContent(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    // Where the image is painted for the current size.
    QRect imageRect() const;

Q_SIGNALS:
    void copyRequested();
    void saveRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QImage m_image;
    ScaledPicture m_picture;
};
