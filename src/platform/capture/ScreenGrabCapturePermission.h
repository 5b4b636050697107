#pragma once

#include "capture/ScreenCapturePermission.h"

// X11 has no screen-recording permission: access is granted when a grab of the primary screen
// returns pixels. Where grabs return nothing (a Wayland session without the Screenshot portal),
// the same probe honestly reports no access.
class ScreenGrabCapturePermission : public ScreenCapturePermission
{
public:
    QCoro::Task<bool> hasCaptureAccess() override;
    void openSystemSettings() override;
};
