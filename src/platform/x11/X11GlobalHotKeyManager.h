#pragma once

#include "hotkey/GlobalHotKeyManager.h"

#include <QAbstractNativeEventFilter>
#include <QList>

#include <memory>

// The capture shortcut as a passive key grab on the X root window. X matches grabs on the exact
// modifier state, so the key is grabbed once per combination of Caps Lock and Num Lock; a press
// arrives through a native event filter on the GUI thread. The xcb types stay in the .cpp.
class X11GlobalHotKeyManager : public GlobalHotKeyManager, private QAbstractNativeEventFilter
{
public:
    // Null when the application does not run on an X server.
    static std::unique_ptr<X11GlobalHotKeyManager> create();
    ~X11GlobalHotKeyManager() override;

    void registerCaptureHotKey(const CaptureHotKeyShortcut &shortcut, std::function<void()> handler) override;
    void unregisterCaptureHotKey() override;

    // The X modifier mask of the stored flags (Command -> Control, Option -> Mod1, Control -> Mod4).
    static quint16 xModifiersForFlags(quint32 flags);
    // The keysym grabbed for a stored key code, or 0 outside the key table.
    static quint32 keysymForKeyCode(quint32 keyCode);

private:
    struct Connection;
    explicit X11GlobalHotKeyManager(std::unique_ptr<Connection> connection);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    quint16 numLockMask() const;
    // Grabs every key code under every lock combination; on the first refusal undoes the grabs
    // made so far and returns that X error code, else 0.
    int grab(const QList<quint8> &keycodes, quint16 modifiers);
    // Grabs every key that produces the symbol; the X error code, or 0.
    QList<quint8> keycodesFor(quint32 keysym) const;
    int grabKeysym(quint32 keysym, quint16 modifiers);
    // A MappingNotify: the grab moves to the key codes of the new map.
    void followKeyboardMapping(const void *mappingNotify);
    void ungrab();

    std::unique_ptr<Connection> m_connection;
    QList<quint8> m_keycodes;
    quint16 m_modifiers = 0;
    quint32 m_keysym = 0;
    QList<quint16> m_grabbedModifierSets;
    std::function<void()> m_handler;
    bool m_filterInstalled = false;
};
