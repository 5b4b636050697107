#pragma once

#include "capture/ScreenSnapshotSource.h"

// Frozen pictures on X11: each screen grabbed from the root window before any overlay appears.
// X11 has no capture permission; when no grab returns pixels at all the server is not handing
// out screen content (a Wayland session's X compatibility server), which is reported as refused.
class X11ScreenSnapshotSource : public ScreenSnapshotSource
{
public:
    QCoro::Task<QList<QImage>> freezeScreens(QList<QScreen *> screens) override;
};
