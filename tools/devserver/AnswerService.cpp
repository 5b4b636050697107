#include "AnswerService.h"

#include "AnswerRequest.h"
#include "ChatCompletionForwarder.h"
#include "IdentityProvider.h"

namespace {

// Every line of a text as a Markdown quote.
QString quoted(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = QStringLiteral("> ") + line;
    return lines.join(QLatin1Char('\n'));
}

QString offlineAnswer(const AnswerRequest &request)
{
    QStringList parts{QStringLiteral("**Offline answer** from the development server."),
                      QStringLiteral("You asked:\n\n") + quoted(request.question)};
    if (request.ocrText.isEmpty())
        parts.append(QStringLiteral("No text was recognised in the capture."));
    else
        parts.append(QStringLiteral("Recognised text:\n\n") + quoted(request.ocrText));
    if (request.image) {
        const auto side = [](std::optional<int> value) {
            return value ? QString::number(*value) : QStringLiteral("?");
        };
        parts.append(QStringLiteral("An image came with the question: %1x%2 pixels, %3, %4 bytes.")
                         .arg(side(request.image->width), side(request.image->height),
                              request.image->mimeType.value_or(QStringLiteral("type not given")))
                         .arg(request.image->bytes.size()));
    }
    parts.append(QStringLiteral("Earlier turns in this conversation: %1.").arg(request.history.size()));
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace

AnswerService::AnswerService(const IdentityProvider &identity, ChatCompletionForwarder *forwarder)
    : m_identity(identity)
    , m_forwarder(forwarder)
{}

void AnswerService::handle(const DevRequest &request, const std::function<void(const DevReply &)> &respond)
{
    const auto subject = m_identity.authenticate(request);
    if (const auto *refusal = std::get_if<DevReply>(&subject)) {
        respond(*refusal);
        return;
    }
    const auto parsed = AnswerRequest::parse(request.body);
    if (const auto *problem = std::get_if<QString>(&parsed)) {
        respond(DevReply::envelope(400, QStringLiteral("bad_request"), *problem));
        return;
    }
    const auto &answerRequest = std::get<AnswerRequest>(parsed);
    if (answerRequest.userId != std::get<QString>(subject)) {
        respond(IdentityProvider::wrongUser());
        return;
    }
    if (m_forwarder) {
        m_forwarder->forward(answerRequest, respond);
        return;
    }
    respond(DevReply::json(200, {{QStringLiteral("answer"), offlineAnswer(answerRequest)},
                                 {QStringLiteral("provider"), QStringLiteral("orvanta-devserver")},
                                 {QStringLiteral("model"), QStringLiteral("offline")}}));
}
