#pragma once

#include "hotkey/GlobalHotKeyManager.h"

#include <memory>

// Picks the hot-key backend for this session: the X11 key grab when the application runs on an
// X server, else the null backend. ORVANTA_HOTKEY_BACKEND=null forces the null backend.
class GlobalHotKeyManagerFactory
{
public:
    static std::unique_ptr<GlobalHotKeyManager> create();
};
