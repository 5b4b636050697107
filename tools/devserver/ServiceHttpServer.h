#pragma once

#include "DevReply.h"
#include "DevRequest.h"

#include <QAbstractHttpServer>
#include <QHash>

#include <functional>

struct StoreFailure;
class AnswerService;
class IdentityProvider;
class PresetService;

// The HTTP front of the hosted services: exact-path routing, 404 and 405 replies, and a 503 for a
// route whose store fails. Replies may come later than the request (a forwarded question, a
// passphrase check) without holding up other connections. Only requests addressed to the
// server's own authorities are served: a web page reaching it through DNS rebinding names
// another host.
class ServiceHttpServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    // Must be called exactly once per request, possibly after the handler has returned.
    using Responder = std::function<void(const DevReply &)>;
    using Handler = std::function<void(const DevRequest &, const Responder &)>;

    explicit ServiceHttpServer(QObject *parent = nullptr);

    void route(const QByteArray &method, const QString &path, Handler handler);
    // The token, answer and preset endpoints, the same on every server; the services must live
    // as long as this server. The authorize endpoint is each server's own.
    void routeServices(IdentityProvider &identity, AnswerService &answers, PresetService &presets);
    // The reply for a request whose store failed, logged.
    static DevReply storeUnavailable(const StoreFailure &failure);
    // The Host header values served, such as "127.0.0.1:8780"; the rest get 421.
    void setAuthorities(const QByteArrayList &authorities) { m_authorities = authorities; }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;
    // Answers in place of the routes when it returns true.
    virtual bool intercept(const DevRequest &request, const Responder &respond, QTcpSocket *socket);
    bool isRouted(const QString &path) const { return m_routes.contains(path); }

private:
    QByteArrayList m_authorities;
    QHash<QString, QHash<QByteArray, Handler>> m_routes;
};
