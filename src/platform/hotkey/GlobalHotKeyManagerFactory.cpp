#include "GlobalHotKeyManagerFactory.h"

#include "null/NullGlobalHotKeyManager.h"
#include "wayland/PortalGlobalHotKeyManager.h"
#include "x11/X11GlobalHotKeyManager.h"

#include <QGuiApplication>

std::unique_ptr<GlobalHotKeyManager> GlobalHotKeyManagerFactory::create()
{
    const QString backend = qEnvironmentVariable("ORVANTA_HOTKEY_BACKEND");
    if (backend == QStringLiteral("null"))
        return std::make_unique<NullGlobalHotKeyManager>();
    if (backend == QStringLiteral("portal") || QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
        return std::make_unique<PortalGlobalHotKeyManager>();
    if (std::unique_ptr<X11GlobalHotKeyManager> x11 = X11GlobalHotKeyManager::create())
        return x11;
    return std::make_unique<NullGlobalHotKeyManager>();
}
