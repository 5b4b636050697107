#pragma once

#include "AIProvider.h"
#include "HttpExchange.h"

#include <QByteArray>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

// The hosted answer service and preset store over HTTPS. Keeps nothing between calls; every
// request goes through the one long-lived network manager it is given.
class OpenAIProvider : public AIProvider
{
public:
    explicit OpenAIProvider(QNetworkAccessManager &network,
                            std::chrono::milliseconds transferTimeout = HttpExchange::defaultTransferTimeout);

    QCoro::Task<AIAnswer> answer(CaptureAnswerInput captureInput, QString question, QList<ConversationTurn> history,
                                 const DeveloperSettingsStore &settings, QString userID, QString idToken) override;
    QCoro::Task<QList<StoredPromptPreset>> fetchPromptPresets(const DeveloperSettingsStore &settings, QString userID,
                                                              QString idToken) override;
    QCoro::Task<QList<StoredPromptPreset>> updatePromptPresets(const DeveloperSettingsStore &settings, QString userID,
                                                               QString idToken,
                                                               QList<StoredPromptPreset> presets) override;

private:
    QCoro::Task<HttpResponse> send(QUrl url, QByteArray verb, QString idToken,
                                   std::optional<QByteArray> jsonBody) const;

    QNetworkAccessManager &m_network;
    std::chrono::milliseconds m_transferTimeout;
};
