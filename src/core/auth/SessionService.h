#pragma once

#include "SessionState.h"

#include <QCoro/QCoroTask>
#include <QObject>

#include <optional>

// The signed-in session as the controller and the views use it. SessionManager is the real one.
class SessionService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual SessionState sessionState() const = 0;
    // The signed-in user's id, or none unless authenticated.
    virtual std::optional<QString> currentUserID() const = 0;
    // An identity token valid for more than another minute, refreshed when needed.
    virtual QCoro::Task<QString> validIDToken() = 0;

Q_SIGNALS:
    void sessionStateChanged(const SessionState &state);
};
