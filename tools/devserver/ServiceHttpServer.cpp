#include "ServiceHttpServer.h"

#include "AnswerService.h"
#include "DevServerLog.h"
#include "GrantStore.h"
#include "IdentityProvider.h"
#include "PresetService.h"

#include <QHttpServerRequest>
#include <QMetaEnum>
#include <QPointer>
#include <QTcpSocket>

namespace {

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

ServiceHttpServer::ServiceHttpServer(QObject *parent) : QAbstractHttpServer(parent) {}

void ServiceHttpServer::route(const QByteArray &method, const QString &path, Handler handler)
{
    m_routes[path].insert(method, std::move(handler));
}

void ServiceHttpServer::routeServices(IdentityProvider &identity, AnswerService &answers, PresetService &presets)
{
    route("POST", QStringLiteral("/oauth2/token"),
          [&identity](const DevRequest &request, const Responder &respond) { respond(identity.token(request)); });
    route("POST", QStringLiteral("/ai/answer"),
          [&answers](const DevRequest &request, const Responder &respond) { answers.handle(request, respond); });
    route("GET", QStringLiteral("/prompt-presets"),
          [&presets](const DevRequest &request, const Responder &respond) { respond(presets.fetch(request)); });
    route("PUT", QStringLiteral("/prompt-presets"),
          [&presets](const DevRequest &request, const Responder &respond) { respond(presets.update(request)); });
}

DevReply ServiceHttpServer::storeUnavailable(const StoreFailure &failure)
{
    qCWarning(lcDevServer).noquote() << "database failed:" << failure.message;
    return DevReply::envelope(503, QStringLiteral("unavailable"),
                              QStringLiteral("The server's database is unavailable. Try again shortly."));
}

bool ServiceHttpServer::intercept(const DevRequest &, const Responder &, QTcpSocket *)
{
    return false;
}

bool ServiceHttpServer::handleRequest(const QHttpServerRequest &httpRequest, QTcpSocket *socket)
{
    const DevRequest request = detached(httpRequest);
    // The socket may close before a late reply is ready; the reply is then dropped.
    const QPointer<QTcpSocket> connection(socket);
    const Responder respond = [connection, method = request.method, path = request.path](const DevReply &reply) {
        // Only the method and path are logged: queries and bodies can carry codes and tokens.
        qCInfo(lcDevServer).noquote() << method << path << "->" << reply.status;
        if (connection && connection->state() == QAbstractSocket::ConnectedState) {
            connection->write(reply.serialize());
            // At once, not after every other reply ready in this pass of the event loop.
            connection->flush();
        }
    };
    if (!m_authorities.contains(request.header("host").toLower())) {
        respond(DevReply::envelope(421, QStringLiteral("misdirected_request"),
                                   QStringLiteral("This server answers only to its own address.")));
        return true;
    }
    if (intercept(request, respond, socket))
        return true;

    const auto routes = m_routes.constFind(request.path);
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
    try {
        (*handler)(request, respond);
    } catch (const StoreFailure &failure) {
        respond(storeUnavailable(failure));
    }
    return true;
}

void ServiceHttpServer::missingHandler(const QHttpServerRequest &, QTcpSocket *)
{
    // Every request is answered by handleRequest.
}
