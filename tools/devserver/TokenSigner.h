#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <variant>

// Signs and checks JSON Web Tokens with HMAC-SHA256 under a secret drawn afresh for every run,
// so tokens from an earlier run of the server are never accepted.
class TokenSigner
{
public:
    TokenSigner();

    QByteArray sign(const QJsonObject &claims) const;
    // The claims of a token this signer made, or why it is not one. Expiry is the caller's check.
    std::variant<QJsonObject, QString> verify(const QByteArray &token) const;

private:
    QByteArray mac(const QByteArray &signingInput) const;

    QByteArray m_secret;
};
