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

constexpr int maximumRedirects = 5;

struct Exchanged
{
    HttpResponse response;
    QByteArray location;
};

bool isSameOrigin(const QUrl &a, const QUrl &b)
{
    return a.scheme() == b.scheme() && a.host() == b.host() && a.port(-1) == b.port(-1);
}

bool keepsTheRequest(int status, const QByteArray &verb)
{
    return status == 307 || status == 308 || ((status == 301 || status == 302 || status == 303) && verb == "GET");
}

QCoro::Task<Exchanged> sendOnce(QNetworkAccessManager &network, QNetworkRequest request, QByteArray verb,
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
    Exchanged exchanged;
    if (status.isValid())
        exchanged.response.status = status.toInt();
    exchanged.response.body = reply->readAll();
    exchanged.location = reply->rawHeader("Location");
    co_return exchanged;
}
} // namespace

QCoro::Task<HttpResponse> HttpExchange::send(QNetworkAccessManager &network, QNetworkRequest request, QByteArray verb,
                                             QByteArray body)
{
    // Redirects are followed here, one plain request per hop: Qt 6.4's own following now and then
    // ends a complete reply with UnknownNetworkError.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    for (int hop = 0;; ++hop) {
        const Exchanged exchanged = co_await sendOnce(network, request, verb, body);
        const int status = exchanged.response.status.value_or(0);
        const QUrl target = request.url().resolved(QUrl::fromEncoded(exchanged.location));
        if (hop == maximumRedirects || !keepsTheRequest(status, verb) || exchanged.location.isEmpty() ||
            !isSameOrigin(target, request.url()))
            co_return exchanged.response;
        request.setUrl(target);
    }
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
