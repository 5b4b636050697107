#pragma once

#include <QCoro/QCoroTask>
#include <QImage>
#include <QList>

class QScreen;

// Takes the frozen pictures a region selection is drawn over and cut from: one per screen, in the
// order asked, each at its screen's device pixel ratio. A screen that could not be grabbed gets a
// null image and is still covered. Fails with CaptureError; a desktop that refuses access fails
// with screenRecordingPermissionDenied.
class ScreenSnapshotSource
{
public:
    virtual ~ScreenSnapshotSource() = default;
    virtual QCoro::Task<QList<QImage>> freezeScreens(QList<QScreen *> screens) = 0;
};
