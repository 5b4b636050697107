#pragma once

#include "SettingsEnums.h"
#include "hotkey/CaptureHotKeyShortcut.h"

#include <QObject>
#include <QString>

class KeyValueStore;
class NotificationCenter;

namespace SettingsKeys {
inline const QString hostedBackendBaseURL = QStringLiteral("orvanta.settings.hostedBackendBaseURL");
inline const QString cognitoDomainURL = QStringLiteral("orvanta.settings.cognitoDomainURL");
inline const QString cognitoClientID = QStringLiteral("orvanta.settings.cognitoClientID");
inline const QString themePreference = QStringLiteral("orvanta.settings.themePreference");
inline const QString languagePreference = QStringLiteral("orvanta.settings.languagePreference");
inline const QString captureHotKey = QStringLiteral("orvanta.settings.captureHotKey");
inline const QString overlayPanelSizePreset = QStringLiteral("orvanta.settings.overlayPanelSizePreset");
} // namespace SettingsKeys

namespace SettingsNotifications {
inline const QString captureHotKeyDidChange = QStringLiteral("orvanta.settings.captureHotKeyDidChange");
inline const QString captureHotKeyRecordingDidChange =
    QStringLiteral("orvanta.settings.captureHotKeyRecordingDidChange");
} // namespace SettingsNotifications

namespace DeploymentDefaults {
inline const QString hostedBackendBaseURL = QStringLiteral("https://api.orvanta.app");
inline const QString cognitoDomainURL = QStringLiteral("https://auth.orvanta.app");
inline const QString cognitoClientID = QStringLiteral("4kq8zt1vr7mw2hx9pbn3yjd6ca");
} // namespace DeploymentDefaults

// The user's persistent settings over the defaults database. Every instance reads and writes
// the same keys; construction writes nothing.
class DeveloperSettingsStore : public QObject
{
    Q_OBJECT
public:
    DeveloperSettingsStore(KeyValueStore &store, NotificationCenter *notifications, QObject *parent = nullptr);

    QString hostedBackendBaseURL() const { return m_hostedBackendBaseURL; }
    QString cognitoDomainURL() const { return m_cognitoDomainURL; }
    QString cognitoClientID() const { return m_cognitoClientID; }
    AppThemePreference themePreference() const { return m_themePreference; }
    AppLanguagePreference languagePreference() const { return m_languagePreference; }
    CaptureHotKeyShortcut captureHotKey() const { return m_captureHotKey; }
    OverlayPanelSizePreset overlayPanelSizePreset() const { return m_overlayPanelSizePreset; }

    // The three string settings are stored only by persistPreferences().
    void setHostedBackendBaseURL(const QString &value);
    void setCognitoDomainURL(const QString &value);
    void setCognitoClientID(const QString &value);
    // These write at once when the value changes.
    void setThemePreference(AppThemePreference value);
    void setLanguagePreference(AppLanguagePreference value);
    void setOverlayPanelSizePreset(OverlayPanelSizePreset value);
    void setCaptureHotKey(const CaptureHotKeyShortcut &value);

    // Writes the shortcut and posts captureHotKeyDidChange with it.
    void persistCaptureHotKey();
    // Writes all seven settings.
    void persistPreferences();

    QString decoratePromptForPreferredLanguage(const QString &prompt) const;

Q_SIGNALS:
    void themePreferenceChanged(AppThemePreference value);
    void languagePreferenceChanged(AppLanguagePreference value);
    void overlayPanelSizePresetChanged(OverlayPanelSizePreset value);
    void captureHotKeyChanged(const CaptureHotKeyShortcut &value);
    // Any property changed.
    void changed();

private:
    KeyValueStore &m_store;
    NotificationCenter *m_notifications;
    QString m_hostedBackendBaseURL;
    QString m_cognitoDomainURL;
    QString m_cognitoClientID;
    AppThemePreference m_themePreference = AppThemePreference::system;
    AppLanguagePreference m_languagePreference = AppLanguagePreference::automatic;
    CaptureHotKeyShortcut m_captureHotKey;
    OverlayPanelSizePreset m_overlayPanelSizePreset = OverlayPanelSizePreset::medium;
};
