#pragma once

#include "CaptureHotKeyShortcut.h"
#include "GlobalHotKeyError.h"

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

    // A desktop that binds asynchronously (the GlobalShortcuts portal) accepts a registration at
    // once and may refuse it later: then this is called on the main thread and no shortcut is
    // registered.
    void setLateFailureHandler(std::function<void(const GlobalHotKeyError &)> handler)
    {
        m_lateFailureHandler = std::move(handler);
    }

protected:
    void reportLateFailure(const GlobalHotKeyError &error) const
    {
        if (m_lateFailureHandler)
            m_lateFailureHandler(error);
    }

private:
    std::function<void(const GlobalHotKeyError &)> m_lateFailureHandler;
};
