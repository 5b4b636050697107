#include "AuthConfiguration.h"

#include "SessionManagerError.h"
#include "hosted/HttpExchange.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/KeyValueStore.h"

namespace {
QString savedString(const KeyValueStore &store, const QString &key, const QString &fallback)
{
    const QVariant value = store.value(key);
    const QString text = value.typeId() == QMetaType::QString ? value.toString() : fallback;
    return text.trimmed();
}

// Appends one path component with exactly one slash before it.
QUrl appendingPathComponent(QUrl url, const QString &component)
{
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + component);
    return url;
}
} // namespace

AuthConfiguration AuthConfiguration::current(const KeyValueStore &store)
{
    const QString domain = savedString(store, SettingsKeys::cognitoDomainURL, DeploymentDefaults::cognitoDomainURL);
    const QString clientID = savedString(store, SettingsKeys::cognitoClientID, DeploymentDefaults::cognitoClientID);
    if (domain.isEmpty() || clientID.isEmpty())
        throw SessionManagerError(SessionManagerError::Kind::cognitoNotConfigured);
    const std::optional<QUrl> domainURL = normalizedDomainURL(domain);
    if (!domainURL)
        throw SessionManagerError(SessionManagerError::Kind::cognitoNotConfigured);
    return {*domainURL, clientID};
}

std::optional<QUrl> AuthConfiguration::normalizedDomainURL(const QString &domain)
{
    // "host:port" parses with the host as its scheme, so a URL counts only with a host as well.
    QUrl url(domain, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        url = QUrl(QStringLiteral("https://") + domain, QUrl::StrictMode);
    if (!HttpExchange::mayCarryCredentials(url))
        return std::nullopt;
    return url;
}

std::optional<QUrl> AuthConfiguration::authorizeURL(const QString &codeChallenge, const QString &state) const
{
    QUrl url = appendingPathComponent(domainURL, QStringLiteral("oauth2/authorize"));
    url.setQuery(HttpExchange::encodeQuery({
                     {QStringLiteral("client_id"), clientID},
                     {QStringLiteral("response_type"), QStringLiteral("code")},
                     {QStringLiteral("scope"), QStringLiteral("openid email profile")},
                     {QStringLiteral("redirect_uri"), callbackURL},
                     {QStringLiteral("identity_provider"), QStringLiteral("Google")},
                     {QStringLiteral("code_challenge_method"), QStringLiteral("S256")},
                     {QStringLiteral("code_challenge"), codeChallenge},
                     {QStringLiteral("state"), state},
                 }),
                 QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QUrl AuthConfiguration::tokenURL() const
{
    return appendingPathComponent(domainURL, QStringLiteral("oauth2/token"));
}
