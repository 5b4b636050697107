#include "OpenAIProvider.h"

#include "AIProviderError.h"
#include "HostedWire.h"
#include "settings/DeveloperSettingsStore.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>

Q_LOGGING_CATEGORY(lcHosted, "orvanta.hosted")

namespace {
QUrl requireURL(const std::optional<QUrl> &url)
{
    if (!url)
        throw AIProviderError::invalidBaseURL();
    return *url;
}

// A failed preset request explains itself with the envelope, or else with its status.
AIProviderError presetError(const HttpResponse &response, const QString &statusText)
{
    if (std::optional<QString> message = HostedWire::errorEnvelopeMessage(response.body))
        return AIProviderError::apiError(*message);
    return AIProviderError::apiError(statusText.arg(response.status.value_or(0)));
}
} // namespace

OpenAIProvider::OpenAIProvider(QNetworkAccessManager &network, std::chrono::milliseconds transferTimeout)
    : m_network(network)
    , m_transferTimeout(transferTimeout)
{}

QCoro::Task<HttpResponse> OpenAIProvider::send(QUrl url, QByteArray verb, QString idToken,
                                               std::optional<QByteArray> jsonBody) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(m_transferTimeout.count()));
    request.setRawHeader("Authorization", "Bearer " + idToken.toUtf8());
    if (jsonBody)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    const HttpResponse response =
        co_await HttpExchange::send(m_network, request, verb, jsonBody.value_or(QByteArray()));
    if (!response.isSuccess())
        qCInfo(lcHosted) << "[OpenAIProvider]" << verb << url.path() << "failed with status" << *response.status;
    co_return response;
}

QCoro::Task<AIAnswer> OpenAIProvider::answer(CaptureAnswerInput captureInput, QString question,
                                             QList<ConversationTurn> history, const DeveloperSettingsStore &settings,
                                             QString userID, QString idToken)
{
    // Everything read from the settings is read before the first suspension.
    const QUrl url = requireURL(HostedWire::endpointURL(settings.hostedBackendBaseURL(), HostedWire::answerPath));
    const QByteArray body = HostedWire::encodeAnswerRequest(
        captureInput, settings.decoratePromptForPreferredLanguage(question), history, userID);

    const HttpResponse response = co_await send(url, QByteArrayLiteral("POST"), idToken, body);
    if (!response.isSuccess()) {
        const int status = *response.status;
        if (std::optional<QString> message = HostedWire::errorEnvelopeMessage(response.body))
            throw HostedWire::mapAnswerAPIError(*message, captureInput, status);
        throw AIProviderError::apiError(QStringLiteral("Hosted backend request failed with status %1.").arg(status));
    }
    const HostedWire::AnswerResponse reply = HostedWire::decodeAnswerResponse(response.body);
    const QString content = reply.answer.trimmed();
    if (content.isEmpty())
        throw AIProviderError::emptyResponse();
    co_return AIAnswer{question, content, QDateTime::currentDateTime(),
                       reply.provider + QStringLiteral(" (") + reply.model + QStringLiteral(")")};
}

QCoro::Task<QList<StoredPromptPreset>> OpenAIProvider::fetchPromptPresets(const DeveloperSettingsStore &settings,
                                                                          QString userID, QString idToken)
{
    const QUrl url = requireURL(HostedWire::presetFetchURL(settings.hostedBackendBaseURL(), userID));
    const HttpResponse response = co_await send(url, QByteArrayLiteral("GET"), idToken, std::nullopt);
    if (!response.isSuccess())
        throw presetError(response, QStringLiteral("Hosted backend preset request failed with status %1."));
    co_return HostedWire::decodePresetResponse(response.body);
}

QCoro::Task<QList<StoredPromptPreset>> OpenAIProvider::updatePromptPresets(const DeveloperSettingsStore &settings,
                                                                           QString userID, QString idToken,
                                                                           QList<StoredPromptPreset> presets)
{
    const QUrl url = requireURL(HostedWire::endpointURL(settings.hostedBackendBaseURL(), HostedWire::presetsPath));
    const QByteArray body = HostedWire::encodePresetUpdate(userID, presets);
    const HttpResponse response = co_await send(url, QByteArrayLiteral("PUT"), idToken, body);
    if (!response.isSuccess())
        throw presetError(response, QStringLiteral("Hosted backend preset update failed with status %1."));
    co_return HostedWire::decodePresetResponse(response.body);
}
