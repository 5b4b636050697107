#include "TokenSigner.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

namespace {

constexpr auto base64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

// Constant-time comparison, so a forged signature cannot be found byte by byte from timings.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// The one header this signer writes, encoded.
const QByteArray &encodedHeader()
{
    static const QByteArray header = QJsonDocument(QJsonObject{{QStringLiteral("alg"), QStringLiteral("HS256")},
                                                               {QStringLiteral("typ"), QStringLiteral("JWT")}})
                                         .toJson(QJsonDocument::Compact)
                                         .toBase64(base64Url);
    return header;
}

} // namespace

TokenSigner::TokenSigner() : m_secret(randomSecret()) {}

TokenSigner::TokenSigner(QByteArray secret) : m_secret(std::move(secret)) {}

QByteArray TokenSigner::randomSecret()
{
    QByteArray secret(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(secret.begin(), secret.end());
    return secret;
}

QByteArray TokenSigner::sign(const QJsonObject &claims) const
{
    const QByteArray signingInput =
        encodedHeader() + '.' + QJsonDocument(claims).toJson(QJsonDocument::Compact).toBase64(base64Url);
    return signingInput + '.' + mac(signingInput).toBase64(base64Url);
}

std::variant<QJsonObject, QString> TokenSigner::verify(const QByteArray &token) const
{
    const QByteArrayList pieces = token.split('.');
    if (pieces.size() != 3)
        return QStringLiteral("The token is not a JSON Web Token.");
    const auto signature =
        QByteArray::fromBase64Encoding(pieces[2], base64Url | QByteArray::AbortOnBase64DecodingErrors);
    if (!signature || !sameBytes(*signature, mac(pieces[0] + '.' + pieces[1])))
        return QStringLiteral("The token's signature is not valid.");
    // The signature already proves we made it; the header is still checked so a token signed
    // some other way is never taken for one of ours. Ours are byte for byte the same.
    if (pieces[0] != encodedHeader())
        return QStringLiteral("The token's algorithm is not accepted.");
    const auto payload = QByteArray::fromBase64Encoding(pieces[1], base64Url | QByteArray::AbortOnBase64DecodingErrors);
    if (!payload)
        return QStringLiteral("The token is not a JSON Web Token.");
    const QJsonDocument claims = QJsonDocument::fromJson(*payload);
    if (!claims.isObject())
        return QStringLiteral("The token's claims are not a JSON object.");
    return claims.object();
}

QByteArray TokenSigner::mac(const QByteArray &signingInput) const
{
    return QMessageAuthenticationCode::hash(signingInput, m_secret, QCryptographicHash::Sha256);
}
