#include "HttpExchange.h"

#include "support/OrvantaError.h"

#include <QCoroNetworkReply>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

namespace {
struct DeleteLater
{
    void operator()(QNetworkReply *reply) const { reply->deleteLater(); }
};

// Errors below 200 are connection and proxy failures: whatever status came with them belongs to
// a response that did not arrive whole.
bool isTransportFailure(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}
} // namespace

QCoro::Task<HttpResponse> HttpExchange::send(QNetworkAccessManager &network, QNetworkRequest request, QByteArray verb,
                                             QByteArray body)
{
    // Nothing aborts these replies but the transfer time-out, so a cancelled one has timed out.
    std::unique_ptr<QNetworkReply, DeleteLater> reply(network.sendCustomRequest(request, verb, body));
    co_await reply.get();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::OperationCanceledError)
        throw LibraryError(QStringLiteral("The request timed out."));
    if (isTransportFailure(error) || (!status.isValid() && error != QNetworkReply::NoError))
        throw LibraryError(reply->errorString());
    HttpResponse response;
    if (status.isValid())
        response.status = status.toInt();
    response.body = reply->readAll();
    co_return response;
}

QString HttpExchange::encodeQuery(const QList<std::pair<QString, QString>> &pairs)
{
    QByteArray query;
    for (const auto &[name, value] : pairs) {
        if (!query.isEmpty())
            query += '&';
        query += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return QString::fromLatin1(query);
}

bool HttpExchange::mayCarryCredentials(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QStringLiteral("https"))
        return true;
    if (scheme != QStringLiteral("http"))
        return false;
    const QString host = url.host().toLower();
    return host == QStringLiteral("localhost") || QHostAddress(host).isLoopback();
}
