#include "ScreenSelectionCaptureService.h"

#include "desktop/CompositingManager.h"
#include "desktop/DisplayIdentifier.h"
#include "x11/X11Desktop.h"

#include <QGuiApplication>
#include <QScopeGuard>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {
const QString noApplicationName = QStringLiteral("Selected Screen Region");
const QString previewLabel = QStringLiteral("User-selected region");
} // namespace

ScreenSelectionCaptureService::ScreenSelectionCaptureService(std::unique_ptr<ScreenSnapshotSource> snapshots)
    : m_snapshots(std::move(snapshots))
{}

ScreenSelectionCaptureService::~ScreenSelectionCaptureService() = default;

void ScreenSelectionCaptureService::setSelectionBridge(ScreenSelectionOverlayCoordinator::SelectionBridge bridge)
{
    m_bridge = std::move(bridge);
}

QCoro::Task<CapturedSelection> ScreenSelectionCaptureService::captureSelection()
{
    // Asked before any overlay exists, which would otherwise be the active window.
    const std::optional<QString> sourceAppName = X11Desktop::activeWindowApplicationName();
    const QList<QScreen *> screens = QGuiApplication::screens();
    QCoro::Task<QList<QImage>> freezing = m_snapshots->freezeScreens(screens);
    const QList<QImage> pictures = co_await freezing;

    QList<ScreenSelectionOverlayCoordinator::Display> displays;
    for (qsizetype i = 0; i < screens.size(); ++i)
        displays.append({screens[i], displayIdentifier(screens[i]), pictures.value(i)});
    m_activeOverlayCoordinator.reset(
        new ScreenSelectionOverlayCoordinator(displays, m_bridge, compositingManagerIsRunning()));
    const auto clearCoordinator = qScopeGuard([this] { m_activeOverlayCoordinator.reset(); });
    QCoro::Task<ScreenSelection> selecting = m_activeOverlayCoordinator->selectRegion();
    const ScreenSelection selection = co_await selecting;

    if (selection.image.isNull()) {
        const auto display = std::find_if(displays.cbegin(), displays.cend(),
                                          [&](const auto &d) { return d.displayID == selection.displayID; });
        const bool hadPicture = display != displays.cend() && !display->frozenPicture.isNull();
        throw CaptureError::screenshotFailed(hadPicture ? QStringLiteral("Selected region could not be cropped.")
                                                        : QStringLiteral("Screen snapshot could not be created."));
    }
    co_return makeCapturedSelection(selection, sourceAppName);
}

CapturedSelection ScreenSelectionCaptureService::makeCapturedSelection(const ScreenSelection &selection,
                                                                       const std::optional<QString> &sourceAppName)
{
    const QRectF &rect = selection.rect;
    const auto truncated = [](double value) { return qint64(std::trunc(value)); };
    CapturedSelection captured;
    captured.id = QUuid::createUuid();
    captured.capturedAt = QDateTime::currentDateTime();
    captured.sourceAppName = sourceAppName && !sourceAppName->isEmpty() ? *sourceAppName : noApplicationName;
    captured.frameDescription = QStringLiteral("%1 x %2 at x:%3 y:%4")
                                    .arg(truncated(rect.width()))
                                    .arg(truncated(rect.height()))
                                    .arg(truncated(rect.x()))
                                    .arg(truncated(rect.y()));
    captured.previewLabel = previewLabel;
    captured.cgImage = selection.image;
    // The stored capture is counted in pixels.
    captured.cgImage.setDevicePixelRatio(1);
    captured.imageSize = QSizeF(captured.cgImage.size());
    captured.selectionRect = rect;
    captured.referenceDisplayFrame = selection.displayFrame;
    return captured;
}
