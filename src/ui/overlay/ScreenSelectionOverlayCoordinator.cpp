#include "ScreenSelectionOverlayCoordinator.h"

#include "SelectionOverlayWindow.h"
#include "capture/SelectionGeometry.h"

#include <QCoro/QCoroSignal>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

ScreenSelectionOverlayCoordinator::ScreenSelectionOverlayCoordinator(QList<Display> displays, SelectionBridge bridge,
                                                                     bool translucentWindows)
    : m_bridge(std::move(bridge))
    , m_translucentWindows(translucentWindows)
{
    for (Display &display : displays)
        m_overlayContexts.append({std::move(display), nullptr});
}

ScreenSelectionOverlayCoordinator::~ScreenSelectionOverlayCoordinator()
{
    tearDown();
}

QList<SelectionOverlayWindow *> ScreenSelectionOverlayCoordinator::windows() const
{
    QList<SelectionOverlayWindow *> result;
    for (const OverlayContext &context : m_overlayContexts) {
        if (context.window)
            result.append(context.window);
    }
    return result;
}

QCoro::Task<ScreenSelection> ScreenSelectionOverlayCoordinator::selectRegion()
{
    if (m_overlayContexts.isEmpty())
        throw CaptureError::noScreenAvailable();
    auto finishing = qCoro(this, &ScreenSelectionOverlayCoordinator::finished);
    present();
    co_await finishing;
    // Resumed inside finished(): only the result is read here, the windows are already gone.
    const Result result = *m_result;
    if (const CaptureError *error = std::get_if<CaptureError>(&result))
        throw *error;
    co_return std::get<ScreenSelection>(result);
}

void ScreenSelectionOverlayCoordinator::present()
{
    QScreen *pointerScreen = QGuiApplication::screenAt(QCursor::pos());
    if (!pointerScreen)
        pointerScreen = QGuiApplication::primaryScreen();
    qsizetype activeIndex = 0;
    const QPointer<ScreenSelectionOverlayCoordinator> self(this);
    for (qsizetype i = 0; i < m_overlayContexts.size(); ++i) {
        OverlayContext &context = m_overlayContexts[i];
        if (context.display.screen == pointerScreen)
            activeIndex = i;
        // Only a screen without a picture needs the live screen to show through.
        const bool translucent = m_translucentWindows && context.display.frozenPicture.isNull();
        auto *window = new SelectionOverlayWindow(context.display.screen, context.display.frozenPicture, translucent);
        window->onSelectionStart = [self, i](QPointF point) {
            if (self)
                self->start(i, point);
        };
        window->onSelectionChange = [self](QPointF point) {
            if (self)
                self->change(point);
        };
        window->onSelectionComplete = [self](QPointF point) {
            if (self)
                self->complete(point);
        };
        window->onCancel = [self] {
            if (self)
                self->finish(CaptureError::selectionCancelled());
        };
        context.window = window;
        window->show();
        window->raise();
    }
    SelectionOverlayWindow *active = m_overlayContexts[activeIndex].window;
    active->raise();
    active->activateWindow();
    active->setFocus();
    // Escape must cancel whichever overlay has the keyboard, so the keys come to us while selecting.
    active->grabKeyboard();
    qApp->installEventFilter(this);
    // A screen unplugged mid-selection takes its overlay's geometry with it: start over.
    connect(qApp, &QGuiApplication::screenRemoved, this, [this] { finish(CaptureError::selectionCancelled()); });
}

void ScreenSelectionOverlayCoordinator::start(qsizetype index, QPointF point)
{
    m_activeDisplay = index;
    for (qsizetype i = 0; i < m_overlayContexts.size(); ++i) {
        if (SelectionOverlayWindow *window = m_overlayContexts[i].window)
            i == index ? window->startDrag(point) : window->clearDrag();
    }
}

void ScreenSelectionOverlayCoordinator::change(QPointF point)
{
    if (!m_activeDisplay)
        return;
    if (SelectionOverlayWindow *window = m_overlayContexts[*m_activeDisplay].window)
        window->moveDrag(point);
}

void ScreenSelectionOverlayCoordinator::complete(QPointF point)
{
    if (!m_activeDisplay || !m_overlayContexts[*m_activeDisplay].window) {
        finish(CaptureError::selectionCancelled());
        return;
    }
    const OverlayContext &context = m_overlayContexts[*m_activeDisplay];
    const std::optional<QRectF> localRect = context.window->endDrag(point);
    if (!localRect) {
        finish(CaptureError::selectionCancelled());
        return;
    }
    if (!SelectionGeometry::isLargeEnough(*localRect)) {
        finish(CaptureError::selectionTooSmall());
        return;
    }
    const QRectF frame = context.window->screenFrame();
    ScreenSelection selection;
    selection.rect = SelectionGeometry::integral(localRect->translated(frame.topLeft()));
    selection.displayID = context.display.displayID;
    selection.displayFrame = frame;
    selection.displayScaleFactor = context.display.screen->devicePixelRatio();
    selection.image = SelectionGeometry::cut(context.display.frozenPicture, frame.size(), *localRect);
    if (m_bridge)
        m_bridge(selection.rect, frame, selection.image);
    finish(std::move(selection));
}

void ScreenSelectionOverlayCoordinator::finish(Result result)
{
    tearDown();
    if (m_result)
        return;
    m_result = std::move(result);
    Q_EMIT finished();
}

void ScreenSelectionOverlayCoordinator::tearDown()
{
    if (qApp)
        qApp->removeEventFilter(this);
    disconnect(qApp, &QGuiApplication::screenRemoved, this, nullptr);
    for (OverlayContext &context : m_overlayContexts) {
        if (SelectionOverlayWindow *window = context.window) {
            window->onSelectionStart = nullptr;
            window->onSelectionChange = nullptr;
            window->onSelectionComplete = nullptr;
            window->onCancel = nullptr;
            window->releaseKeyboard();
            window->hide();
            // Deleted from the event loop: this may run inside one of the window's own handlers.
            window->deleteLater();
        }
    }
    m_overlayContexts.clear();
    m_activeDisplay.reset();
}

bool ScreenSelectionOverlayCoordinator::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        finish(CaptureError::selectionCancelled());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
