#include "ScreenGrabCapturePermission.h"

#include "PrivacySettingsLauncher.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

QCoro::Task<bool> ScreenGrabCapturePermission::hasCaptureAccess()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    // A one-pixel grab is enough to know whether the server hands out screen content.
    const bool granted = screen && !screen->grabWindow(0, 0, 0, 1, 1).isNull();
    co_return granted;
}

void ScreenGrabCapturePermission::openSystemSettings()
{
    PrivacySettingsLauncher::open();
}
