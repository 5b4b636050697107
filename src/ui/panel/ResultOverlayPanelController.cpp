#include "ResultOverlayPanelController.h"

#include "FloatingResultPanel.h"
#include "PassthroughVisualEffectView.h"
#include "ResultOverlayView.h"
#include "ResultOverlayViewModel.h"
#include "desktop/CompositingManager.h"
#include "overlay/ResultOverlayPlacement.h"
#include "theme/AppearanceController.h"
#include "theme/PanelPalette.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStackedLayout>

namespace {
constexpr int resizeAnimationMilliseconds = 250;

QEasingCurve revealCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.2, 0.8), QPointF(0.22, 1.0), QPointF(1, 1));
    return curve;
}

QRect panelFrame(const QRectF &selectionRect, OverlayPanelSizePreset preset)
{
    QList<ResultOverlayPlacement::Screen> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    std::optional<ResultOverlayPlacement::Screen> primary;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        primary = ResultOverlayPlacement::Screen{QRectF(screen->geometry()), QRectF(screen->availableGeometry())};
    const QRectF frame = ResultOverlayPlacement::frame(selectionRect, preset, screens, primary);
    return {qRound(frame.x()), qRound(frame.y()), qRound(frame.width()), qRound(frame.height())};
}

QSize minimumSize(OverlayPanelSizePreset preset)
{
    return ResultOverlayPlacement::minimumPanelSize(preset).toSize();
}
} // namespace

ResultOverlayPanelController::ResultOverlayPanelController(const AppearanceController *appearance, QObject *parent)
    : QObject(parent)
    , m_appearance(appearance)
{
    m_pendingPanelReveal.setSingleShot(true);
    m_pendingPanelReveal.setTimerType(Qt::PreciseTimer);
    connect(&m_pendingPanelReveal, &QTimer::timeout, this, &ResultOverlayPanelController::reveal);
}

ResultOverlayPanelController::~ResultOverlayPanelController()
{
    forgetDecorationWindows();
    delete m_panel;
}

FloatingResultPanel *ResultOverlayPanelController::panel() const
{
    return m_panel;
}

ResultOverlayView *ResultOverlayPanelController::view() const
{
    return m_view;
}

bool ResultOverlayPanelController::isVisible() const
{
    return m_panel && m_panel->isVisible();
}

FloatingResultPanel *ResultOverlayPanelController::makePanelIfNeeded(OverlayPanelSizePreset sizePreset)
{
    if (m_panel) {
        m_panel->setMinimumSize(minimumSize(sizePreset));
        return m_panel;
    }
    auto *panel = new FloatingResultPanel;
    panel->resize(ResultOverlayPlacement::panelSize(sizePreset).toSize());
    panel->setMinimumSize(minimumSize(sizePreset));
    const QPointer<ResultOverlayPanelController> controller(this);
    panel->onClose = [controller] {
        if (!controller)
            return;
        controller->forgetDecorationWindows();
        controller->m_currentOverlaySizePreset.reset();
    };
    m_panel = panel;
    return panel;
}

void ResultOverlayPanelController::updateOverlayViewModel(const ResultOverlaySnapshot &snapshot,
                                                          const ResultOverlayCallbacks &callbacks)
{
    if (!m_overlayViewModel)
        m_overlayViewModel = new ResultOverlayViewModel(this);
    const QPointer<ResultOverlayPanelController> controller(this);
    m_overlayViewModel->onClose = [controller] {
        if (controller)
            controller->close();
    };
    m_overlayViewModel->callbacks = callbacks;
    m_overlayViewModel->setSnapshot(snapshot);
    if (m_view)
        return;
    // First use: the view and, over it, the veil of the reveal.
    constexpr int edge = FloatingResultPanel::resizeMargin;
    auto *layers = new QStackedLayout(m_panel);
    layers->setStackingMode(QStackedLayout::StackAll);
    layers->setContentsMargins(edge, edge, edge, edge);
    m_view = new ResultOverlayView(*m_overlayViewModel);
    m_transitionVeilView = new PassthroughVisualEffectView;
    layers->addWidget(m_view);
    layers->addWidget(m_transitionVeilView);
    m_transitionVeilView->raise();
}

void ResultOverlayPanelController::applyTheme(AppThemePreference theme, FloatingResultPanel *panel)
{
    const QPalette system = m_appearance ? m_appearance->systemPalette() : QApplication::palette();
    const QPalette base = AppearanceController::paletteFor(theme, system);
    panel->setPalette(PanelPalette(AppearanceController::isDark(base)).widgetPalette(base));
}

int ResultOverlayPanelController::revealDelay(const ResultOverlaySnapshot &snapshot)
{
    return snapshot.delaysPanelReveal ? revealDelayMilliseconds : 0;
}

void ResultOverlayPanelController::present(const ResultOverlaySnapshot &snapshot,
                                           const ResultOverlayCallbacks &callbacks)
{
    FloatingResultPanel *panel = makePanelIfNeeded(snapshot.overlayPanelSizePreset);
    updateOverlayViewModel(snapshot, callbacks);
    applyTheme(snapshot.themePreference, panel);
    const QRectF &selectionRect = snapshot.capture.selectionRect;
    const QRect target = panelFrame(selectionRect, snapshot.overlayPanelSizePreset);
    const bool sameSelection = m_anchoredSelectionRect == selectionRect;
    if (sameSelection && panel->isVisible()) {
        panel->setGeometry(target);
        panel->raise();
        panel->activateWindow();
        if (compositingManagerIsRunning())
            panel->setWindowOpacity(1);
    } else if (sameSelection && isRevealPending()) {
        // Content changed while the reveal waits: it still fades in once, when due.
        panel->setGeometry(target);
    } else {
        presentPanel(panel, target, revealDelay(snapshot));
        m_anchoredSelectionRect = selectionRect;
    }
    m_currentOverlaySizePreset = snapshot.overlayPanelSizePreset;

    if (snapshot.showsSelectionDecoration) {
        showSelectionBorder(selectionRect);
        playSelectionEffectIfNeeded(snapshot.capture);
    } else {
        hideSelectionBorder();
    }
}

void ResultOverlayPanelController::presentPanel(FloatingResultPanel *panel, const QRect &frame, int delay)
{
    m_pendingPanelReveal.stop();
    if (m_revealAnimation)
        m_revealAnimation->stop();
    // Hidden until the reveal, so that nothing invisible catches clicks meanwhile.
    panel->hide();
    if (compositingManagerIsRunning())
        panel->setWindowOpacity(0);
    panel->setGeometry(frame);
    m_transitionVeilView->setOpacity(1);
    if (delay <= 0)
        reveal();
    else
        m_pendingPanelReveal.start(delay);
}

void ResultOverlayPanelController::reveal()
{
    if (!m_panel)
        return;
    FloatingResultPanel *panel = m_panel;
    panel->show();
    panel->raise();
    panel->activateWindow();
    if (!compositingManagerIsRunning()) {
        // Nothing can draw a translucent window: show it at once.
        m_transitionVeilView->setOpacity(0);
        return;
    }
    auto *group = new QParallelAnimationGroup(this);
    auto *fadeIn = new QPropertyAnimation(panel, "windowOpacity", group);
    fadeIn->setStartValue(0.0);
    fadeIn->setEndValue(1.0);
    auto *unveil = new QPropertyAnimation(m_transitionVeilView->opacityEffect(), "opacity", group);
    unveil->setStartValue(1.0);
    unveil->setEndValue(0.0);
    for (QPropertyAnimation *animation : {fadeIn, unveil}) {
        animation->setDuration(revealDurationMilliseconds);
        animation->setEasingCurve(revealCurve());
    }
    const QPointer<PassthroughVisualEffectView> veil(m_transitionVeilView);
    connect(group, &QAbstractAnimation::finished, this, [veil] {
        if (veil)
            veil->setOpacity(0);
    });
    m_revealAnimation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void ResultOverlayPanelController::updateVisibleContent(const ResultOverlaySnapshot &snapshot,
                                                        const ResultOverlayCallbacks &callbacks)
{
    if (!isVisible())
        return;
    FloatingResultPanel *panel = m_panel;
    applyTheme(snapshot.themePreference, panel);
    panel->setMinimumSize(minimumSize(snapshot.overlayPanelSizePreset));
    if (m_currentOverlaySizePreset != snapshot.overlayPanelSizePreset) {
        // Only a new size class moves the panel: one the user moved or resized stays put.
        const QRect target = panelFrame(snapshot.capture.selectionRect, snapshot.overlayPanelSizePreset);
        if (panel->geometry() != target) {
            auto *resize = new QPropertyAnimation(panel, "geometry", this);
            resize->setDuration(resizeAnimationMilliseconds);
            resize->setEasingCurve(QEasingCurve::OutCubic);
            resize->setEndValue(target);
            resize->start(QAbstractAnimation::DeleteWhenStopped);
        }
        m_currentOverlaySizePreset = snapshot.overlayPanelSizePreset;
    }
    updateOverlayViewModel(snapshot, callbacks);
    if (snapshot.showsSelectionDecoration)
        showSelectionBorder(snapshot.capture.selectionRect);
    else
        hideSelectionBorder();
}

void ResultOverlayPanelController::close()
{
    m_pendingPanelReveal.stop();
    if (m_revealAnimation)
        m_revealAnimation->stop();
    if (m_panel)
        m_panel->hide();
    forgetDecorationWindows();
    m_lastAnimatedCaptureID.reset();
}
