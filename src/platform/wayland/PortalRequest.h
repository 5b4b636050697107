#pragma once

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QVariantMap>

#include <chrono>

// How a desktop portal method ended. Portal methods answer through a Request object: the call
// returns its path at once, and the result arrives later as that object's Response signal.
struct PortalReply
{
    enum class Outcome { answered, callFailed, timedOut };
    // Response codes: the user or the desktop refused, or something else went wrong.
    static constexpr uint success = 0;
    static constexpr uint cancelled = 1;

    Outcome outcome = Outcome::timedOut;
    uint response = 2;
    QVariantMap results;
    QDBusError error; // for callFailed

    bool succeeded() const { return outcome == Outcome::answered && response == success; }
    // The error names of a session without this portal interface (no portal, or a backend without it).
    bool portalMissing() const;
};

namespace PortalRequest {
inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");

// A fresh handle_token for the options of one call.
QString newToken();

// Sends `method` (its options carry `token` as handle_token) and waits for its Response, at most
// `timeout`; a request still open then is closed. The connection must stay up meanwhile: the
// portal sends the Response only to its caller.
QCoro::Task<PortalReply> call(QDBusConnection bus, QDBusMessage method, QString token,
                              std::chrono::milliseconds timeout);
} // namespace PortalRequest
