#include "AppDelegate.h"

#include "hotkey/GlobalHotKeyError.h"
#include "hotkey/GlobalHotKeyManager.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/NotificationCenter.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcAppDelegate, "orvanta.hotkey")

AppDelegate::AppDelegate(GlobalHotKeyManager &hotKeyManager, KeyValueStore &defaults, NotificationCenter &notifications,
                         QObject *parent)
    : QObject(parent)
    , m_hotKeyManager(hotKeyManager)
    , m_defaults(defaults)
    , m_notifications(notifications)
{
    m_hotKeyManager.setLateFailureHandler([this](const GlobalHotKeyError &error) { registrationFailed(error); });
}

AppDelegate::~AppDelegate()
{
    applicationWillTerminate();
    m_hotKeyManager.setLateFailureHandler({});
}

CaptureHotKeyShortcut AppDelegate::savedShortcut() const
{
    // A fresh store: the shortcut as saved now, not as some window holds it.
    return DeveloperSettingsStore(m_defaults, nullptr).captureHotKey();
}

void AppDelegate::applicationDidFinishLaunching()
{
    registerHotKey(savedShortcut());
    if (!m_observer)
        m_observer = connect(&m_notifications, &NotificationCenter::posted, this, &AppDelegate::handleNotification);
}

void AppDelegate::applicationWillTerminate()
{
    m_hotKeyManager.unregisterCaptureHotKey();
    disconnect(m_observer);
    m_observer = {};
}

void AppDelegate::handleNotification(const QString &name, const QVariant &object)
{
    if (name == SettingsNotifications::captureHotKeyDidChange) {
        const CaptureHotKeyShortcut shortcut = object.userType() == qMetaTypeId<CaptureHotKeyShortcut>()
                                                   ? object.value<CaptureHotKeyShortcut>()
                                                   : CaptureHotKeyShortcut{};
        if (!m_isRecordingHotKey)
            registerHotKey(shortcut);
    } else if (name == SettingsNotifications::captureHotKeyRecordingDidChange) {
        if (object.userType() != QMetaType::Bool)
            return;
        m_isRecordingHotKey = object.toBool();
        if (m_isRecordingHotKey)
            m_hotKeyManager.unregisterCaptureHotKey();
        else
            registerHotKey(savedShortcut());
    }
}

void AppDelegate::registerHotKey(const CaptureHotKeyShortcut &shortcut)
{
    const QPointer<AppDelegate> weak(this);
    try {
        m_hotKeyManager.registerCaptureHotKey(shortcut, [weak] {
            QTimer::singleShot(0, weak, [weak] {
                if (weak && weak->m_captureHandler)
                    weak->m_captureHandler();
            });
        });
        setCaptureHotKeyAvailable(true);
    } catch (const GlobalHotKeyError &error) {
        registrationFailed(error);
    }
}

void AppDelegate::registrationFailed(const GlobalHotKeyError &error)
{
    qCWarning(lcAppDelegate).noquote() << registrationFailureLogPrefix + error.message();
    setCaptureHotKeyAvailable(false);
}

void AppDelegate::setCaptureHotKeyAvailable(bool available)
{
    if (available == m_isCaptureHotKeyAvailable)
        return;
    m_isCaptureHotKeyAvailable = available;
    Q_EMIT captureHotKeyAvailabilityChanged(available);
}
