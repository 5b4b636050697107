#pragma once

#include <QJsonObject>
#include <QString>

// The claims of a JSON Web Token (RFC 7519). The signature is not checked here: the token comes
// straight from the identity provider over TLS and is checked by the services it is sent to.
namespace JWTClaims {
// Throws SessionManagerError::invalidIDToken for a token that is not three pieces with a base64url
// middle holding a JSON object, or a LibraryError with the parser's text for broken JSON.
QJsonObject decode(const QString &token);
} // namespace JWTClaims
