#pragma once

#include "DevReply.h"
#include "DevRequest.h"
#include "FaultInjector.h"

#include <QAbstractHttpServer>
#include <QHash>

#include <functional>
#include <optional>

// The HTTP front of the development server: exact-path routing, a record of the last request to
// every path, and injected faults that answer in place of a route. Replies may come later than
// the request (a delayed fault, a forwarded question) without holding up other connections.
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

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    QHash<QString, QHash<QByteArray, Handler>> m_routes;
    QHash<QString, DevRequest> m_lastRequests;
    FaultInjector m_faults;
};
