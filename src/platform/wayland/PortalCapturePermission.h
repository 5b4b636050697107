#pragma once

#include "PortalScreenSnapshotSource.h"
#include "capture/ScreenCapturePermission.h"

// The screen-recording permission on Wayland: access is granted when the Screenshot portal hands
// out a picture now (a real request, whose picture is removed unseen).
class PortalCapturePermission : public ScreenCapturePermission
{
public:
    explicit PortalCapturePermission(QDBusConnection bus = QDBusConnection::sessionBus());

    QCoro::Task<bool> hasCaptureAccess() override;
    void openSystemSettings() override;

private:
    PortalScreenSnapshotSource m_source;
};
