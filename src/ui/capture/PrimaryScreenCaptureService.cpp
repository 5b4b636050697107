#include "PrimaryScreenCaptureService.h"

#include "RegionSelectionWindow.h"
#include "capture/CaptureError.h"

#include <QCoro/QCoroSignal>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <memory>

namespace {
// The coroutine resumes inside the window's finished() emission, so the window must outlive that
// emission: it is deleted from the event loop, never in place.
struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

const QString noApplicationName = QStringLiteral("Selected Screen Region");
const QString previewLabel = QStringLiteral("User-selected region");
} // namespace

CapturedSelection PrimaryScreenCaptureService::makeSelection(const QImage &picture, const QRect &screenGeometry,
                                                             const QRect &rect)
{
    const qreal scale = picture.devicePixelRatio();
    const QRect pixels(qRound(rect.x() * scale), qRound(rect.y() * scale), std::max(1, qRound(rect.width() * scale)),
                       std::max(1, qRound(rect.height() * scale)));
    CapturedSelection selection;
    selection.id = QUuid::createUuid();
    selection.sourceAppName = noApplicationName;
    selection.frameDescription = QStringLiteral("%1 x %2 at x:%3 y:%4")
                                     .arg(rect.width())
                                     .arg(rect.height())
                                     .arg(rect.x() + screenGeometry.x())
                                     .arg(rect.y() + screenGeometry.y());
    selection.previewLabel = previewLabel;
    selection.cgImage = picture.copy(pixels);
    selection.cgImage.setDevicePixelRatio(1);
    selection.imageSize = QSizeF(selection.cgImage.size());
    selection.selectionRect = QRectF(rect.translated(screenGeometry.topLeft()));
    selection.referenceDisplayFrame = QRectF(screenGeometry);
    selection.capturedAt = QDateTime::currentDateTime();
    return selection;
}

QCoro::Task<CapturedSelection> PrimaryScreenCaptureService::captureSelection()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        throw CaptureError::noScreenAvailable();
    const QImage picture = screen->grabWindow(0).toImage();
    if (picture.isNull())
        throw CaptureError::screenRecordingPermissionDenied();
    const QRect geometry = screen->geometry();

    const std::unique_ptr<RegionSelectionWindow, DeleteLater> window(new RegionSelectionWindow(picture, geometry));
    auto finished = qCoro(window.get(), &RegionSelectionWindow::finished);
    window->show();
    window->raise();
    window->activateWindow();
    const std::optional<QRect> rect = co_await finished;
    if (!rect)
        throw CaptureError::selectionCancelled();
    if (rect->width() < minimumSelectionPoints || rect->height() < minimumSelectionPoints)
        throw CaptureError::selectionTooSmall();
    co_return makeSelection(picture, geometry, *rect);
}
