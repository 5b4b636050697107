#include "X11ScreenSnapshotSource.h"

#include "capture/CaptureError.h"

#include <QPixmap>
#include <QScreen>

#include <algorithm>

QCoro::Task<QList<QImage>> X11ScreenSnapshotSource::freezeScreens(QList<QScreen *> screens)
{
    QList<QImage> pictures;
    pictures.reserve(screens.size());
    for (QScreen *screen : screens)
        pictures.append(screen->grabWindow(0).toImage());
    const bool anyPixels = std::any_of(pictures.cbegin(), pictures.cend(), [](const QImage &p) { return !p.isNull(); });
    if (!screens.isEmpty() && !anyPixels)
        throw CaptureError::screenRecordingPermissionDenied();
    co_return pictures;
}
