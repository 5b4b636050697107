#pragma once

#include "hotkey/GlobalHotKeyManager.h"

// For sessions without a hot-key service this build can use (no X server, no Wayland): every
// registration fails, so the failure is logged and capture stays available from the tray menu
// and the main window.
class NullGlobalHotKeyManager : public GlobalHotKeyManager
{
public:
    // The status reported: no service to register with.
    static constexpr qint32 unavailableStatus = -1;

    void registerCaptureHotKey(const CaptureHotKeyShortcut &shortcut, std::function<void()> handler) override;
    void unregisterCaptureHotKey() override {}
};
