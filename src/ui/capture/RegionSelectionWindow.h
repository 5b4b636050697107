#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <optional>

// A full-screen window over a frozen picture of one screen: the user drags a rectangle; Escape
// or a right click cancels. The picture is dimmed outside the rectangle being dragged.
class RegionSelectionWindow : public QWidget
{
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Orvanta Selection");

    // `picture` is the screen's frozen picture; `screenGeometry` places the window over it.
    RegionSelectionWindow(QImage picture, const QRect &screenGeometry);

Q_SIGNALS:
    // The dragged rectangle in window coordinates, or none when the user cancelled.
    void finished(std::optional<QRect> rect);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    static QRect spanning(QPoint a, QPoint b);
    void finish(std::optional<QRect> rect);
    QRect currentRect() const;

    QImage m_picture;
    std::optional<QPoint> m_start;
    QPoint m_current;
    bool m_finished = false;
};
