#pragma once

#include "AnswerRequest.h"
#include "DevReply.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

class QNetworkReply;

#include <functional>
#include <memory>
#include <vector>

// Asks an OpenAI-compatible chat-completions endpoint for the answer: the capture's text in the
// system message, the earlier turns as user and assistant messages, then the question with the
// image as a data URL part.
class ChatCompletionForwarder : public QObject
{
    Q_OBJECT
public:
    // key empty: no Authorization header (local inference servers need none). model empty: the
    // endpoint's own default model.
    ChatCompletionForwarder(QUrl endpoint, QString key, QString model, int timeoutMs, QObject *parent = nullptr);

    // Calls done exactly once: the answer reply; the image-unsupported reply when the model
    // refuses the picture; otherwise a 502 (or 504 when the time limit passed) envelope that says
    // what went wrong.
    void forward(const AnswerRequest &request, std::function<void(const DevReply &)> done);

    // The time limit when the service has none configured: longer would be pointless, the
    // application gives up after 60 seconds.
    static constexpr int defaultTimeoutMs = 55000;

private:
    DevReply answerFrom(QNetworkReply *reply, bool sentImage) const;
    // The manager with a free connection, made when all are busy.
    size_t leastBusyNetwork();

    // Qt opens at most six connections to one host per manager, so a burst of questions would
    // queue behind six answers; a few managers, made as the load needs them, lift that limit.
    std::vector<std::unique_ptr<QNetworkAccessManager>> m_networks;
    std::vector<int> m_inFlight;
    QUrl m_endpoint;
    QString m_key;
    QString m_model;
    int m_timeoutMs;
};
