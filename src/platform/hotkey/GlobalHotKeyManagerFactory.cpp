#include "GlobalHotKeyManagerFactory.h"

#include "null/NullGlobalHotKeyManager.h"
#include "x11/X11GlobalHotKeyManager.h"

std::unique_ptr<GlobalHotKeyManager> GlobalHotKeyManagerFactory::create()
{
    if (qEnvironmentVariable("ORVANTA_HOTKEY_BACKEND") != QStringLiteral("null")) {
        if (std::unique_ptr<X11GlobalHotKeyManager> x11 = X11GlobalHotKeyManager::create())
            return x11;
    }
    return std::make_unique<NullGlobalHotKeyManager>();
}
