#pragma once

#include "AuthConfiguration.h"
#include "SessionService.h"
#include "hosted/HttpExchange.h"

#include <QPointer>

#include <chrono>
#include <optional>

struct CognitoTokenResponse;
class KeyValueStore;
class QNetworkAccessManager;
class WebAuthenticationSession;

// Owns the signed-in session for the life of the process: sign-in through the identity
// provider's hosted page (authorization code with PKCE), the stored session, token refresh and
// sign-out. Lives on the main thread.
class SessionManager : public SessionService
{
    Q_OBJECT
public:
    // Restores the stored session before returning, so the state is authenticated or signedOut.
    SessionManager(KeyValueStore &store, QNetworkAccessManager &network, WebAuthenticationSession &webSession,
                   QObject *parent = nullptr);

    SessionState sessionState() const override { return m_state; }
    std::optional<QString> currentUserID() const override;
    QCoro::Task<QString> validIDToken() override;

    std::optional<QString> authErrorMessage() const { return m_authErrorMessage; }

    // Opens the sign-in page; the outcome arrives through the state and the error message.
    void startGoogleSignIn();
    // The waiting screen's Cancel: ends the sign-in without a message.
    void cancelGoogleSignIn();
    void signOut();
    void persist(const UserSession &session);
    QCoro::Task<UserSession> refreshAuthenticatedSession(UserSession session);

    // Tests shorten the 60-second limit of the identity provider's requests.
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }

Q_SIGNALS:
    void authErrorMessageChanged(const std::optional<QString> &message);

private:
    struct HostedAuthorizationContext
    {
        AuthProvider provider = AuthProvider::google;
        QString state;
        QString codeVerifier;
        AuthConfiguration configuration;
    };

    void restoreSession();
    void setState(const SessionState &state);
    void setAuthErrorMessage(const std::optional<QString> &message);
    void failSignIn(const QString &message);
    bool isStrayOutcome() const;
    void handleCallback(const QUrl &callbackURL);
    void handleCancel();
    void handleFailure(const QString &message);
    QCoro::Task<> completeHostedSignIn(QUrl callbackURL);
    QCoro::Task<HttpResponse> postTokenForm(AuthConfiguration configuration,
                                            QList<std::pair<QString, QString>> form) const;
    bool isCurrentSession(const UserSession &session) const;

    KeyValueStore &m_store;
    QNetworkAccessManager &m_network;
    QPointer<WebAuthenticationSession> m_webSession;
    SessionState m_state;
    std::optional<QString> m_authErrorMessage;
    std::optional<HostedAuthorizationContext> m_activeHostedAuthorization;
    // Bumped by every sign-in start and sign-out, so a code exchange that finishes after either
    // is dropped instead of signing a user back in.
    quint64 m_signInGeneration = 0;
    std::chrono::milliseconds m_transferTimeout = HttpExchange::defaultTransferTimeout;
};
