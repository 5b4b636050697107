#pragma once

#include "FaultInjector.h"
#include "ServiceHttpServer.h"

#include <optional>

// The HTTP front of the development server: the services' routing, plus a record of the last
// request to every path and injected faults that answer in place of a route.
class DevHttpServer : public ServiceHttpServer
{
    Q_OBJECT
public:
    explicit DevHttpServer(QObject *parent = nullptr);

    FaultInjector &faults() { return m_faults; }
    std::optional<DevRequest> lastRequest(const QString &path) const;

protected:
    bool intercept(const DevRequest &request, const Responder &respond) override;

private:
    QHash<QString, DevRequest> m_lastRequests;
    FaultInjector m_faults;
};
