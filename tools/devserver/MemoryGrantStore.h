#pragma once

#include "GrantStore.h"

#include <QHash>

// Codes and refresh grants of one run of the development server: a restart forgets them.
class MemoryGrantStore : public GrantStore
{
public:
    void addCode(const QString &code, const AuthorizationCode &pending) override;
    std::optional<AuthorizationCode> takeCode(const QString &code) override;
    void addRefreshGrant(const QString &refreshToken, const RefreshGrant &grant) override;
    std::optional<RefreshGrant> refreshGrant(const QString &refreshToken) override;
    std::optional<qint64> sessionStamp(const QString &subject) override;

private:
    QHash<QString, AuthorizationCode> m_codes;
    QHash<QString, RefreshGrant> m_refreshGrants;
};
