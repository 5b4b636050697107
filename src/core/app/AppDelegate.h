#pragma once

#include "hotkey/CaptureHotKeyShortcut.h"

#include <QMetaObject>
#include <QObject>

#include <functional>

class GlobalHotKeyError;
class GlobalHotKeyManager;
class KeyValueStore;
class NotificationCenter;

// Keeps the saved capture shortcut registered for the life of the application: registers it at
// launch, again whenever it changes, not at all while the user records a new one, and calls the
// capture handler (on a later turn of the main event loop) when it is pressed.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    static inline const QString registrationFailureLogPrefix =
        QStringLiteral("Orvanta failed to register global hotkey: ");

    AppDelegate(GlobalHotKeyManager &hotKeyManager, KeyValueStore &defaults, NotificationCenter &notifications,
                QObject *parent = nullptr);
    ~AppDelegate() override;

    void setCaptureHandler(std::function<void()> handler) { m_captureHandler = std::move(handler); }
    bool isRecordingHotKey() const { return m_isRecordingHotKey; }
    // False once the desktop has refused the saved shortcut (or has no hot-key service), until a
    // later registration succeeds; the capture command is the way in then.
    bool isCaptureHotKeyAvailable() const { return m_isCaptureHotKeyAvailable; }

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

Q_SIGNALS:
    void captureHotKeyAvailabilityChanged(bool available);

private:
    void registerHotKey(const CaptureHotKeyShortcut &shortcut);
    void setCaptureHotKeyAvailable(bool available);
    void handleNotification(const QString &name, const QVariant &object);
    CaptureHotKeyShortcut savedShortcut() const;
    void registrationFailed(const GlobalHotKeyError &error);

    GlobalHotKeyManager &m_hotKeyManager;
    KeyValueStore &m_defaults;
    NotificationCenter &m_notifications;
    std::function<void()> m_captureHandler;
    QMetaObject::Connection m_observer;
    bool m_isRecordingHotKey = false;
    bool m_isCaptureHotKeyAvailable = true;
};
