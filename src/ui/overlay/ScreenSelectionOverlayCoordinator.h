#pragma once

#include "capture/CaptureError.h"
#include "capture/ScreenSelection.h"

#include <QCoro/QCoroTask>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <variant>

class QScreen;
class SelectionOverlayWindow;

// Lets the user drag out a rectangle on any screen: one overlay window per screen over its
// frozen picture. The drag stays on the screen it was pressed on; a press on another screen moves
// it there. Escape (from any overlay) or a right click cancels. Created for one selection.
class ScreenSelectionOverlayCoordinator : public QObject
{
    Q_OBJECT
public:
    struct Display
    {
        QScreen *screen = nullptr;
        quint32 displayID = 0;
        QImage frozenPicture;
    };
    // Called at mouse-up with an accepted selection, before the result is delivered: the global
    // rectangle, its display's frame, and the frozen content under it.
    using SelectionBridge =
        std::function<void(const QRectF &rect, std::optional<QRectF> displayFrame, const QImage &background)>;

    // `translucentWindows`: whether a compositing manager can show the live screen through the
    // overlay of a screen that has no frozen picture.
    ScreenSelectionOverlayCoordinator(QList<Display> displays, SelectionBridge bridge, bool translucentWindows);
    ~ScreenSelectionOverlayCoordinator() override;

    // Fails with noScreenAvailable, selectionCancelled or selectionTooSmall.
    QCoro::Task<ScreenSelection> selectRegion();

    // The overlay windows while they are shown, in screen order.
    QList<SelectionOverlayWindow *> windows() const;

Q_SIGNALS:
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct OverlayContext
    {
        Display display;
        QPointer<SelectionOverlayWindow> window;
    };
    using Result = std::variant<ScreenSelection, CaptureError>;

    void present();
    void start(qsizetype index, QPointF point);
    void change(QPointF point);
    void complete(QPointF point);
    void finish(Result result);
    void tearDown();

    QList<OverlayContext> m_overlayContexts;
    SelectionBridge m_bridge;
    bool m_translucentWindows;
    std::optional<qsizetype> m_activeDisplay;
    std::optional<Result> m_result;
};
