#pragma once

#include <QString>

#include <optional>

// The token endpoint's reply to a code exchange or a refresh.
struct CognitoTokenResponse
{
    enum class Grant { authorizationCode, refreshToken };

    QString accessToken;
    QString idToken;
    std::optional<QString> refreshToken;
    std::optional<qint64> expiresIn;

    // Throws a LibraryError for a body of the wrong shape. A refresh reply's own "refresh_token"
    // is not read: the session keeps the one it signed in with.
    static CognitoTokenResponse decode(const QByteArray &body, Grant grant);
};
