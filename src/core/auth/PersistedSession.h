#pragma once

#include "SessionState.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The signed-in session as it is kept in the defaults store between launches:
// {"authenticated":{"_0":{<UserSession>}}} with "expiresAt" in seconds since 2001-01-01 UTC.
namespace PersistedSession {
inline const QString storageKey = QStringLiteral("orvanta.session.persistedSession");

QByteArray encode(const UserSession &session);
// None for anything that is not exactly one stored session: unknown members inside it are
// ignored, but a second top-level key or an unknown provider is not.
std::optional<UserSession> decode(const QByteArray &data);
} // namespace PersistedSession
