#pragma once

#include "DevReply.h"
#include "DevRequest.h"
#include "FaultInjector.h"

#include <QAbstractHttpServer>
#include <QHash>

#include <functional>
#include <optional>

// The HTTP front of the development server: exact-path routing, a record of the last request to
// every routed path, and injected faults that answer in place of a route. Replies may come later
// than the request (a delayed fault, a forwarded question) without holding up other connections.
// Only requests addressed to the server's own loopback authority are served (a web page reaching
// it through DNS rebinding names another host), and the /_dev/ control endpoints answer only
// JSON requests that carry the secret of this run.
class DevHttpServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    // Must be called exactly once per request, possibly after the handler has returned.
    using Responder = std::function<void(const DevReply &)>;
    using Handler = std::function<void(const DevRequest &, const Responder &)>;

    explicit DevHttpServer(QObject *parent = nullptr);

    void route(const QByteArray &method, const QString &path, Handler handler);
    FaultInjector &faults() { return m_faults; }
    std::optional<DevRequest> lastRequest(const QString &path) const;
    // The Host header values served, such as "127.0.0.1:8780".
    void setAuthorities(const QByteArrayList &authorities) { m_authorities = authorities; }
    // The value the X-Orvanta-Dev-Secret header of every /_dev/ request must carry.
    void setControlSecret(const QByteArray &secret) { m_controlSecret = secret; }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    // The refusal for a request the server must not serve, if it is one.
    std::optional<DevReply> refusal(const DevRequest &request) const;

    QByteArrayList m_authorities;
    QByteArray m_controlSecret;
    QHash<QString, QHash<QByteArray, Handler>> m_routes;
    QHash<QString, DevRequest> m_lastRequests;
    FaultInjector m_faults;
};
