#pragma once

#include "AnswerRequest.h"
#include "DevReply.h"

#include <QNetworkAccessManager>
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
    ChatCompletionForwarder(QUrl endpoint, QString key, QString model, QObject *parent = nullptr);

    // Calls done exactly once, with the answer reply or a 502 envelope.
    void forward(const AnswerRequest &request, std::function<void(const DevReply &)> done);

private:
    QNetworkAccessManager m_network;
    QUrl m_endpoint;
    QString m_key;
    QString m_model;
};
