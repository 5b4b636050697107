#pragma once

#include "CaptureHotKeyShortcut.h"

#include <functional>

// Registers the capture shortcut with the desktop's hot-key service. One shortcut at a time:
// registering again replaces the earlier registration. The handler is called on the main thread.
class GlobalHotKeyManager
{
public:
    virtual ~GlobalHotKeyManager() = default;
    // Throws GlobalHotKeyError; after a failure no shortcut is registered.
    virtual void registerCaptureHotKey(const CaptureHotKeyShortcut &shortcut, std::function<void()> handler) = 0;
    virtual void unregisterCaptureHotKey() = 0;
};
