#include "ResultOverlayPanelController.h"

#include "desktop/CompositingManager.h"
#include "overlay/SelectionBorderView.h"
#include "overlay/SelectionMagicEffectView.h"

#include <QWidget>

// The border and glow windows over the captured region. Both are translucent: without a
// compositing manager they cannot be drawn, so they are skipped and nothing else changes.

namespace {
QRectF glowFrame(const QRectF &selection)
{
    constexpr int margin = SelectionMagicEffectView::selectionMargin;
    return selection.adjusted(-margin, -margin, margin, margin);
}
} // namespace

void ResultOverlayPanelController::beginSelectionBridge(const QRectF &rect, std::optional<QRectF> displayFrame,
                                                        const QImage &backgroundImage)
{
    showSelectionBorder(rect);
    showSelectionEffectWindow(glowFrame(rect), true, displayFrame, backgroundImage);
}

void ResultOverlayPanelController::showSelectionBorder(const QRectF &rect)
{
    if (!compositingManagerIsRunning())
        return;
    m_selectionBorderWindow = SelectionBorderView::showAround(m_selectionBorderWindow, rect);
}

void ResultOverlayPanelController::hideSelectionBorder()
{
    forgetDecorationWindows();
    m_lastAnimatedCaptureID.reset();
}

void ResultOverlayPanelController::forgetDecorationWindows()
{
    for (QWidget *window : {m_selectionBorderWindow.data(), m_selectionEffectWindow.data()}) {
        if (window) {
            window->hide();
            window->deleteLater();
        }
    }
    m_selectionBorderWindow.clear();
    m_selectionEffectWindow.clear();
}

void ResultOverlayPanelController::playSelectionEffectIfNeeded(const CapturedSelection &capture)
{
    if (m_selectionEffectWindow || m_selectionBorderWindow) {
        m_lastAnimatedCaptureID = capture.id;
        return;
    }
    if (m_lastAnimatedCaptureID == capture.id)
        return;
    m_lastAnimatedCaptureID = capture.id;
    showSelectionBorder(capture.selectionRect);
    showSelectionEffectWindow(glowFrame(capture.selectionRect), true, std::nullopt, QImage());
}

void ResultOverlayPanelController::showSelectionEffectWindow(const QRectF &frame, bool restartAnimation,
                                                             std::optional<QRectF> referenceDisplayFrame,
                                                             const QImage &backgroundImage)
{
    if (!compositingManagerIsRunning())
        return;
    m_selectionEffectWindow = SelectionMagicEffectView::showAt(
        m_selectionEffectWindow, frame.toAlignedRect(), restartAnimation, referenceDisplayFrame, backgroundImage);
    // The glow lies beneath the border; the panel, revealed after both, rises above them.
    if (m_selectionBorderWindow)
        m_selectionBorderWindow->raise();
}
