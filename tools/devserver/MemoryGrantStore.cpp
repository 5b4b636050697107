#include "MemoryGrantStore.h"

#include <QDateTime>

void MemoryGrantStore::addCode(const QString &code, const AuthorizationCode &pending)
{
    // Codes that were never exchanged are dropped once they can no longer be used.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    m_codes.removeIf([now](const auto &entry) { return entry.value().expiresAt <= now; });
    m_codes.insert(code, pending);
}

std::optional<AuthorizationCode> MemoryGrantStore::takeCode(const QString &code)
{
    const auto it = m_codes.constFind(code);
    if (it == m_codes.cend())
        return std::nullopt;
    const AuthorizationCode pending = *it;
    m_codes.erase(it);
    return pending;
}

void MemoryGrantStore::addRefreshGrant(const QString &refreshToken, const RefreshGrant &grant)
{
    m_refreshGrants.insert(refreshToken, grant);
}

std::optional<RefreshGrant> MemoryGrantStore::refreshGrant(const QString &refreshToken)
{
    const auto it = m_refreshGrants.constFind(refreshToken);
    if (it == m_refreshGrants.cend())
        return std::nullopt;
    return *it;
}

std::optional<qint64> MemoryGrantStore::sessionStamp(const QString &)
{
    return 0;
}
