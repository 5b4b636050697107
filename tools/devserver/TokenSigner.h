#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <variant>

// Signs and checks JSON Web Tokens with HMAC-SHA256. The development server draws the secret
// afresh for every run, so tokens from an earlier run are never accepted; a server whose sessions
// outlive a restart keeps its secret.
class TokenSigner
{
public:
    TokenSigner();
    explicit TokenSigner(QByteArray secret);

    static QByteArray randomSecret();

    QByteArray sign(const QJsonObject &claims) const;
    // The claims of a token this signer made, or why it is not one. Expiry is the caller's check.
    std::variant<QJsonObject, QString> verify(const QByteArray &token) const;

private:
    QByteArray mac(const QByteArray &signingInput) const;

    QByteArray m_secret;
};
