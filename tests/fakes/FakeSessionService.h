#pragma once

#include "Gate.h"
#include "auth/SessionService.h"
#include "hosted/AIProviderError.h"

#include <functional>

// A session whose state the test sets; validIDToken() hands out a fixed token or a scripted error.
class FakeSessionService : public SessionService
{
public:
    FakeSessionService() : m_state(signedIn()) {}

    static SessionState signedIn(const QString &userID = QStringLiteral("user-42"))
    {
        UserSession session;
        session.userID = userID;
        session.cognitoSubject = userID;
        session.tokens.idToken = QStringLiteral("id-token-1");
        session.tokens.accessToken = QStringLiteral("access-token-1");
        return SessionState::authenticated(session);
    }

    SessionState sessionState() const override { return m_state; }
    std::optional<QString> currentUserID() const override
    {
        return m_state.isAuthenticated() ? std::optional<QString>(m_state.session->userID) : std::nullopt;
    }
    QCoro::Task<QString> validIDToken() override
    {
        ++tokenRequests;
        QCoro::Task<> waiting = gate.wait();
        co_await waiting;
        if (tokenFailure)
            tokenFailure();
        if (!m_state.isAuthenticated())
            throw AIProviderError::apiError(QStringLiteral("Please sign in first."));
        // A copy: QCoro 0.8's co_return moves from a non-const lvalue.
        co_return QString(m_state.session->tokens.idToken);
    }

    void setState(const SessionState &state)
    {
        m_state = state;
        Q_EMIT sessionStateChanged(state);
    }

    std::function<void()> tokenFailure; // throws when set
    int tokenRequests = 0;
    Gate gate;

private:
    SessionState m_state;
};
