#pragma once

#include "hotkey/GlobalHotKeyManager.h"

#include <memory>

// Picks the hot-key backend for this session: the GlobalShortcuts portal on Wayland (where the
// desktop lacks it, registration fails as with the null backend), the X11 key grab on an X
// server, else the null backend. ORVANTA_HOTKEY_BACKEND=null or =portal forces one.
class GlobalHotKeyManagerFactory
{
public:
    static std::unique_ptr<GlobalHotKeyManager> create();
};
