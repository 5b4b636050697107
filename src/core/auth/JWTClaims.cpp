#include "JWTClaims.h"

#include "SessionManagerError.h"
#include "support/OrvantaError.h"

#include <QJsonDocument>
#include <QJsonParseError>

QJsonObject JWTClaims::decode(const QString &token)
{
    const QStringList pieces = token.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (pieces.size() != 3)
        throw SessionManagerError(SessionManagerError::Kind::invalidIDToken);
    QByteArray payload = pieces.at(1).toUtf8();
    payload.replace('-', '+').replace('_', '/');
    while (payload.size() % 4 != 0)
        payload.append('=');
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(payload, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw SessionManagerError(SessionManagerError::Kind::invalidIDToken);

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*decoded, &error);
    if (error.error != QJsonParseError::NoError)
        throw LibraryError(error.errorString());
    if (!document.isObject())
        throw SessionManagerError(SessionManagerError::Kind::invalidIDToken);
    return document.object();
}
