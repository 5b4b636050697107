#pragma once

#include <QCoro/QCoroTask>
#include <QList>
#include <QNetworkRequest>
#include <QUrl>

#include <chrono>
#include <optional>
#include <utility>

class QNetworkAccessManager;

// What came back from one HTTP request that reached the server.
struct HttpResponse
{
    std::optional<int> status;
    QByteArray body;

    // No status, or a status from 200 to 299: the hosted service's rule.
    bool isSuccess() const { return !status || isHttpSuccess(); }
    // A status from 200 to 299; no status is a failure: the identity provider's rule.
    bool isHttpSuccess() const { return status && *status >= 200 && *status <= 299; }
};

// Request plumbing shared by the hosted client and the sign-in.
namespace HttpExchange {
inline constexpr std::chrono::milliseconds defaultTransferTimeout{60'000};

// Sends the request on the long-lived manager and awaits the whole body. A failure before a
// response arrives (no connection, time-out) throws a LibraryError with the transport's text.
// Every request sent here carries a credential, so a redirect is followed only within the same
// origin (never to another host or port, never from https to http), and only when it keeps the
// request as it is (307, 308; 301 to 303 for GET); any other redirect comes back as the 3xx
// response itself.
QCoro::Task<HttpResponse> send(QNetworkAccessManager &network, QNetworkRequest request, QByteArray verb,
                               QByteArray body = {});

// name=value pairs joined by "&", every byte outside the unreserved set percent-encoded, so "+",
// "&", "=" and spaces inside values survive every server's query parser.
QString encodeQuery(const QList<std::pair<QString, QString>> &pairs);

// Credentials travel only over HTTPS, or over plain HTTP to this machine.
bool mayCarryCredentials(const QUrl &url);
} // namespace HttpExchange
