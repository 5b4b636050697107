#include "ScreenSnapshotSourceFactory.h"

#include "capture/ScreenGrabCapturePermission.h"
#include "wayland/PortalCapturePermission.h"
#include "wayland/PortalScreenSnapshotSource.h"
#include "x11/X11ScreenSnapshotSource.h"

#include <QGuiApplication>

namespace {
bool isWaylandSession()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
} // namespace

std::unique_ptr<ScreenSnapshotSource> makeScreenSnapshotSource()
{
    if (isWaylandSession())
        return std::make_unique<PortalScreenSnapshotSource>();
    return std::make_unique<X11ScreenSnapshotSource>();
}

std::unique_ptr<ScreenCapturePermission> makeScreenCapturePermission()
{
    if (isWaylandSession())
        return std::make_unique<PortalCapturePermission>();
    return std::make_unique<ScreenGrabCapturePermission>();
}
