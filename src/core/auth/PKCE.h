#pragma once

#include <QString>

// Proof Key for Code Exchange (RFC 7636, method S256) and the random values of a sign-in.
namespace PKCE {
// `length` bytes from the system's secure random source as unpadded base64url:
// 32 bytes give 43 characters, 64 give 86.
QString randomURLSafeString(int length);
// Unpadded base64url of the SHA-256 of the text's UTF-8 bytes: the challenge of a verifier.
QString sha256Base64URL(const QString &text);
} // namespace PKCE
