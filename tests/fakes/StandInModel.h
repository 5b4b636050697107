#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QUrl>

#include <optional>

class ServiceHttpServer;

// A chat-completions endpoint on loopback inside the test process, standing in for the model an
// orvanta-server asks: it answers, waits, refuses pictures or talks nonsense as told.
class StandInModel : public QObject
{
    Q_OBJECT
public:
    enum class Behaviour { Answer, RefuseImages, Nonsense, Fail };

    explicit StandInModel(QObject *parent = nullptr);

    // The endpoint's base, ending in /v1; invalid when no port could be had.
    QUrl baseUrl() const { return m_baseUrl; }
    void setBehaviour(Behaviour behaviour) { m_behaviour = behaviour; }
    void setDelayMs(int delayMs) { m_delayMs = delayMs; }
    // The body and Authorization header of the last request.
    std::optional<QJsonObject> lastBody() const { return m_lastBody; }
    QByteArray lastAuthorization() const { return m_lastAuthorization; }

    // The answer text for a question: the question itself behind a fixed prefix.
    static QString answerFor(const QString &question);

private:
    ServiceHttpServer *m_http;
    QUrl m_baseUrl;
    Behaviour m_behaviour = Behaviour::Answer;
    int m_delayMs = 0;
    std::optional<QJsonObject> m_lastBody;
    QByteArray m_lastAuthorization;
};
