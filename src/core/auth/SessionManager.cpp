#include "SessionManager.h"

#include "CognitoTokenResponse.h"
#include "JWTClaims.h"
#include "PKCE.h"
#include "PersistedSession.h"
#include "SessionManagerError.h"
#include "WebAuthenticationSession.h"
#include "hosted/AIProviderError.h"
#include "settings/KeyValueStore.h"

#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QUrlQuery>

Q_LOGGING_CATEGORY(lcAuth, "orvanta.auth")

// Log lines here name steps and statuses only: codes, tokens and callback URLs never appear.

namespace {
constexpr qint64 tokenRefreshMarginMs = 60'000;

std::optional<QString> nonEmptyValue(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    const QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

std::optional<QString> nonEmptyClaim(const QJsonObject &claims, const QString &name)
{
    const QJsonValue value = claims.value(name);
    return value.isString() ? nonEmptyValue(value.toString()) : std::nullopt;
}

// "access_denied" -> "Access Denied".
QString capitalizedErrorCode(const QString &code)
{
    QString text = code;
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    text = text.toLower();
    bool wordStart = true;
    for (QChar &c : text) {
        if (wordStart && c.isLetter())
            c = c.toUpper();
        wordStart = c.isSpace();
    }
    return text;
}

UserSession makeUserSession(const CognitoTokenResponse &reply, AuthProvider provider)
{
    const QJsonObject claims = JWTClaims::decode(reply.idToken);
    const QJsonValue subject = claims.value(QStringLiteral("sub"));
    if (!subject.isString() || subject.toString().isEmpty())
        throw SessionManagerError(SessionManagerError::Kind::invalidIDToken);
    UserSession session;
    session.userID = subject.toString();
    session.provider = provider;
    session.displayName = nonEmptyClaim(claims, QStringLiteral("name"));
    session.email = nonEmptyClaim(claims, QStringLiteral("email"));
    session.cognitoSubject = session.userID;
    session.tokens.idToken = reply.idToken;
    session.tokens.accessToken = reply.accessToken;
    session.tokens.refreshToken = reply.refreshToken;
    if (reply.expiresIn)
        session.tokens.expiresAt = QDateTime::currentDateTime().addSecs(*reply.expiresIn);
    return session;
}

// The first value of each name wins; a repeated name cannot replace the state or the code.
QHash<QString, QString> callbackParameters(const QUrl &callbackURL)
{
    QHash<QString, QString> parameters;
    const auto items = QUrlQuery(callbackURL).queryItems(QUrl::FullyDecoded);
    for (const auto &[name, value] : items) {
        if (!parameters.contains(name))
            parameters.insert(name, value);
    }
    return parameters;
}
} // namespace

SessionManager::SessionManager(KeyValueStore &store, QNetworkAccessManager &network,
                               WebAuthenticationSession &webSession, QObject *parent)
    : SessionService(parent)
    , m_store(store)
    , m_network(network)
    , m_webSession(&webSession)
{
    connect(&webSession, &WebAuthenticationSession::completed, this, &SessionManager::handleCallback);
    connect(&webSession, &WebAuthenticationSession::cancelled, this, &SessionManager::handleCancel);
    connect(&webSession, &WebAuthenticationSession::failed, this, &SessionManager::handleFailure);
    restoreSession();
}

std::optional<QString> SessionManager::currentUserID() const
{
    if (!m_state.isAuthenticated())
        return std::nullopt;
    return m_state.session->userID;
}

void SessionManager::restoreSession()
{
    const QVariant stored = m_store.value(PersistedSession::storageKey);
    const std::optional<UserSession> session =
        stored.isValid() ? PersistedSession::decode(stored.toByteArray()) : std::nullopt;
    if (!session) {
        if (stored.isValid())
            qCWarning(lcAuth) << "[SessionManager] The stored session could not be read; starting signed out";
        setState(SessionState::signedOut());
        return;
    }
    setAuthErrorMessage(std::nullopt);
    setState(SessionState::authenticated(*session));
}

void SessionManager::setState(const SessionState &state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT sessionStateChanged(m_state);
}

void SessionManager::setAuthErrorMessage(const std::optional<QString> &message)
{
    if (message == m_authErrorMessage)
        return;
    m_authErrorMessage = message;
    Q_EMIT authErrorMessageChanged(m_authErrorMessage);
}

void SessionManager::persist(const UserSession &session)
{
    m_store.setValue(PersistedSession::storageKey, PersistedSession::encode(session));
}

void SessionManager::startGoogleSignIn()
{
    AuthConfiguration configuration;
    try {
        configuration = AuthConfiguration::current(m_store);
    } catch (const SessionManagerError &error) {
        failSignIn(error.message());
        return;
    }
    const QString state = PKCE::randomURLSafeString(32);
    const QString verifier = PKCE::randomURLSafeString(64);
    const std::optional<QUrl> authorizeURL = configuration.authorizeURL(PKCE::sha256Base64URL(verifier), state);
    if (!authorizeURL) {
        failSignIn(SessionManagerError(SessionManagerError::Kind::cognitoNotConfigured).message());
        return;
    }

    ++m_signInGeneration;
    m_activeHostedAuthorization = HostedAuthorizationContext{AuthProvider::google, state, verifier, configuration};
    setAuthErrorMessage(std::nullopt);
    setState(SessionState::authenticating(AuthProvider::google));
    if (!m_webSession || !m_webSession->start(*authorizeURL, AuthConfiguration::callbackScheme)) {
        qCWarning(lcAuth) << "[SessionManager] The sign-in page could not be opened";
        failSignIn(QStringLiteral("Unable to start Google sign-in."));
    }
}

void SessionManager::cancelGoogleSignIn()
{
    if (!m_activeHostedAuthorization)
        return;
    // Also ends a sign-in whose code is being exchanged: the browser is done by then, and the
    // late reply belongs to no one.
    ++m_signInGeneration;
    m_activeHostedAuthorization.reset();
    if (m_webSession)
        m_webSession->cancel();
    setState(SessionState::signedOut());
}

void SessionManager::failSignIn(const QString &message)
{
    m_activeHostedAuthorization.reset();
    setAuthErrorMessage(message);
    setState(SessionState::signedOut());
}

// A web-session outcome with no sign-in waiting must not end the session of a signed-in user.
bool SessionManager::isStrayOutcome() const
{
    if (m_activeHostedAuthorization || !m_state.isAuthenticated())
        return false;
    qCInfo(lcAuth) << "[SessionManager] Ignored a sign-in outcome while signed in";
    return true;
}

void SessionManager::handleCallback(const QUrl &callbackURL)
{
    if (isStrayOutcome())
        return;
    if (callbackURL.isEmpty()) {
        failSignIn(SessionManagerError(SessionManagerError::Kind::invalidCallback).message());
        return;
    }
    completeHostedSignIn(callbackURL);
}

void SessionManager::handleCancel()
{
    if (isStrayOutcome())
        return;
    m_activeHostedAuthorization.reset();
    setState(SessionState::signedOut());
}

void SessionManager::handleFailure(const QString &message)
{
    if (isStrayOutcome())
        return;
    failSignIn(message);
}

QCoro::Task<> SessionManager::completeHostedSignIn(QUrl callbackURL)
{
    const QString invalidCallback = SessionManagerError(SessionManagerError::Kind::invalidCallback).message();
    if (!m_activeHostedAuthorization || !callbackURL.isValid()) {
        failSignIn(invalidCallback);
        co_return;
    }
    const HostedAuthorizationContext context = *m_activeHostedAuthorization;
    const QHash<QString, QString> parameters = callbackParameters(callbackURL);

    if (const std::optional<QString> message = nonEmptyValue(parameters.value(QStringLiteral("message"))); message) {
        failSignIn(*message);
        co_return;
    }
    if (const std::optional<QString> error = nonEmptyValue(parameters.value(QStringLiteral("error"))); error) {
        failSignIn(capitalizedErrorCode(*error));
        co_return;
    }
    const auto state = parameters.constFind(QStringLiteral("state"));
    if (state == parameters.cend() || *state != context.state) {
        qCWarning(lcAuth) << "[SessionManager] The sign-in callback carried a missing or wrong state";
        failSignIn(invalidCallback);
        co_return;
    }
    const std::optional<QString> code = nonEmptyValue(parameters.value(QStringLiteral("code")));
    if (!code) {
        failSignIn(invalidCallback);
        co_return;
    }

    const quint64 generation = m_signInGeneration;
    QPointer<SessionManager> self(this);
    std::optional<UserSession> session;
    std::optional<QString> failure;
    try {
        // Built apart from the co_await: g++ 12 miscompiles braced lists inside one.
        QList<std::pair<QString, QString>> form;
        form.append({QStringLiteral("grant_type"), QStringLiteral("authorization_code")});
        form.append({QStringLiteral("client_id"), context.configuration.clientID});
        form.append({QStringLiteral("code"), *code});
        form.append({QStringLiteral("redirect_uri"), AuthConfiguration::callbackURL});
        form.append({QStringLiteral("code_verifier"), context.codeVerifier});
        const HttpResponse response = co_await postTokenForm(context.configuration, form);
        if (!response.isHttpSuccess()) {
            qCWarning(lcAuth) << "[SessionManager] The code exchange was refused with status"
                              << response.status.value_or(0);
            throw SessionManagerError(SessionManagerError::Kind::tokenExchangeFailed);
        }
        session =
            makeUserSession(CognitoTokenResponse::decode(response.body, CognitoTokenResponse::Grant::authorizationCode),
                            context.provider);
    } catch (const std::exception &error) {
        failure = messageOf(error);
    }
    // Signed out, or a new sign-in started, while the code was being exchanged: this one is over.
    if (!self || self->m_signInGeneration != generation)
        co_return;
    if (failure) {
        self->failSignIn(*failure);
        co_return;
    }
    self->persist(*session);
    self->setAuthErrorMessage(std::nullopt);
    self->m_activeHostedAuthorization.reset();
    self->setState(SessionState::authenticated(*session));
}

QCoro::Task<HttpResponse> SessionManager::postTokenForm(AuthConfiguration configuration,
                                                        QList<std::pair<QString, QString>> form) const
{
    QNetworkRequest request(configuration.tokenURL());
    request.setTransferTimeout(static_cast<int>(m_transferTimeout.count()));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    co_return co_await HttpExchange::send(m_network, request, QByteArrayLiteral("POST"),
                                          HttpExchange::encodeQuery(form).toUtf8());
}

QCoro::Task<QString> SessionManager::validIDToken()
{
    if (!m_state.isAuthenticated())
        throw AIProviderError::apiError(QStringLiteral("Please sign in first."));
    const UserSession session = *m_state.session;
    const std::optional<QDateTime> &expiresAt = session.tokens.expiresAt;
    if (expiresAt && QDateTime::currentDateTime().msecsTo(*expiresAt) > tokenRefreshMarginMs)
        co_return session.tokens.idToken;
    const UserSession renewed = co_await refreshAuthenticatedSession(session);
    co_return renewed.tokens.idToken;
}

bool SessionManager::isCurrentSession(const UserSession &session) const
{
    return m_state.isAuthenticated() && m_state.session->userID == session.userID;
}

QCoro::Task<UserSession> SessionManager::refreshAuthenticatedSession(UserSession session)
{
    const std::optional<QString> refreshToken = nonEmptyValue(session.tokens.refreshToken);
    if (!refreshToken) {
        qCInfo(lcAuth) << "[SessionManager] The session has no refresh token; signing out";
        signOut();
        throw SessionManagerError(SessionManagerError::Kind::tokenExchangeFailed);
    }
    const AuthConfiguration configuration = AuthConfiguration::current(m_store);

    QPointer<SessionManager> self(this);
    QList<std::pair<QString, QString>> form;
    form.append({QStringLiteral("grant_type"), QStringLiteral("refresh_token")});
    form.append({QStringLiteral("client_id"), configuration.clientID});
    form.append({QStringLiteral("refresh_token"), *refreshToken});
    const HttpResponse response = co_await postTokenForm(configuration, form);
    // Gone, or signed out (or in as someone else) while waiting: the renewed tokens belong to no one.
    if (!self || !self->isCurrentSession(session))
        throw AIProviderError::apiError(QStringLiteral("Please sign in first."));
    if (!response.isHttpSuccess()) {
        qCWarning(lcAuth) << "[SessionManager] The token refresh was refused with status" << response.status.value_or(0)
                          << "; signing out";
        self->signOut();
        throw SessionManagerError(SessionManagerError::Kind::tokenExchangeFailed);
    }
    const CognitoTokenResponse reply =
        CognitoTokenResponse::decode(response.body, CognitoTokenResponse::Grant::refreshToken);

    UserSession renewed = session;
    renewed.tokens.idToken = reply.idToken;
    renewed.tokens.accessToken = reply.accessToken;
    renewed.tokens.refreshToken = refreshToken;
    renewed.tokens.expiresAt = reply.expiresIn
                                   ? std::optional<QDateTime>(QDateTime::currentDateTime().addSecs(*reply.expiresIn))
                                   : std::nullopt;
    self->persist(renewed);
    self->setAuthErrorMessage(std::nullopt);
    self->setState(SessionState::authenticated(renewed));
    co_return renewed;
}

void SessionManager::signOut()
{
    m_store.remove(PersistedSession::storageKey);
    setAuthErrorMessage(std::nullopt);
    const bool signInWaiting = m_activeHostedAuthorization.has_value();
    m_activeHostedAuthorization.reset();
    ++m_signInGeneration;
    // The browser may still deliver a callback for the dropped sign-in; stop listening for it.
    if (signInWaiting && m_webSession)
        m_webSession->cancel();
    setState(SessionState::signedOut());
}
