#include "app/AppDelegate.h"
#include "hotkey/GlobalHotKeyError.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"
#include "settings/NotificationCenter.h"
#include "x11/X11GlobalHotKeyManager.h"

#include <QProcess>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
using Flags = CaptureHotKeyShortcut;
const CaptureHotKeyShortcut ctrlShiftA{};
const CaptureHotKeyShortcut ctrlAltK{40, Flags::commandFlag | Flags::optionFlag};
constexpr int badAccess = 10;

// Sends key presses through the X server, as a user at the keyboard would.
bool typeKeys(const QStringList &keys)
{
    return QProcess::execute(u"xdotool"_s, QStringList{u"key"_s} + keys) == 0;
}

// Another X client on its own connection, holding grabs the application must respect.
class OtherClient
{
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_symbols = xcb_key_symbols_alloc(m_connection);
    }
    ~OtherClient()
    {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_connection);
    }

    // The X error code of the grab, 0 when it succeeded.
    int grab(const CaptureHotKeyShortcut &shortcut)
    {
        const xcb_keycode_t code = keycode(shortcut);
        const quint16 mask = X11GlobalHotKeyManager::xModifiersForFlags(shortcut.modifiers);
        xcb_generic_error_t *error =
            xcb_request_check(m_connection, xcb_grab_key_checked(m_connection, 1, m_root, mask, code,
                                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int status = error ? error->error_code : 0;
        std::free(error);
        return status;
    }
    void ungrab(const CaptureHotKeyShortcut &shortcut)
    {
        const xcb_void_cookie_t cookie = xcb_ungrab_key_checked(
            m_connection, keycode(shortcut), m_root, X11GlobalHotKeyManager::xModifiersForFlags(shortcut.modifiers));
        // Waits for the server: a grab another client sends next must find the key free.
        std::free(xcb_request_check(m_connection, cookie));
    }

private:
    xcb_keycode_t keycode(const CaptureHotKeyShortcut &shortcut)
    {
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(
            m_symbols, static_cast<xcb_keysym_t>(X11GlobalHotKeyManager::keysymForKeyCode(shortcut.keyCode)));
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        return code;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    xcb_key_symbols_t *m_symbols;
};
} // namespace

class X11HotKeyTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<X11GlobalHotKeyManager> m_manager;
    int m_presses = 0;

    std::function<void()> counter()
    {
        return [this] { ++m_presses; };
    }
    // Waits for the expected count, then a little longer to see that no second call follows.
    bool pressesSettleAt(int expected)
    {
        if (expected > 0)
            static_cast<void>(QTest::qWaitFor([&] { return m_presses >= expected; }, 2000));
        QTest::qWait(150);
        return m_presses == expected;
    }

private Q_SLOTS:
    void init()
    {
        m_manager = X11GlobalHotKeyManager::create();
        QVERIFY2(m_manager, "this test needs an X server (scripts/with-xvfb)");
        m_presses = 0;
    }
    void cleanup() { m_manager.reset(); }

    void pressThroughTheServerReachesTheHandlerOnce_data()
    {
        QTest::addColumn<CaptureHotKeyShortcut>("shortcut");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("expected");
        const QString ctrlShiftAKeys = u"ctrl+shift+a"_s;
        QTest::newRow("Ctrl+Shift+A") << ctrlShiftA << QStringList{ctrlShiftAKeys} << 1;
        QTest::newRow("with Caps Lock on")
            << ctrlShiftA << QStringList{u"Caps_Lock"_s, ctrlShiftAKeys, u"Caps_Lock"_s} << 1;
        QTest::newRow("with Num Lock on")
            << ctrlShiftA << QStringList{u"Num_Lock"_s, ctrlShiftAKeys, u"Num_Lock"_s} << 1;
        QTest::newRow("Alt+Super+Space") << CaptureHotKeyShortcut{49, Flags::optionFlag | Flags::controlFlag}
                                         << QStringList{u"alt+super+space"_s} << 1;
        QTest::newRow("Ctrl+A is another combination") << ctrlShiftA << QStringList{u"ctrl+a"_s} << 0;
        QTest::newRow("two presses, two calls") << ctrlShiftA << QStringList{ctrlShiftAKeys, ctrlShiftAKeys} << 2;
    }
    void pressThroughTheServerReachesTheHandlerOnce()
    {
        QFETCH(CaptureHotKeyShortcut, shortcut);
        QFETCH(QStringList, keys);
        QFETCH(int, expected);
        m_manager->registerCaptureHotKey(shortcut, counter());
        QVERIFY(typeKeys(keys));
        QVERIFY2(pressesSettleAt(expected), qPrintable(QString::number(m_presses)));
    }

    void reRegisteringReplacesTheOldGrab()
    {
        m_manager->registerCaptureHotKey(ctrlShiftA, counter());
        m_manager->registerCaptureHotKey(ctrlAltK, counter());
        QVERIFY(typeKeys({u"ctrl+shift+a"_s}));
        QVERIFY(pressesSettleAt(0));
        QVERIFY(typeKeys({u"ctrl+alt+k"_s}));
        QVERIFY(pressesSettleAt(1));
        // The old combination is free for other clients again, the new one is held.
        OtherClient other;
        QCOMPARE(other.grab(ctrlShiftA), 0);
        QCOMPARE(other.grab(ctrlAltK), badAccess);
        other.ungrab(ctrlShiftA);
    }

    void bareKeyIsRefusedAndTheGrabFollowsTheKeyboardMap()
    {
        m_manager->registerCaptureHotKey(ctrlShiftA, counter());
        QVERIFY_THROWS_EXCEPTION(GlobalHotKeyError, m_manager->registerCaptureHotKey({ctrlShiftA.keyCode, 0}, {}));
        // "a" moves to the key "q" had, and back once typed.
        const auto remap = [](const char *a, const char *q) {
            return QProcess::execute(u"xmodmap"_s, {u"-e"_s, u"keycode %1 = a A"_s.arg(QLatin1String(a)), u"-e"_s,
                                                    u"keycode %1 = q Q"_s.arg(QLatin1String(q))}) == 0;
        };
        QVERIFY(remap("24", "38"));
        QTest::qWait(300);
        const bool typed = typeKeys({u"ctrl+shift+a"_s});
        QVERIFY(remap("38", "24"));
        QVERIFY(typed);
        QVERIFY(pressesSettleAt(1));
    }

    void combinationHeldByAnotherClientFails()
    {
        OtherClient other;
        QCOMPARE(other.grab(ctrlShiftA), 0);
        try {
            m_manager->registerCaptureHotKey(ctrlShiftA, counter());
            QFAIL("the grab should have been refused");
        } catch (const GlobalHotKeyError &error) {
            QCOMPARE(error.kind(), GlobalHotKeyError::Kind::registrationFailed);
            QCOMPARE(error.status(), badAccess);
        }
        // Nothing half-registered stays behind: once the other client lets go, it works.
        other.ungrab(ctrlShiftA);
        m_manager->registerCaptureHotKey(ctrlShiftA, counter());
        QVERIFY(typeKeys({u"ctrl+shift+a"_s}));
        QVERIFY(pressesSettleAt(1));
    }

    // A refused grab is logged like any refusal (combinationHeldByAnotherClientFails and the delegate's own test).
    void delegateRecordingFreesTheKey()
    {
        InMemoryKeyValueStore defaults;
        NotificationCenter notifications;
        OtherClient other;
        AppDelegate delegate(*m_manager, defaults, notifications);
        int captures = 0;
        delegate.setCaptureHandler([&captures] { ++captures; });
        delegate.applicationDidFinishLaunching();
        QCOMPARE(other.grab(ctrlShiftA), badAccess);
        // While the recorder listens, the combination must reach it, so the grab is released.
        notifications.post(SettingsNotifications::captureHotKeyRecordingDidChange, true);
        // Two clients' requests meet at the server in either order: a refused grab holds nothing.
        QTRY_COMPARE(other.grab(ctrlShiftA), 0);
        other.ungrab(ctrlShiftA);
        notifications.post(SettingsNotifications::captureHotKeyRecordingDidChange, false);
        QVERIFY(typeKeys({u"ctrl+shift+a"_s}));
        QTRY_COMPARE(captures, 1);
    }
};

QTEST_MAIN(X11HotKeyTest)
#include "tst_x11_hotkey.moc"
