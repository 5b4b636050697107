#pragma once

#include "DevReply.h"
#include "DevRequest.h"
#include "DevUser.h"
#include "TokenSigner.h"

#include <QString>

#include <variant>

class FormFields;
class GrantStore;

// The OAuth 2.0 authorization server for one client: the authorization-code grant with PKCE (S256
// only), the refresh-token grant, and identity tokens signed by the given signer. Who the user is
// at the authorize endpoint is the caller's business: authorize() picks a development user.
class IdentityProvider
{
public:
    // What the authorize endpoint checked and a granted code remembers.
    struct AuthorizeRequest
    {
        QString state;
        QString challenge;
        QString scope;
    };

    IdentityProvider(QString issuer, QString clientId, QString redirectUri, int tokenLifetimeSeconds,
                     GrantStore &grants, TokenSigner signer = TokenSigner());

    // The authorize endpoint of the development server: signs in a development user at once.
    DevReply authorize(const DevRequest &request);
    // The authorize request, or the reply that refuses it: a page when the client or its callback
    // is in doubt, otherwise a redirect to the callback with the error.
    std::variant<AuthorizeRequest, DevReply> checkAuthorizeRequest(const FormFields &query) const;
    // The redirect that hands the client a new code for this user.
    DevReply grantCode(const AuthorizeRequest &request, const DevUser &user);
    DevReply token(const DevRequest &request);

    // The subject of the request's bearer identity token, or the 401 reply that refuses it.
    std::variant<QString, DevReply> authenticate(const DevRequest &request) const;
    // The 403 reply for a request about a user other than the token's subject.
    static DevReply wrongUser();

    void setTokenLifetime(int seconds) { m_tokenLifetime = seconds; }
    void setCodeLifetime(int seconds) { m_codeLifetime = seconds; }

private:
    DevReply redirectWithError(const std::optional<QString> &state, const QString &error,
                               const QString &description) const;
    DevReply accountPicker(const QString &encodedQuery) const;
    DevReply exchangeCode(const FormFields &form);
    DevReply refresh(const FormFields &form);
    // The token reply's members, or the refusal when the user no longer exists.
    std::variant<QJsonObject, DevReply> issueTokens(const DevUser &user, const QString &scope) const;

    QString m_issuer;
    QString m_clientId;
    QString m_redirectUri;
    int m_tokenLifetime;
    int m_codeLifetime = 300;
    GrantStore &m_grants;
    TokenSigner m_signer;
};
