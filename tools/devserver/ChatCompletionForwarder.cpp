#include "ChatCompletionForwarder.h"

#include "DevServerLog.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr qsizetype maximumReasonLength = 300;

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

// The error text of an OpenAI-style error body ({"error": {"message": ...}} or {"error": "..."}), shortened.
QString upstreamReason(const QByteArray &body)
{
    const QJsonValue error = QJsonDocument::fromJson(body).object().value(QStringLiteral("error"));
    const QString reason =
        error.isObject() ? error.toObject().value(QStringLiteral("message")).toString() : error.toString();
    return reason.simplified().left(maximumReasonLength);
}

// Inference servers say in different words that the model takes no pictures; all of them name it.
bool refusesImages(int status, const QString &reason)
{
    if (status < 400 || status > 599)
        return false;
    const QString text = reason.toLower();
    for (const char *word : {"image", "vision", "multimodal", "mmproj"}) {
        if (text.contains(QLatin1String(word)))
            return true;
    }
    return false;
}

// The reply the application takes for a service that answers text captures only: it then shows
// its own message that pictures cannot be answered.
DevReply imageUnsupported()
{
    return DevReply::envelope(400, QStringLiteral("image_unsupported"), QStringLiteral("ocr_text is required."));
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
    QJsonObject body{{QStringLiteral("messages"), messages}};
    if (!model.isEmpty())
        body.insert(QStringLiteral("model"), model);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

UpstreamClient::Headers requestHeaders(const QString &key)
{
    UpstreamClient::Headers headers{{"Content-Type", "application/json"}};
    if (!key.isEmpty())
        headers.append({"Authorization", "Bearer " + key.toUtf8()});
    return headers;
}

} // namespace

ChatCompletionForwarder::ChatCompletionForwarder(QUrl endpoint, QString key, QString model, int timeoutMs,
                                                 QObject *parent)
    : QObject(parent)
    , m_client(endpoint, requestHeaders(key), timeoutMs)
    , m_model(std::move(model))
    , m_timeoutMs(timeoutMs)
{}

void ChatCompletionForwarder::forward(const AnswerRequest &request, std::function<void(const DevReply &)> done)
{
    m_client.post(chatRequestBody(request, m_model),
                  [this, sentImage = request.image.has_value(), done = std::move(done)](
                      const UpstreamClient::Response &response) { done(answerFrom(response, sentImage)); });
}

DevReply ChatCompletionForwarder::answerFrom(const UpstreamClient::Response &response, bool sentImage) const
{
    if (response.timedOut) {
        qCWarning(lcDevServer) << "language model endpoint gave no answer within" << m_timeoutMs << "ms";
        return DevReply::envelope(504, QStringLiteral("upstream_timeout"),
                                  QStringLiteral("The language model did not answer within %1 seconds.")
                                      .arg(m_timeoutMs / 1000.0, 0, 'g', 3));
    }
    const int status = response.status;
    if (status == 0) {
        qCWarning(lcDevServer) << "language model endpoint unreachable:" << response.error;
        return upstreamFailure(
            QStringLiteral("The language model endpoint could not be reached: %1").arg(response.error));
    }
    const QByteArray &bytes = response.body;
    if (status < 200 || status > 299) {
        const QString reason = upstreamReason(bytes);
        qCWarning(lcDevServer) << "language model endpoint answered with status" << status;
        if (sentImage && refusesImages(status, reason))
            return imageUnsupported();
        return upstreamFailure(QStringLiteral("The language model endpoint answered with status %1%2")
                                   .arg(status)
                                   .arg(reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + reason));
    }
    const QJsonObject body = QJsonDocument::fromJson(bytes).object();
    const QJsonValue content = body.value(QStringLiteral("choices"))
                                   .toArray()
                                   .at(0)
                                   .toObject()
                                   .value(QStringLiteral("message"))
                                   .toObject()
                                   .value(QStringLiteral("content"));
    if (!content.isString())
        return upstreamFailure(QStringLiteral("The language model endpoint's reply is not a chat completion."));
    const QString model = body.value(QStringLiteral("model")).toString(m_model);
    return DevReply::json(200, {{QStringLiteral("answer"), content.toString()},
                                {QStringLiteral("provider"), QCoreApplication::applicationName()},
                                {QStringLiteral("model"), model.isEmpty() ? QStringLiteral("default") : model}});
}
