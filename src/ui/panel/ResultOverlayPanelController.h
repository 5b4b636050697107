#pragma once

#include "overlay/ResultOverlayPresenter.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QUuid>

#include <optional>

class FloatingResultPanel;
class QPropertyAnimation;
class QWidget;
class ResultOverlayView;
class ResultOverlayViewModel;

// Owns the floating answer panel beside the captured region and the two decoration windows drawn
// over the region (the dashed border and the glow). Created once by the composition root and
// kept for the life of the process; the panel and its view are created on first use and reused.
// Main thread only.
class ResultOverlayPanelController : public QObject, public ResultOverlayPresenter
{
    Q_OBJECT
public:
    static constexpr int revealDelayMilliseconds = 240;
    static constexpr int revealDurationMilliseconds = 850;

    explicit ResultOverlayPanelController(QObject *parent = nullptr);
    ~ResultOverlayPanelController() override;

    bool isVisible() const override;
    void present(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks) override;
    void updateVisibleContent(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks) override;
    void close() override;

    // Called by the selection overlay when a selection is accepted, so that the border and the
    // glow start before the capture is cut. `rect` and `displayFrame` are global, in points;
    // `backgroundImage` is the frozen screen content under the selection.
    void beginSelectionBridge(const QRectF &rect, std::optional<QRectF> displayFrame, const QImage &backgroundImage);

    // For tests and benchmarks: the panel window, once created.
    FloatingResultPanel *panel() const;
    ResultOverlayView *view() const;

private:
    FloatingResultPanel *makePanelIfNeeded(OverlayPanelSizePreset sizePreset);
    void updateOverlayViewModel(const ResultOverlaySnapshot &snapshot, const ResultOverlayCallbacks &callbacks);
    void applyTheme(AppThemePreference theme, FloatingResultPanel *panel);
    void presentPanel(FloatingResultPanel *panel, const QRect &frame, int revealDelay);
    void reveal();
    static int revealDelay(const ResultOverlaySnapshot &snapshot);
    void forgetDecorationWindows();

    // The selection decoration windows.
    void showSelectionBorder(const QRectF &rect);
    void hideSelectionBorder();
    void playSelectionEffectIfNeeded(const CapturedSelection &capture);
    void showSelectionEffectWindow(const QRectF &frame, bool restartAnimation,
                                   std::optional<QRectF> referenceDisplayFrame, const QImage &backgroundImage);

    QPointer<FloatingResultPanel> m_panel;
    QPointer<ResultOverlayView> m_view;
    QPointer<QWidget> m_transitionVeilView;
    ResultOverlayViewModel *m_overlayViewModel = nullptr;
    QTimer m_pendingPanelReveal;
    QPointer<QPropertyAnimation> m_revealAnimation;
    std::optional<QRectF> m_anchoredSelectionRect;
    std::optional<OverlayPanelSizePreset> m_currentOverlaySizePreset;

    QPointer<QWidget> m_selectionBorderWindow;
    QPointer<QWidget> m_selectionEffectWindow;
    std::optional<QUuid> m_lastAnimatedCaptureID;
};
