#pragma once

#include <QtGlobal>

#include <optional>

// The Qt key of the symbol on the key's first level, whatever modifiers are held: with Shift,
// the key "1" reports "!" to Qt, but a shortcut names the key, so Ctrl+Shift+1 must record "1".
// None off X11 or when that symbol is not a printable Latin character.
std::optional<int> unshiftedQtKey(quint32 nativeScanCode);
