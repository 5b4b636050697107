#include "DevHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Inspection and fault control are never recorded or faulted themselves.
bool isControlPath(const QString &path)
{
    return path.startsWith(QStringLiteral("/_dev/"));
}

// Compares in time independent of where the first difference lies.
bool sameSecret(const QByteArray &given, const QByteArray &expected)
{
    if (expected.isEmpty() || given.size() != expected.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given.at(i) ^ expected.at(i));
    return difference == 0;
}

} // namespace

DevHttpServer::DevHttpServer(QObject *parent) : ServiceHttpServer(parent) {}

std::optional<DevRequest> DevHttpServer::lastRequest(const QString &path) const
{
    const auto it = m_lastRequests.constFind(path);
    if (it == m_lastRequests.cend())
        return std::nullopt;
    return *it;
}

std::optional<DevReply> DevHttpServer::controlRefusal(const DevRequest &request) const
{
    // Checked before anything else about the request, so a refusal tells nothing about the records.
    if (!sameSecret(request.header("x-orvanta-dev-secret"), m_controlSecret))
        return DevReply::envelope(403, QStringLiteral("forbidden"),
                                  QStringLiteral("The /_dev/ endpoints need the X-Orvanta-Dev-Secret header."));
    const QByteArray contentType = request.header("content-type").toLower();
    if (!request.body.isEmpty() && !contentType.startsWith("application/json"))
        return DevReply::envelope(415, QStringLiteral("unsupported_media_type"),
                                  QStringLiteral("The /_dev/ endpoints take application/json only."));
    return std::nullopt;
}

bool DevHttpServer::intercept(const DevRequest &request, const Responder &respond, QTcpSocket *socket)
{
    if (isControlPath(request.path)) {
        const std::optional<DevReply> refused = controlRefusal(request);
        if (refused)
            respond(*refused);
        return refused.has_value();
    }
    // Only routed paths are recorded, so the records stay as few as the routes.
    if (isRouted(request.path))
        m_lastRequests.insert(request.path, request);
    const std::optional<Fault> fault = m_faults.take(request.path);
    if (!fault)
        return false;
    // Whatever a test injects must not run as a page of this origin.
    DevReply reply{fault->status,
                   fault->contentType,
                   fault->body,
                   {{"Content-Security-Policy", "sandbox; default-src 'none'"}, {"X-Content-Type-Options", "nosniff"}}};
    if (!fault->location.isEmpty())
        reply.headers.emplaceBack("Location", fault->location);
    const QPointer<QTcpSocket> connection(socket);
    const bool close = fault->close;
    QTimer::singleShot(fault->delayMs, this, [respond, reply, connection, close] {
        if (!close)
            respond(reply);
        else if (connection)
            connection->abort();
    });
    return true;
}
