#include "DevHttpServer.h"

#include <QTimer>

DevHttpServer::DevHttpServer(QObject *parent) : ServiceHttpServer(parent) {}

std::optional<DevRequest> DevHttpServer::lastRequest(const QString &path) const
{
    const auto it = m_lastRequests.constFind(path);
    if (it == m_lastRequests.cend())
        return std::nullopt;
    return *it;
}

bool DevHttpServer::intercept(const DevRequest &request, const Responder &respond)
{
    // Inspection and fault control are never recorded or faulted themselves.
    if (request.path.startsWith(QStringLiteral("/_dev/")))
        return false;
    m_lastRequests.insert(request.path, request);
    const std::optional<Fault> fault = m_faults.take(request.path);
    if (!fault)
        return false;
    const DevReply reply{fault->status, fault->contentType, fault->body, {}};
    QTimer::singleShot(fault->delayMs, this, [respond, reply] { respond(reply); });
    return true;
}
