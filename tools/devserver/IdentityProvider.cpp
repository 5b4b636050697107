#include "IdentityProvider.h"

#include "FormFields.h"
#include "GrantStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrlQuery>

namespace {

constexpr auto base64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
const QString defaultScope = QStringLiteral("openid email profile");
const QString sessionStampClaim = QStringLiteral("ses");

QString randomToken()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toBase64(base64Url));
}

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

DevReply invalidRequest(const QString &description)
{
    return DevReply::oauthError(400, QStringLiteral("invalid_request"), description);
}

DevReply invalidGrant(const QString &description)
{
    return DevReply::oauthError(400, QStringLiteral("invalid_grant"), description);
}

DevReply unauthorized(const QString &message)
{
    DevReply reply = DevReply::envelope(401, QStringLiteral("unauthorized"), message);
    reply.headers.emplaceBack("WWW-Authenticate", "Bearer");
    return reply;
}

// A page for mistakes that must not be redirected: the redirect target itself is in doubt.
DevReply refusalPage(const QString &text)
{
    return DevReply::html(400, QStringLiteral("<!DOCTYPE html><html><head><title>Sign-in refused</title></head>"
                                              "<body><h1>Sign-in refused</h1><p>%1</p></body></html>")
                                   .arg(text.toHtmlEscaped()));
}

} // namespace

IdentityProvider::IdentityProvider(QString issuer, QString clientId, QString redirectUri, int tokenLifetimeSeconds,
                                   GrantStore &grants, TokenSigner signer)
    : m_issuer(std::move(issuer))
    , m_clientId(std::move(clientId))
    , m_redirectUri(std::move(redirectUri))
    , m_tokenLifetime(tokenLifetimeSeconds)
    , m_grants(grants)
    , m_signer(std::move(signer))
{}

DevReply IdentityProvider::authorize(const DevRequest &request)
{
    const FormFields query = FormFields::parse(request.query.toUtf8());
    const auto checked = checkAuthorizeRequest(query);
    if (const auto *refusal = std::get_if<DevReply>(&checked))
        return *refusal;
    const auto &authorizeRequest = std::get<AuthorizeRequest>(checked);
    const std::optional<QString> userName = query.value(QStringLiteral("dev_user"));
    if (!userName && query.value(QStringLiteral("prompt")) == QStringLiteral("select_account"))
        return accountPicker(request.query);
    const std::optional<DevUser> user = userName ? DevUser::named(*userName) : DevUser::defaultUser();
    if (!user)
        return redirectWithError(authorizeRequest.state, QStringLiteral("invalid_request"),
                                 QStringLiteral("dev_user is not a usable name."));
    return grantCode(authorizeRequest, *user);
}

std::variant<IdentityProvider::AuthorizeRequest, DevReply>
IdentityProvider::checkAuthorizeRequest(const FormFields &query) const
{
    const auto repeated = query.repeatedName();
    if (repeated == QStringLiteral("client_id") || repeated == QStringLiteral("redirect_uri"))
        return refusalPage(*repeated + QStringLiteral(" is repeated."));
    if (query.value(QStringLiteral("client_id")) != m_clientId)
        return refusalPage(QStringLiteral("client_id is not a client of this server."));
    if (query.value(QStringLiteral("redirect_uri")) != m_redirectUri)
        return refusalPage(QStringLiteral("redirect_uri is not registered for this client."));

    const std::optional<QString> state = query.value(QStringLiteral("state"));
    const auto fail = [&](const QString &error, const QString &description) {
        return redirectWithError(state, error, description);
    };
    if (repeated)
        return fail(QStringLiteral("invalid_request"), *repeated + QStringLiteral(" is repeated."));
    if (query.value(QStringLiteral("response_type")) != QStringLiteral("code"))
        return fail(QStringLiteral("unsupported_response_type"), QStringLiteral("response_type must be code."));
    if (query.value(QStringLiteral("code_challenge_method")) != QStringLiteral("S256"))
        return fail(QStringLiteral("invalid_request"), QStringLiteral("code_challenge_method must be S256."));
    static const QRegularExpression challengeShape(QStringLiteral("^[A-Za-z0-9_-]{43}$"));
    const QString challenge = query.value(QStringLiteral("code_challenge")).value_or(QString());
    if (!challengeShape.match(challenge).hasMatch())
        return fail(QStringLiteral("invalid_request"),
                    QStringLiteral("code_challenge must be 43 base64url characters."));
    if (state.value_or(QString()).isEmpty())
        return fail(QStringLiteral("invalid_request"), QStringLiteral("state is required."));
    return AuthorizeRequest{*state, challenge, query.value(QStringLiteral("scope")).value_or(defaultScope)};
}

DevReply IdentityProvider::grantCode(const AuthorizeRequest &request, const DevUser &user)
{
    const QString code = randomToken();
    m_grants.addCode(code, {m_redirectUri, request.challenge, request.scope, user, now() + m_codeLifetime});
    QUrlQuery items;
    items.addQueryItem(QStringLiteral("code"), code);
    items.addQueryItem(QStringLiteral("state"), request.state);
    QUrl target(m_redirectUri);
    target.setQuery(items);
    return DevReply::redirect(target);
}

DevReply IdentityProvider::redirectWithError(const std::optional<QString> &state, const QString &error,
                                             const QString &description) const
{
    QUrlQuery items;
    items.addQueryItem(QStringLiteral("error"), error);
    items.addQueryItem(QStringLiteral("error_description"), description);
    if (state)
        items.addQueryItem(QStringLiteral("state"), *state);
    QUrl target(m_redirectUri);
    target.setQuery(items);
    return DevReply::redirect(target);
}

DevReply IdentityProvider::accountPicker(const QString &encodedQuery) const
{
    QString items;
    for (const QString &userName : DevUser::offeredNames()) {
        const DevUser user = *DevUser::named(userName);
        QUrlQuery query(encodedQuery);
        query.removeAllQueryItems(QStringLiteral("prompt"));
        query.addQueryItem(QStringLiteral("dev_user"), userName);
        QUrl link;
        link.setPath(QStringLiteral("/oauth2/authorize"));
        link.setQuery(query);
        items += QStringLiteral("<li><a href=\"%1\">%2 &lt;%3&gt;</a></li>")
                     .arg(QString::fromUtf8(link.toEncoded()).toHtmlEscaped(), user.name.toHtmlEscaped(),
                          user.email.toHtmlEscaped());
    }
    return DevReply::html(200,
                          QStringLiteral("<!DOCTYPE html><html><head><title>Choose a development user</title>"
                                         "</head><body><h1>Choose a development user</h1><ul>%1</ul></body></html>")
                              .arg(items));
}

DevReply IdentityProvider::token(const DevRequest &request)
{
    const QByteArray mediaType = request.header("content-type").split(';').first().trimmed().toLower();
    if (mediaType != "application/x-www-form-urlencoded")
        return invalidRequest(QStringLiteral("The body must be application/x-www-form-urlencoded."));
    const FormFields form = FormFields::parse(request.body);
    if (const auto repeated = form.repeatedName())
        return invalidRequest(*repeated + QStringLiteral(" is repeated."));
    const std::optional<QString> grantType = form.value(QStringLiteral("grant_type"));
    if (!grantType)
        return invalidRequest(QStringLiteral("grant_type is required."));
    const std::optional<QString> clientId = form.value(QStringLiteral("client_id"));
    if (!clientId)
        return invalidRequest(QStringLiteral("client_id is required."));
    if (*clientId != m_clientId)
        return DevReply::oauthError(400, QStringLiteral("invalid_client"),
                                    QStringLiteral("client_id is not a client of this server."));
    if (*grantType == QStringLiteral("authorization_code"))
        return exchangeCode(form);
    if (*grantType == QStringLiteral("refresh_token"))
        return refresh(form);
    return DevReply::oauthError(400, QStringLiteral("unsupported_grant_type"),
                                QStringLiteral("grant_type must be authorization_code or refresh_token."));
}

DevReply IdentityProvider::exchangeCode(const FormFields &form)
{
    for (const QString &name :
         {QStringLiteral("code"), QStringLiteral("redirect_uri"), QStringLiteral("code_verifier")}) {
        if (!form.value(name))
            return invalidRequest(name + QStringLiteral(" is required."));
    }
    // A code is spent by any attempt to use it, so a leaked code cannot be tried twice.
    const std::optional<AuthorizationCode> pending = m_grants.takeCode(*form.value(QStringLiteral("code")));
    if (!pending)
        return invalidGrant(QStringLiteral("The authorization code is unknown or was already used."));
    const AuthorizationCode &code = *pending;
    if (code.expiresAt <= now())
        return invalidGrant(QStringLiteral("The authorization code has expired."));
    if (code.redirectUri != form.value(QStringLiteral("redirect_uri")))
        return invalidGrant(QStringLiteral("redirect_uri does not match the authorization request."));
    static const QRegularExpression verifierShape(QStringLiteral("^[A-Za-z0-9._~-]{43,128}$"));
    const QString verifier = *form.value(QStringLiteral("code_verifier"));
    if (!verifierShape.match(verifier).hasMatch())
        return invalidGrant(QStringLiteral("code_verifier must be 43 to 128 unreserved characters."));
    const QByteArray challenge =
        QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256).toBase64(base64Url);
    if (QString::fromLatin1(challenge) != code.challenge)
        return invalidGrant(QStringLiteral("code_verifier does not match the code_challenge."));

    auto issued = issueTokens(code.user, code.scope);
    if (const auto *refusal = std::get_if<DevReply>(&issued))
        return *refusal;
    const QString refreshToken = randomToken();
    m_grants.addRefreshGrant(refreshToken, {code.scope, code.user});
    QJsonObject reply = std::get<QJsonObject>(issued);
    reply.insert(QStringLiteral("refresh_token"), refreshToken);
    DevReply answer = DevReply::json(200, reply);
    answer.headers.emplaceBack("Cache-Control", "no-store");
    return answer;
}

DevReply IdentityProvider::refresh(const FormFields &form)
{
    const std::optional<QString> refreshToken = form.value(QStringLiteral("refresh_token"));
    if (!refreshToken)
        return invalidRequest(QStringLiteral("refresh_token is required."));
    const std::optional<RefreshGrant> grant = m_grants.refreshGrant(*refreshToken);
    if (!grant)
        return invalidGrant(QStringLiteral("The refresh token is not valid."));
    const auto issued = issueTokens(grant->user, grant->scope);
    if (const auto *refusal = std::get_if<DevReply>(&issued))
        return *refusal;
    DevReply answer = DevReply::json(200, std::get<QJsonObject>(issued));
    answer.headers.emplaceBack("Cache-Control", "no-store");
    return answer;
}

std::variant<QJsonObject, DevReply> IdentityProvider::issueTokens(const DevUser &user, const QString &scope) const
{
    const std::optional<qint64> stamp = m_grants.sessionStamp(user.subject);
    if (!stamp)
        return invalidGrant(QStringLiteral("The user no longer exists."));
    const qint64 issuedAt = now();
    const qint64 expiresAt = issuedAt + m_tokenLifetime;
    // "jti" keeps two tokens issued within the same second apart.
    const QJsonObject idClaims{
        {QStringLiteral("sub"), user.subject},  {QStringLiteral("email"), user.email},
        {QStringLiteral("name"), user.name},    {QStringLiteral("iat"), issuedAt},
        {QStringLiteral("exp"), expiresAt},     {QStringLiteral("iss"), m_issuer},
        {QStringLiteral("aud"), m_clientId},    {QStringLiteral("token_use"), QStringLiteral("id")},
        {QStringLiteral("jti"), randomToken()}, {sessionStampClaim, *stamp}};
    const QJsonObject accessClaims{{QStringLiteral("sub"), user.subject},
                                   {QStringLiteral("iat"), issuedAt},
                                   {QStringLiteral("exp"), expiresAt},
                                   {QStringLiteral("iss"), m_issuer},
                                   {QStringLiteral("client_id"), m_clientId},
                                   {QStringLiteral("scope"), scope},
                                   {QStringLiteral("token_use"), QStringLiteral("access")},
                                   {QStringLiteral("jti"), randomToken()}};
    return QJsonObject{{QStringLiteral("access_token"), QString::fromLatin1(m_signer.sign(accessClaims))},
                       {QStringLiteral("id_token"), QString::fromLatin1(m_signer.sign(idClaims))},
                       {QStringLiteral("expires_in"), m_tokenLifetime},
                       {QStringLiteral("token_type"), QStringLiteral("Bearer")}};
}

std::variant<QString, DevReply> IdentityProvider::authenticate(const DevRequest &request) const
{
    const QByteArray authorization = request.header("authorization");
    if (!authorization.startsWith("Bearer ") || authorization.size() <= 7)
        return unauthorized(QStringLiteral("A bearer identity token is required."));
    const auto verified = m_signer.verify(authorization.mid(7).trimmed());
    if (const auto *reason = std::get_if<QString>(&verified))
        return unauthorized(*reason);
    const QJsonObject claims = std::get<QJsonObject>(verified);
    if (claims.value(QStringLiteral("token_use")).toString() != QStringLiteral("id"))
        return unauthorized(QStringLiteral("The bearer token must be an identity token."));
    if (claims.value(QStringLiteral("iss")).toString() != m_issuer ||
        claims.value(QStringLiteral("aud")).toString() != m_clientId)
        return unauthorized(QStringLiteral("The identity token was issued for another server or client."));
    if (claims.value(QStringLiteral("exp")).toInteger() <= now())
        return unauthorized(QStringLiteral("The identity token has expired."));
    const QString subject = claims.value(QStringLiteral("sub")).toString();
    if (subject.isEmpty())
        return unauthorized(QStringLiteral("The identity token has no subject."));
    const std::optional<qint64> stamp = m_grants.sessionStamp(subject);
    if (!stamp || claims.value(sessionStampClaim).toInteger(-1) != *stamp)
        return unauthorized(QStringLiteral("The session has been signed out on the server."));
    return subject;
}

DevReply IdentityProvider::wrongUser()
{
    return DevReply::envelope(403, QStringLiteral("forbidden"),
                              QStringLiteral("user_id does not match the signed-in user."));
}
