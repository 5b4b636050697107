#include "X11GlobalHotKeyManager.h"

#include "hotkey/GlobalHotKeyError.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

Q_LOGGING_CATEGORY(lcX11HotKey, "orvanta.hotkey.x11")

namespace {
constexpr xcb_keysym_t numLockKeysym = 0xff7f;
constexpr quint16 comparedModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};
} // namespace

struct X11GlobalHotKeyManager::Connection
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
    xcb_key_symbols_t *symbols = nullptr;

    ~Connection()
    {
        if (symbols)
            xcb_key_symbols_free(symbols);
    }
};

std::unique_ptr<X11GlobalHotKeyManager> X11GlobalHotKeyManager::create()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->connection = x11->connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection->connection)).data;
    if (!screen)
        return nullptr;
    connection->root = screen->root;
    connection->symbols = xcb_key_symbols_alloc(connection->connection);
    if (!connection->symbols)
        return nullptr;
    return std::unique_ptr<X11GlobalHotKeyManager>(new X11GlobalHotKeyManager(std::move(connection)));
}

X11GlobalHotKeyManager::X11GlobalHotKeyManager(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection))
{}

X11GlobalHotKeyManager::~X11GlobalHotKeyManager()
{
    unregisterCaptureHotKey();
}

quint16 X11GlobalHotKeyManager::xModifiersForFlags(quint32 flags)
{
    quint16 mask = 0;
    if (flags & CaptureHotKeyShortcut::commandFlag)
        mask |= XCB_MOD_MASK_CONTROL;
    if (flags & CaptureHotKeyShortcut::shiftFlag)
        mask |= XCB_MOD_MASK_SHIFT;
    if (flags & CaptureHotKeyShortcut::optionFlag)
        mask |= XCB_MOD_MASK_1;
    if (flags & CaptureHotKeyShortcut::controlFlag)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

quint32 X11GlobalHotKeyManager::keysymForKeyCode(quint32 keyCode)
{
    const std::optional<int> qtKey = CaptureHotKeyShortcut::qtKeyForKeyCode(keyCode);
    if (!qtKey)
        return 0;
    // Letters are grabbed by their lower-case keysym (what the unshifted key produces); digits
    // and Space have the same values in Qt and X.
    if (*qtKey >= Qt::Key_A && *qtKey <= Qt::Key_Z)
        return 'a' + (*qtKey - Qt::Key_A);
    return static_cast<quint32>(*qtKey);
}

void X11GlobalHotKeyManager::registerCaptureHotKey(const CaptureHotKeyShortcut &shortcut, std::function<void()> handler)
{
    const quint16 modifiers = xModifiersForFlags(shortcut.modifiers);
    // A bare key grabbed on the root window would take that key from every application; only a
    // hand-edited settings file holds one. Whatever is registered now stays.
    if (modifiers == 0)
        throw GlobalHotKeyError::registrationFailed(XCB_ACCESS);
    unregisterCaptureHotKey();
    m_handler = std::move(handler);
    if (!m_filterInstalled) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    if (const int error = grabKeysym(keysymForKeyCode(shortcut.keyCode), modifiers); error != 0) {
        unregisterCaptureHotKey();
        throw GlobalHotKeyError::registrationFailed(error);
    }
}

QList<quint8> X11GlobalHotKeyManager::keycodesFor(quint32 keysym) const
{
    QList<quint8> keycodes;
    if (keysym != 0) {
        std::unique_ptr<xcb_keycode_t, FreeDeleter> codes(
            xcb_key_symbols_get_keycode(m_connection->symbols, static_cast<xcb_keysym_t>(keysym)));
        for (const xcb_keycode_t *code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code)
            keycodes.append(*code);
    }
    return keycodes;
}

int X11GlobalHotKeyManager::grabKeysym(quint32 keysym, quint16 modifiers)
{
    const QList<quint8> keycodes = keycodesFor(keysym);
    // The keyboard has no key for this symbol: X would answer BadValue for any key code.
    if (keycodes.isEmpty())
        return XCB_VALUE;
    if (const int error = grab(keycodes, modifiers); error != 0)
        return error;
    m_keycodes = keycodes;
    m_modifiers = modifiers;
    m_keysym = keysym;
    return 0;
}

void X11GlobalHotKeyManager::followKeyboardMapping(const void *mappingNotify)
{
    auto *event = static_cast<xcb_mapping_notify_event_t *>(const_cast<void *>(mappingNotify));
    xcb_refresh_keyboard_mapping(m_connection->symbols, event);
    // Grabs are held by key code: the symbol may sit on another key now, or Num Lock elsewhere. A
    // new map that leaves the shortcut's keys where they were changes nothing, and the grab is not
    // given up for a moment in which another program could take it.
    if (event->request == XCB_MAPPING_POINTER ||
        (event->request == XCB_MAPPING_KEYBOARD && keycodesFor(m_keysym) == m_keycodes))
        return;
    const quint32 keysym = m_keysym;
    const quint16 modifiers = m_modifiers;
    ungrab();
    if (const int error = grabKeysym(keysym, modifiers); error != 0)
        qCWarning(lcX11HotKey) << "The capture shortcut could not follow the new keyboard map; X error" << error;
}

int X11GlobalHotKeyManager::grab(const QList<quint8> &keycodes, quint16 modifiers)
{
    const quint16 numLock = numLockMask();
    const QList<quint16> lockSets{0, XCB_MOD_MASK_LOCK, numLock, static_cast<quint16>(XCB_MOD_MASK_LOCK | numLock)};
    QList<std::pair<quint8, quint16>> grabbed;
    for (const quint8 keycode : keycodes) {
        for (const quint16 locks : lockSets) {
            const quint16 mask = modifiers | locks;
            const xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection->connection, 1, m_connection->root, mask,
                                                                  keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            std::unique_ptr<xcb_generic_error_t, FreeDeleter> error(
                xcb_request_check(m_connection->connection, cookie));
            if (error) {
                for (const auto &[code, set] : grabbed)
                    xcb_ungrab_key(m_connection->connection, code, m_connection->root, set);
                xcb_flush(m_connection->connection);
                return error->error_code;
            }
            grabbed.append({keycode, mask});
        }
    }
    m_grabbedModifierSets.clear();
    for (const quint16 locks : lockSets)
        m_grabbedModifierSets.append(modifiers | locks);
    return 0;
}

void X11GlobalHotKeyManager::ungrab()
{
    for (const quint8 keycode : std::as_const(m_keycodes)) {
        for (const quint16 mask : std::as_const(m_grabbedModifierSets))
            xcb_ungrab_key(m_connection->connection, keycode, m_connection->root, mask);
    }
    if (!m_keycodes.isEmpty())
        xcb_flush(m_connection->connection);
    m_keycodes.clear();
    m_grabbedModifierSets.clear();
    m_modifiers = 0;
    m_keysym = 0;
}

void X11GlobalHotKeyManager::unregisterCaptureHotKey()
{
    ungrab();
    if (m_filterInstalled && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        m_filterInstalled = false;
    }
    m_handler = nullptr;
}

quint16 X11GlobalHotKeyManager::numLockMask() const
{
    // Num Lock sits on whichever modifier the keyboard map assigns it to (Mod2 on most setups).
    constexpr quint16 usualMask = XCB_MOD_MASK_2;
    std::unique_ptr<xcb_keycode_t, FreeDeleter> numLockCodes(
        xcb_key_symbols_get_keycode(m_connection->symbols, numLockKeysym));
    if (!numLockCodes)
        return usualMask;
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, FreeDeleter> mapping(xcb_get_modifier_mapping_reply(
        m_connection->connection, xcb_get_modifier_mapping(m_connection->connection), nullptr));
    if (!mapping)
        return usualMask;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            for (const xcb_keycode_t *numLock = numLockCodes.get(); *numLock != XCB_NO_SYMBOL; ++numLock) {
                if (code != 0 && code == *numLock)
                    return static_cast<quint16>(1 << modifier);
            }
        }
    }
    return usualMask;
}

bool X11GlobalHotKeyManager::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_keycodes.isEmpty() || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) == XCB_MAPPING_NOTIFY) {
        followKeyboardMapping(event);
        return false;
    }
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
        return false;
    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (press->event != m_connection->root || !m_keycodes.contains(press->detail) ||
        (press->state & comparedModifiers) != m_modifiers)
        return false;
    qCDebug(lcX11HotKey) << "capture shortcut pressed";
    if (m_handler)
        m_handler();
    return true;
}
