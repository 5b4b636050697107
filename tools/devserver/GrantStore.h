#pragma once

#include "DevUser.h"

#include <QString>

#include <optional>

// A code handed out by the authorize endpoint and not yet exchanged.
struct AuthorizationCode
{
    QString redirectUri;
    QString challenge;
    QString scope;
    DevUser user;
    qint64 expiresAt = 0;
};

// What a refresh token renews.
struct RefreshGrant
{
    QString scope;
    DevUser user;
};

// Where the identity provider keeps codes and refresh grants. Implementations that can fail
// throw StoreFailure, which the HTTP front turns into a 503 reply.
class GrantStore
{
public:
    virtual ~GrantStore() = default;

    virtual void addCode(const QString &code, const AuthorizationCode &pending) = 0;
    // Removes and returns the code: a code is spent by any attempt to use it.
    virtual std::optional<AuthorizationCode> takeCode(const QString &code) = 0;
    virtual void addRefreshGrant(const QString &refreshToken, const RefreshGrant &grant) = 0;
    virtual std::optional<RefreshGrant> refreshGrant(const QString &refreshToken) = 0;
    // The stamp every identity token of the user carries; a token with another stamp is refused,
    // so revoking a user's sessions ends their tokens at once. None: the user no longer exists.
    virtual std::optional<qint64> sessionStamp(const QString &subject) = 0;
};

struct StoreFailure
{
    QString message;
};
