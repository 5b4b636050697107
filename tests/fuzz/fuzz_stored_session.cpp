// The stored session is read at every launch from a file the user can edit: any bytes must
// decode to a session or to none, and a decoded session must survive its own round trip.
#include "auth/PersistedSession.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<UserSession> session = PersistedSession::decode(bytes);
    if (!session)
        return 0;
    const std::optional<UserSession> again = PersistedSession::decode(PersistedSession::encode(*session));
    if (!again || again->userID != session->userID || again->tokens.idToken != session->tokens.idToken ||
        again->tokens.refreshToken != session->tokens.refreshToken)
        std::abort();
    return 0;
}
