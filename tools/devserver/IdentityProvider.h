#pragma once

#include "DevReply.h"
#include "DevRequest.h"
#include "DevUser.h"
#include "TokenSigner.h"

#include <QHash>
#include <QString>

#include <variant>

class FormFields;

// The OAuth 2.0 authorization server for one client of the development stack: the authorization-code grant with
// PKCE (S256 only), the refresh-token grant, and identity tokens signed by this run of the server.
class IdentityProvider
{
public:
    IdentityProvider(QString issuer, QString clientId, QString redirectUri, int tokenLifetimeSeconds);

    DevReply authorize(const DevRequest &request);
    DevReply token(const DevRequest &request);

    // The subject of the request's bearer identity token, or the 401 reply that refuses it.
    std::variant<QString, DevReply> authenticate(const DevRequest &request) const;
    // The 403 reply for a request about a user other than the token's subject.
    static DevReply wrongUser();

    void setTokenLifetime(int seconds) { m_tokenLifetime = seconds; }
    void setCodeLifetime(int seconds) { m_codeLifetime = seconds; }

private:
    struct PendingCode
    {
        QString redirectUri;
        QString challenge;
        QString scope;
        DevUser user;
        qint64 expiresAt = 0;
    };
    struct RefreshGrant
    {
        QString scope;
        DevUser user;
    };

    DevReply accountPicker(const QString &encodedQuery) const;
    DevReply exchangeCode(const FormFields &form);
    DevReply refresh(const FormFields &form);
    QJsonObject issueTokens(const DevUser &user, const QString &scope) const;

    QString m_issuer;
    QString m_clientId;
    QString m_redirectUri;
    int m_tokenLifetime;
    int m_codeLifetime = 300;
    QHash<QString, PendingCode> m_codes;
    QHash<QString, RefreshGrant> m_refreshGrants;
    TokenSigner m_signer;
};
