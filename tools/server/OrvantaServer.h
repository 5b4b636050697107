#pragma once

#include "ServerConfig.h"

#include <QObject>
#include <QUrl>

#include <memory>
#include <variant>

class AnswerService;
class ChatCompletionForwarder;
class IdentityProvider;
class PresetService;
class PresetStore;
class ServerDatabase;
class ServiceHttpServer;
class SignInPage;

// The answer service a user or a team runs: sign-in with a passphrase, answers from the
// configured model, presets, all kept in the database so a restart or a second process behind
// a load balancer serves the same sessions.
class OrvantaServer : public QObject
{
    Q_OBJECT
public:
    explicit OrvantaServer(ServerConfig config, QObject *parent = nullptr);
    ~OrvantaServer() override;

    // Opens the database and listens; the base URL, or why the server cannot run.
    std::variant<QUrl, QString> start();

private:
    std::optional<QString> listen();
    void addRoutes();

    ServerConfig m_config;
    std::unique_ptr<ServerDatabase> m_database;
    std::unique_ptr<PresetStore> m_presetStore;
    ServiceHttpServer *m_http;
    std::unique_ptr<IdentityProvider> m_identity;
    ChatCompletionForwarder *m_forwarder = nullptr;
    SignInPage *m_signIn = nullptr;
    std::unique_ptr<AnswerService> m_answers;
    std::unique_ptr<PresetService> m_presets;
    quint16 m_boundPort = 0;
};
