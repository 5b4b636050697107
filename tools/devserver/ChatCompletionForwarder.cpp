#include "ChatCompletionForwarder.h"

#include "DevServerLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>

namespace {

// Longer than the client's 60 seconds would be pointless: it would have given up already.
constexpr int upstreamTimeoutMs = 55000;

QJsonObject message(const QString &role, const QJsonValue &content)
{
    return {{QStringLiteral("role"), role}, {QStringLiteral("content"), content}};
}

QString sniffedImageType(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return QStringLiteral("image/jpeg");
    return QStringLiteral("image/png");
}

DevReply upstreamFailure(const QString &text)
{
    return DevReply::envelope(502, QStringLiteral("upstream_error"), text);
}

QByteArray chatRequestBody(const AnswerRequest &request, const QString &model)
{
    QString system = QStringLiteral("You answer questions about a region of the user's screen. Reply in Markdown.");
    if (!request.ocrText.isEmpty())
        system += QStringLiteral("\n\nText recognised in the region:\n") + request.ocrText;
    QJsonArray messages{message(QStringLiteral("system"), system)};
    for (const AnswerRequest::Turn &turn : request.history) {
        messages.append(message(QStringLiteral("user"), turn.question));
        messages.append(message(QStringLiteral("assistant"), turn.answer));
    }
    if (request.image) {
        const QString type = request.image->mimeType.value_or(sniffedImageType(request.image->bytes));
        const QJsonObject imagePart{
            {QStringLiteral("type"), QStringLiteral("image_url")},
            {QStringLiteral("image_url"),
             QJsonObject{
                 {QStringLiteral("url"), QStringLiteral("data:%1;base64,%2").arg(type, request.image->base64)}}}};
        const QJsonObject textPart{{QStringLiteral("type"), QStringLiteral("text")},
                                   {QStringLiteral("text"), request.question}};
        messages.append(message(QStringLiteral("user"), QJsonArray{textPart, imagePart}));
    } else {
        messages.append(message(QStringLiteral("user"), request.question));
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("model"), model}, {QStringLiteral("messages"), messages}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

ChatCompletionForwarder::ChatCompletionForwarder(QUrl endpoint, QString key, QString model, QObject *parent)
    : QObject(parent)
    , m_endpoint(std::move(endpoint))
    , m_key(std::move(key))
    , m_model(std::move(model))
{}

void ChatCompletionForwarder::forward(const AnswerRequest &request, std::function<void(const DevReply &)> done)
{
    QNetworkRequest upstream(m_endpoint);
    upstream.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    upstream.setRawHeader("Authorization", "Bearer " + m_key.toUtf8());
    // The key must not follow a redirect to anyone else.
    upstream.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    upstream.setTransferTimeout(upstreamTimeoutMs);
    QNetworkReply *reply = m_network.post(upstream, chatRequestBody(request, m_model));
    connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError && status == 0) {
            qCWarning(lcDevServer) << "language model endpoint unreachable:" << reply->errorString();
            done(upstreamFailure(
                QStringLiteral("The language model endpoint could not be reached: %1").arg(reply->errorString())));
            return;
        }
        if (status < 200 || status > 299) {
            qCWarning(lcDevServer) << "language model endpoint answered with status" << status;
            done(upstreamFailure(QStringLiteral("The language model endpoint answered with status %1.").arg(status)));
            return;
        }
        const QJsonObject body = QJsonDocument::fromJson(reply->readAll()).object();
        const QJsonValue content = body.value(QStringLiteral("choices"))
                                       .toArray()
                                       .at(0)
                                       .toObject()
                                       .value(QStringLiteral("message"))
                                       .toObject()
                                       .value(QStringLiteral("content"));
        if (!content.isString()) {
            done(upstreamFailure(QStringLiteral("The language model endpoint's reply has no message content.")));
            return;
        }
        const QString model = body.value(QStringLiteral("model")).toString(m_model);
        done(DevReply::json(200, {{QStringLiteral("answer"), content.toString()},
                                  {QStringLiteral("provider"), QStringLiteral("orvanta-devserver")},
                                  {QStringLiteral("model"), model}}));
    });
}
