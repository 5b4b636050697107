#include "PortalCapturePermission.h"

#include "capture/PrivacySettingsLauncher.h"

PortalCapturePermission::PortalCapturePermission(QDBusConnection bus) : m_source(std::move(bus)) {}

QCoro::Task<bool> PortalCapturePermission::hasCaptureAccess()
{
    try {
        QCoro::Task<QList<QImage>> asking = m_source.freezeScreens({});
        co_await asking;
    } catch (const std::exception &) {
        co_return false;
    }
    co_return true;
}

void PortalCapturePermission::openSystemSettings()
{
    PrivacySettingsLauncher::open();
}
