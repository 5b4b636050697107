#include "DeveloperSettingsStore.h"

#include "KeyValueStore.h"
#include "NotificationCenter.h"

namespace {
QString storedString(const KeyValueStore &store, const QString &key, const QString &fallback)
{
    const QVariant value = store.value(key);
    return value.isValid() ? value.toString() : fallback;
}

template<typename Enum, typename Parse>
Enum storedEnum(const KeyValueStore &store, const QString &key, Enum fallback, Parse parse)
{
    const QVariant value = store.value(key);
    if (!value.isValid())
        return fallback;
    return parse(value.toString()).value_or(fallback);
}

CaptureHotKeyShortcut storedShortcut(const KeyValueStore &store)
{
    const QVariant value = store.value(SettingsKeys::captureHotKey);
    if (!value.isValid())
        return {};
    return CaptureHotKeyShortcut::fromJson(value.toByteArray()).value_or(CaptureHotKeyShortcut{});
}
} // namespace

DeveloperSettingsStore::DeveloperSettingsStore(KeyValueStore &store, NotificationCenter *notifications, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_notifications(notifications)
    , m_hostedBackendBaseURL(
          storedString(store, SettingsKeys::hostedBackendBaseURL, DeploymentDefaults::hostedBackendBaseURL))
    , m_cognitoDomainURL(storedString(store, SettingsKeys::cognitoDomainURL, DeploymentDefaults::cognitoDomainURL))
    , m_cognitoClientID(storedString(store, SettingsKeys::cognitoClientID, DeploymentDefaults::cognitoClientID))
    , m_themePreference(
          storedEnum(store, SettingsKeys::themePreference, AppThemePreference::system, appThemePreferenceFromRawValue))
    , m_languagePreference(storedEnum(store, SettingsKeys::languagePreference, AppLanguagePreference::automatic,
                                      appLanguagePreferenceFromRawValue))
    , m_captureHotKey(storedShortcut(store))
    , m_overlayPanelSizePreset(storedEnum(store, SettingsKeys::overlayPanelSizePreset, OverlayPanelSizePreset::medium,
                                          overlayPanelSizePresetFromRawValue))
{}

void DeveloperSettingsStore::setHostedBackendBaseURL(const QString &value)
{
    if (value == m_hostedBackendBaseURL)
        return;
    m_hostedBackendBaseURL = value;
    Q_EMIT changed();
}

void DeveloperSettingsStore::setCognitoDomainURL(const QString &value)
{
    if (value == m_cognitoDomainURL)
        return;
    m_cognitoDomainURL = value;
    Q_EMIT changed();
}

void DeveloperSettingsStore::setCognitoClientID(const QString &value)
{
    if (value == m_cognitoClientID)
        return;
    m_cognitoClientID = value;
    Q_EMIT changed();
}

void DeveloperSettingsStore::setThemePreference(AppThemePreference value)
{
    if (value == m_themePreference)
        return;
    m_themePreference = value;
    m_store.setValue(SettingsKeys::themePreference, rawValue(value));
    Q_EMIT themePreferenceChanged(value);
    Q_EMIT changed();
}

void DeveloperSettingsStore::setLanguagePreference(AppLanguagePreference value)
{
    if (value == m_languagePreference)
        return;
    m_languagePreference = value;
    m_store.setValue(SettingsKeys::languagePreference, rawValue(value));
    Q_EMIT languagePreferenceChanged(value);
    Q_EMIT changed();
}

void DeveloperSettingsStore::setOverlayPanelSizePreset(OverlayPanelSizePreset value)
{
    if (value == m_overlayPanelSizePreset)
        return;
    m_overlayPanelSizePreset = value;
    m_store.setValue(SettingsKeys::overlayPanelSizePreset, rawValue(value));
    Q_EMIT overlayPanelSizePresetChanged(value);
    Q_EMIT changed();
}

void DeveloperSettingsStore::setCaptureHotKey(const CaptureHotKeyShortcut &value)
{
    if (value == m_captureHotKey)
        return;
    m_captureHotKey = value;
    persistCaptureHotKey();
    Q_EMIT captureHotKeyChanged(value);
    Q_EMIT changed();
}

void DeveloperSettingsStore::persistCaptureHotKey()
{
    m_store.setValue(SettingsKeys::captureHotKey, m_captureHotKey.toJson());
    if (m_notifications)
        m_notifications->post(SettingsNotifications::captureHotKeyDidChange, QVariant::fromValue(m_captureHotKey));
}

void DeveloperSettingsStore::persistPreferences()
{
    m_store.setValue(SettingsKeys::hostedBackendBaseURL, m_hostedBackendBaseURL);
    m_store.setValue(SettingsKeys::cognitoDomainURL, m_cognitoDomainURL);
    m_store.setValue(SettingsKeys::cognitoClientID, m_cognitoClientID);
    m_store.setValue(SettingsKeys::themePreference, rawValue(m_themePreference));
    m_store.setValue(SettingsKeys::languagePreference, rawValue(m_languagePreference));
    m_store.setValue(SettingsKeys::overlayPanelSizePreset, rawValue(m_overlayPanelSizePreset));
    persistCaptureHotKey();
}

QString DeveloperSettingsStore::decoratePromptForPreferredLanguage(const QString &prompt) const
{
    const std::optional<QString> language = responseInstructionLanguage(m_languagePreference);
    if (!language)
        return prompt;
    return QStringLiteral("Unless the user explicitly asks for another language, respond in ") + *language +
           QStringLiteral(".\n\nUser request:\n") + prompt;
}
