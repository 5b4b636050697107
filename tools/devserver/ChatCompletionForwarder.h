#pragma once

#include "AnswerRequest.h"
#include "DevReply.h"
#include "UpstreamClient.h"

#include <QObject>
#include <QUrl>

#include <functional>

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
    DevReply answerFrom(const UpstreamClient::Response &response, bool sentImage) const;

    UpstreamClient m_client;
    QString m_model;
    int m_timeoutMs;
};
