#pragma once

#include "DevServerOptions.h"

#include <QObject>
#include <QUrl>

#include <memory>
#include <variant>

class AnswerService;
class ChatCompletionForwarder;
class DevHttpServer;
class IdentityProvider;
class MemoryGrantStore;
class PresetService;
class PresetStore;

// The whole development stack on one loopback port: identity provider, answer service, preset
// store, and the /_dev/ endpoints through which tests inject faults and inspect requests.
class DevServer : public QObject
{
    Q_OBJECT
public:
    explicit DevServer(DevServerOptions options, QObject *parent = nullptr);
    ~DevServer() override;

    // Opens the store and listens on 127.0.0.1; the base URL, or why the server cannot run.
    std::variant<QUrl, QString> start();
    // Drawn at each start; the /_dev/ endpoints answer only requests that carry it.
    QByteArray controlSecret() const { return m_controlSecret; }

private:
    void addRoutes();

    DevServerOptions m_options;
    QByteArray m_controlSecret;
    std::unique_ptr<PresetStore> m_store;
    std::unique_ptr<MemoryGrantStore> m_grants;
    DevHttpServer *m_http;
    ChatCompletionForwarder *m_forwarder = nullptr;
    std::unique_ptr<IdentityProvider> m_identity;
    std::unique_ptr<AnswerService> m_answers;
    std::unique_ptr<PresetService> m_presets;
};
