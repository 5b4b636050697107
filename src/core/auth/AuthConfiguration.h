#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class KeyValueStore;

// Where and as whom the application signs in, resolved afresh for every sign-in and refresh.
struct AuthConfiguration
{
    QUrl domainURL;
    QString clientID;

    static inline const QString callbackScheme = QStringLiteral("com.orvanta.desktop.auth");
    static inline const QString callbackURL = callbackScheme + QStringLiteral("://auth/cognito");

    // From the saved settings (not the settings window's unsaved edits), trimmed; throws
    // SessionManagerError::cognitoNotConfigured when either is empty or the domain is unusable.
    static AuthConfiguration current(const KeyValueStore &store);
    // A string with a scheme and host is used as it stands, anything else gets "https://" in front.
    // None when neither parses, or when codes and tokens would travel in clear to another machine.
    static std::optional<QUrl> normalizedDomainURL(const QString &domain);

    // The hosted sign-in page for this PKCE challenge and state; none when it cannot be formed.
    std::optional<QUrl> authorizeURL(const QString &codeChallenge, const QString &state) const;
    QUrl tokenURL() const;
};
