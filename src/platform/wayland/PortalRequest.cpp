#include "PortalRequest.h"

#include "PortalResponseWaiter.h"

#include <QCoro/QCoroDBus>
#include <QCoro/QCoroSignal>
#include <QDBusObjectPath>
#include <QRandomGenerator>

#include <memory>

bool PortalReply::portalMissing() const
{
    static const QList<QDBusError::ErrorType> missing{QDBusError::ServiceUnknown, QDBusError::UnknownInterface,
                                                      QDBusError::UnknownMethod, QDBusError::UnknownObject};
    return outcome == Outcome::callFailed && missing.contains(error.type());
}

QString PortalRequest::newToken()
{
    return QStringLiteral("orvanta_%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
}

QCoro::Task<PortalReply> PortalRequest::call(QDBusConnection bus, QDBusMessage method, QString token,
                                             std::chrono::milliseconds timeout)
{
    // Listen before calling: the Response may come before the call's own reply is read. The path
    // is known in advance: the caller's unique name without ':' and with '.' made '_', then the token.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString expectedPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    // The coroutine resumes inside the waiter's signal, so the waiter is deleted from the event
    // loop, never in place.
    const std::unique_ptr<PortalResponseWaiter, void (*)(QObject *)> waiter(
        new PortalResponseWaiter(bus), [](QObject *object) { object->deleteLater(); });
    waiter->listen(expectedPath);

    QDBusPendingCall pending = bus.asyncCall(method);
    const QDBusMessage reply = co_await pending;
    PortalReply result;
    if (reply.type() == QDBusMessage::ErrorMessage) {
        result.outcome = PortalReply::Outcome::callFailed;
        result.error = QDBusError(reply);
        co_return result;
    }
    // Portals older than the fixed path scheme answer on the path they return.
    const QString handle =
        reply.arguments().isEmpty() ? QString() : qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path();
    if (!handle.isEmpty() && handle != expectedPath)
        waiter->listen(handle);

    if (!waiter->hasResponse()) {
        auto responded = qCoro(waiter.get(), &PortalResponseWaiter::responded, timeout);
        co_await responded;
    }
    if (!waiter->hasResponse()) {
        bus.call(QDBusMessage::createMethodCall(service, handle.isEmpty() ? expectedPath : handle,
                                                QStringLiteral("org.freedesktop.portal.Request"),
                                                QStringLiteral("Close")),
                 QDBus::NoBlock);
        co_return result;
    }
    result.outcome = PortalReply::Outcome::answered;
    result.response = waiter->response();
    result.results = waiter->results();
    co_return result;
}
