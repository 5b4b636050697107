#pragma once

#include "FaultInjector.h"
#include "ServiceHttpServer.h"

#include <optional>

// The HTTP front of the development server: the services' routing, plus a record of the last
// request to every routed path and injected faults that answer in place of a route. The /_dev/
// control endpoints answer only JSON requests that carry the secret of this run.
class DevHttpServer : public ServiceHttpServer
{
    Q_OBJECT
public:
    explicit DevHttpServer(QObject *parent = nullptr);

    FaultInjector &faults() { return m_faults; }
    std::optional<DevRequest> lastRequest(const QString &path) const;
    // The value the X-Orvanta-Dev-Secret header of every /_dev/ request must carry.
    void setControlSecret(const QByteArray &secret) { m_controlSecret = secret; }

protected:
    bool intercept(const DevRequest &request, const Responder &respond, QTcpSocket *socket) override;

private:
    // The refusal for a control request the server must not serve, if it is one.
    std::optional<DevReply> controlRefusal(const DevRequest &request) const;

    QByteArray m_controlSecret;
    QHash<QString, DevRequest> m_lastRequests;
    FaultInjector m_faults;
};
