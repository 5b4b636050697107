#include "StandInModel.h"

#include "ServiceHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTimer>

namespace {

// The text of the last user message, whether plain or in parts.
QString lastQuestion(const QJsonObject &body)
{
    const QJsonValue content =
        body.value(QStringLiteral("messages")).toArray().last().toObject().value(QStringLiteral("content"));
    if (content.isString())
        return content.toString();
    for (const QJsonValue &part : content.toArray()) {
        if (part.toObject().value(QStringLiteral("type")) == QStringLiteral("text"))
            return part.toObject().value(QStringLiteral("text")).toString();
    }
    return {};
}

} // namespace

StandInModel::StandInModel(QObject *parent) : QObject(parent), m_http(new ServiceHttpServer(this))
{
    m_http->route("POST", QStringLiteral("/v1/chat/completions"),
                  [this](const DevRequest &request, const ServiceHttpServer::Responder &respond) {
                      const QJsonObject body = QJsonDocument::fromJson(request.body).object();
                      m_lastBody = body;
                      m_lastAuthorization = request.header("authorization");
                      DevReply reply;
                      switch (m_behaviour) {
                      case Behaviour::Answer:
                          reply = DevReply::json(
                              200, {{QStringLiteral("model"), QStringLiteral("stand-in-1")},
                                    {QStringLiteral("choices"),
                                     QJsonArray{QJsonObject{
                                         {QStringLiteral("message"),
                                          QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                                      {QStringLiteral("content"), answerFor(lastQuestion(body))}}}}}}});
                          break;
                      case Behaviour::RefuseImages:
                          reply = DevReply::json(
                              400, {{QStringLiteral("error"),
                                     QJsonObject{{QStringLiteral("message"),
                                                  QStringLiteral("image input is not supported by this model")}}}});
                          break;
                      case Behaviour::Nonsense:
                          reply = {200, "text/html", "<html>Welcome to nginx!</html>", {}};
                          break;
                      case Behaviour::Fail:
                          reply = DevReply::json(500, {{QStringLiteral("error"), QStringLiteral("the model crashed")}});
                          break;
                      }
                      QTimer::singleShot(m_delayMs, this, [respond, reply] { respond(reply); });
                  });
    // A backlog for bursts of hundreds of connections, as a real model server has.
    auto *listener = new QTcpServer(this);
    listener->setListenBacklogSize(1024);
    if (listener->listen(QHostAddress::LocalHost, 0)) {
        m_http->bind(listener);
        const QByteArray port = QByteArray::number(listener->serverPort());
        m_http->setAuthorities({"127.0.0.1:" + port});
        m_baseUrl = QUrl(QStringLiteral("http://127.0.0.1:%1/v1").arg(listener->serverPort()));
    }
}

QString StandInModel::answerFor(const QString &question)
{
    return QStringLiteral("Stand-in answer to: ") + question;
}
