#include "X11KeySymbols.h"

#include <QChar>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>

std::optional<int> unshiftedQtKey(quint32 nativeScanCode)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || nativeScanCode == 0 || nativeScanCode > 255)
        return std::nullopt;
    const std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(x11->connection()), &xcb_key_symbols_free);
    if (!symbols)
        return std::nullopt;
    const xcb_keysym_t keysym =
        xcb_key_symbols_get_keysym(symbols.get(), static_cast<xcb_keycode_t>(nativeScanCode), 0);
    // Printable Latin keysyms equal their character; Qt names those keys by the upper-case one.
    if (keysym < 0x21 || keysym > 0x7e)
        return std::nullopt;
    return QChar(static_cast<char16_t>(keysym)).toUpper().unicode();
}
