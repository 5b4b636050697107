#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Identity providers a stored session may name; only google is offered for sign-in.
enum class AuthProvider { apple, google, developer };

QString rawValue(AuthProvider provider);
std::optional<AuthProvider> authProviderFromRawValue(const QString &raw);

struct AuthTokens
{
    QString idToken;
    QString accessToken;
    std::optional<QString> refreshToken;
    std::optional<QDateTime> expiresAt;

    bool operator==(const AuthTokens &) const = default;
};

struct UserSession
{
    QString userID;
    AuthProvider provider = AuthProvider::google;
    std::optional<QString> displayName;
    std::optional<QString> email;
    QString cognitoSubject;
    AuthTokens tokens;

    bool operator==(const UserSession &) const = default;
};

// restoring -> signedOut | authenticated; authenticating while a sign-in runs.
struct SessionState
{
    enum class Kind { restoring, signedOut, authenticating, authenticated };

    Kind kind = Kind::restoring;
    AuthProvider authenticatingProvider = AuthProvider::google; // meaningful while authenticating
    std::optional<UserSession> session;                         // present exactly when authenticated

    static SessionState restoring() { return {}; }
    static SessionState signedOut() { return {Kind::signedOut, AuthProvider::google, std::nullopt}; }
    static SessionState authenticating(AuthProvider provider) { return {Kind::authenticating, provider, std::nullopt}; }
    static SessionState authenticated(UserSession session)
    {
        return {Kind::authenticated, AuthProvider::google, std::move(session)};
    }

    bool isAuthenticated() const { return kind == Kind::authenticated; }

    bool operator==(const SessionState &) const = default;
};
