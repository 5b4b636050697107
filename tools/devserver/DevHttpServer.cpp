#include "DevHttpServer.h"

#include "DevServerLog.h"

#include <QHttpServerRequest>
#include <QMetaEnum>
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

DevRequest detached(const QHttpServerRequest &request)
{
    DevRequest copy;
    copy.method =
        QByteArray(QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method()))).toUpper();
    copy.path = request.url().path();
    copy.query = request.url().query(QUrl::FullyEncoded);
    for (const auto &[name, value] : request.headers())
        copy.headers.emplaceBack(name.toLower(), value);
    copy.body = request.body();
    return copy;
}

} // namespace

DevHttpServer::DevHttpServer(QObject *parent) : QAbstractHttpServer(parent) {}

void DevHttpServer::route(const QByteArray &method, const QString &path, Handler handler)
{
    m_routes[path].insert(method, std::move(handler));
}

std::optional<DevRequest> DevHttpServer::lastRequest(const QString &path) const
{
    const auto it = m_lastRequests.constFind(path);
    if (it == m_lastRequests.cend())
        return std::nullopt;
    return *it;
}

std::optional<DevReply> DevHttpServer::refusal(const DevRequest &request) const
{
    if (!m_authorities.contains(request.header("host").toLower()))
        return DevReply::envelope(421, QStringLiteral("misdirected_request"),
                                  QStringLiteral("This server answers only to its own loopback address."));
    if (!isControlPath(request.path))
        return std::nullopt;
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

bool DevHttpServer::handleRequest(const QHttpServerRequest &httpRequest, QTcpSocket *socket)
{
    const DevRequest request = detached(httpRequest);
    // The socket may close before a late reply is ready; the reply is then dropped.
    const QPointer<QTcpSocket> connection(socket);
    const Responder respond = [connection, method = request.method, path = request.path](const DevReply &reply) {
        // Only the method and path are logged: queries and bodies can carry codes and tokens.
        qCInfo(lcDevServer).noquote() << method << path << "->" << reply.status;
        if (connection && connection->state() == QAbstractSocket::ConnectedState)
            connection->write(reply.serialize());
    };

    if (const std::optional<DevReply> refused = refusal(request)) {
        respond(*refused);
        return true;
    }
    const auto routes = m_routes.constFind(request.path);
    if (!isControlPath(request.path)) {
        // Only routed paths are recorded, so the records stay as few as the routes.
        if (routes != m_routes.cend())
            m_lastRequests.insert(request.path, request);
        if (const std::optional<Fault> fault = m_faults.take(request.path)) {
            // Whatever a test injects must not run as a page of this origin.
            DevReply reply{
                fault->status,
                fault->contentType,
                fault->body,
                {{"Content-Security-Policy", "sandbox; default-src 'none'"}, {"X-Content-Type-Options", "nosniff"}}};
            if (!fault->location.isEmpty())
                reply.headers.emplaceBack("Location", fault->location);
            const bool close = fault->close;
            QTimer::singleShot(fault->delayMs, this, [respond, reply, connection, close] {
                if (!close)
                    respond(reply);
                else if (connection)
                    connection->abort();
            });
            return true;
        }
    }

    if (routes == m_routes.cend()) {
        respond(DevReply::envelope(404, QStringLiteral("not_found"),
                                   QStringLiteral("Nothing is served at %1.").arg(request.path)));
        return true;
    }
    const auto handler = routes->constFind(request.method);
    if (handler == routes->cend()) {
        DevReply reply = DevReply::envelope(
            405, QStringLiteral("method_not_allowed"),
            QStringLiteral("%1 does not accept %2.").arg(request.path, QString::fromLatin1(request.method)));
        reply.headers.emplaceBack("Allow", routes->keys().join(", "));
        respond(reply);
        return true;
    }
    (*handler)(request, respond);
    return true;
}

void DevHttpServer::missingHandler(const QHttpServerRequest &, QTcpSocket *)
{
    // Every request is answered by handleRequest.
}
