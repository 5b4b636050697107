#include "CognitoTokenResponse.h"

#include "hosted/JsonFields.h"

CognitoTokenResponse CognitoTokenResponse::decode(const QByteArray &body, Grant grant)
{
    const QString what = QStringLiteral("token reply");
    const QJsonObject object = JsonFields::parseObject(body, what);
    CognitoTokenResponse response;
    response.accessToken = JsonFields::requiredString(object, QStringLiteral("access_token"), what);
    response.idToken = JsonFields::requiredString(object, QStringLiteral("id_token"), what);
    if (grant == Grant::authorizationCode)
        response.refreshToken = JsonFields::optionalString(object, QStringLiteral("refresh_token"), what);
    response.expiresIn = JsonFields::optionalInteger(object, QStringLiteral("expires_in"), what);
    return response;
}
