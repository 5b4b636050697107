#include "DevReply.h"

#include <QJsonDocument>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 415:
        return "Unsupported Media Type";
    case 421:
        return "Misdirected Request";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

} // namespace

DevReply DevReply::json(int status, const QJsonObject &object)
{
    return {status, "application/json", QJsonDocument(object).toJson(QJsonDocument::Compact), {}};
}

DevReply DevReply::envelope(int status, const QString &error, const QString &message)
{
    return json(status, {{QStringLiteral("error"), error}, {QStringLiteral("message"), message}});
}

DevReply DevReply::oauthError(int status, const QString &error, const QString &description)
{
    DevReply reply =
        json(status, {{QStringLiteral("error"), error}, {QStringLiteral("error_description"), description}});
    reply.headers.emplaceBack("Cache-Control", "no-store");
    return reply;
}

DevReply DevReply::redirect(const QUrl &location)
{
    return {302, {}, {}, {{"Location", location.toEncoded()}, {"Cache-Control", "no-store"}}};
}

DevReply DevReply::html(int status, const QString &page)
{
    return {status, "text/html; charset=utf-8", page.toUtf8(), {}};
}

DevReply DevReply::noContent()
{
    return {204, {}, {}, {}};
}

QByteArray DevReply::serialize() const
{
    QByteArray message = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    if (!contentType.isEmpty())
        message += "Content-Type: " + contentType + "\r\n";
    for (const auto &[name, value] : headers)
        message += name + ": " + value + "\r\n";
    // A 204 carries neither a body nor a length.
    if (status == 204)
        return message + "\r\n";
    message += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    message += body;
    return message;
}
