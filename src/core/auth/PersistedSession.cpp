#include "PersistedSession.h"

#include "hosted/JsonFields.h"
#include "support/OrvantaError.h"
#include "support/ReferenceDate.h"

#include <nlohmann/json.hpp>

namespace {
using ordered_json = nlohmann::ordered_json;

const QString authenticatedKey = QStringLiteral("authenticated");
const QString payloadKey = QStringLiteral("_0");

UserSession decodeSession(const QJsonObject &session)
{
    const QString what = QStringLiteral("stored session");
    UserSession result;
    result.userID = JsonFields::requiredString(session, QStringLiteral("userID"), what);
    const std::optional<AuthProvider> provider =
        authProviderFromRawValue(JsonFields::requiredString(session, QStringLiteral("provider"), what));
    if (!provider)
        throw LibraryError(QStringLiteral("The stored session names an unknown provider."));
    result.provider = *provider;
    result.displayName = JsonFields::optionalString(session, QStringLiteral("displayName"), what);
    result.email = JsonFields::optionalString(session, QStringLiteral("email"), what);
    result.cognitoSubject = JsonFields::requiredString(session, QStringLiteral("cognitoSubject"), what);

    const QJsonObject tokens = JsonFields::requiredObject(session, QStringLiteral("tokens"), what);
    result.tokens.idToken = JsonFields::requiredString(tokens, QStringLiteral("idToken"), what);
    result.tokens.accessToken = JsonFields::requiredString(tokens, QStringLiteral("accessToken"), what);
    result.tokens.refreshToken = JsonFields::optionalString(tokens, QStringLiteral("refreshToken"), what);
    if (std::optional<double> seconds = JsonFields::optionalNumber(tokens, QStringLiteral("expiresAt"), what)) {
        const QDateTime expiresAt = ReferenceDate::fromSecondsSinceReferenceDate(*seconds);
        if (!expiresAt.isValid())
            throw LibraryError(QStringLiteral("The stored session's expiry is out of range."));
        result.tokens.expiresAt = expiresAt;
    }
    return result;
}
} // namespace

QByteArray PersistedSession::encode(const UserSession &session)
{
    ordered_json tokens = ordered_json::object();
    tokens["idToken"] = session.tokens.idToken.toStdString();
    tokens["accessToken"] = session.tokens.accessToken.toStdString();
    if (session.tokens.refreshToken)
        tokens["refreshToken"] = session.tokens.refreshToken->toStdString();
    if (session.tokens.expiresAt)
        tokens["expiresAt"] = ReferenceDate::secondsSinceReferenceDate(*session.tokens.expiresAt);

    ordered_json user = ordered_json::object();
    user["userID"] = session.userID.toStdString();
    user["provider"] = rawValue(session.provider).toStdString();
    if (session.displayName)
        user["displayName"] = session.displayName->toStdString();
    if (session.email)
        user["email"] = session.email->toStdString();
    user["cognitoSubject"] = session.cognitoSubject.toStdString();
    user["tokens"] = std::move(tokens);

    ordered_json payload = ordered_json::object();
    payload[payloadKey.toStdString()] = std::move(user);
    ordered_json top = ordered_json::object();
    top[authenticatedKey.toStdString()] = std::move(payload);
    return QByteArray::fromStdString(top.dump());
}

std::optional<UserSession> PersistedSession::decode(const QByteArray &data)
{
    try {
        const QString what = QStringLiteral("stored session");
        const QJsonObject top = JsonFields::parseObject(data, what);
        if (top.size() != 1)
            return std::nullopt;
        const QJsonObject payload = JsonFields::requiredObject(top, authenticatedKey, what);
        return decodeSession(JsonFields::requiredObject(payload, payloadKey, what));
    } catch (const LibraryError &) {
        return std::nullopt;
    }
}
