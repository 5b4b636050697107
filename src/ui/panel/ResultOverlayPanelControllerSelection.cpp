#include "ResultOverlayPanelController.h"

#include <QWidget>

// The border and glow windows over the captured region.

void ResultOverlayPanelController::beginSelectionBridge(const QRectF &rect, std::optional<QRectF> displayFrame,
                                                        const QImage &backgroundImage)
{
    showSelectionBorder(rect);
    showSelectionEffectWindow(rect.adjusted(-2, -2, 2, 2), true, displayFrame, backgroundImage);
}

void ResultOverlayPanelController::showSelectionBorder(const QRectF &) {}

void ResultOverlayPanelController::hideSelectionBorder()
{
    forgetDecorationWindows();
    m_lastAnimatedCaptureID.reset();
}

void ResultOverlayPanelController::forgetDecorationWindows()
{
    if (m_selectionBorderWindow)
        m_selectionBorderWindow->deleteLater();
    if (m_selectionEffectWindow)
        m_selectionEffectWindow->deleteLater();
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
    showSelectionEffectWindow(capture.selectionRect.adjusted(-2, -2, 2, 2), true, std::nullopt, QImage());
}

void ResultOverlayPanelController::showSelectionEffectWindow(const QRectF &, bool, std::optional<QRectF>,
                                                             const QImage &)
{}
