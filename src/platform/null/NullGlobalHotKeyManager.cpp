#include "NullGlobalHotKeyManager.h"

#include "hotkey/GlobalHotKeyError.h"

void NullGlobalHotKeyManager::registerCaptureHotKey(const CaptureHotKeyShortcut &, std::function<void()>)
{
    throw GlobalHotKeyError::registrationFailed(unavailableStatus);
}
