#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <optional>

class QScreen;

// The selection overlay over one screen: its frozen picture, dimmed, with the rectangle being
// dragged cut out of the dimming and drawn with the glow and a dashed border. Input goes to the
// callbacks, in this window's points; the coordinator decides what it means.
class SelectionOverlayWindow : public QWidget
{
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Orvanta Selection");

    // `frozenBackground` may be null: the live screen then shows through, dimmed.
    SelectionOverlayWindow(QScreen *screen, QImage frozenBackground, bool translucent);

    std::function<void(QPointF)> onSelectionStart;
    std::function<void(QPointF)> onSelectionChange;
    std::function<void(QPointF)> onSelectionComplete;
    std::function<void()> onCancel;

    const QImage &frozenBackground() const { return m_frozenBackground; }
    QRectF screenFrame() const { return m_screenFrame; }
    // The rectangle being dragged, made integral; none while no drag is in progress.
    std::optional<QRectF> selectionRect() const;

    // A drag on this window; every point is kept inside the window (the drag stays on its screen).
    void startDrag(QPointF point);
    void moveDrag(QPointF point);
    // Ends the drag at `point` and returns its rectangle; none without a drag in progress.
    std::optional<QRectF> endDrag(QPointF point);
    void clearDrag();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setDrag(std::optional<QPointF> start, std::optional<QPointF> current);

    QRectF m_screenFrame;
    QImage m_frozenBackground;
    std::optional<QPointF> m_startPoint;
    std::optional<QPointF> m_currentPoint;
};
