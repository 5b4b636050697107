#include "ServerWorker.h"

#include "AnswerService.h"
#include "ChatCompletionForwarder.h"
#include "IdentityProvider.h"
#include "PresetService.h"
#include "PresetStore.h"
#include "ServerDatabase.h"
#include "ServiceHttpServer.h"
#include "SignInPage.h"

#include <QSslServer>

#include <memory>

#include <unistd.h>

ServerWorker::ServerWorker(const WorkerShared &shared, qintptr listeningSocket)
    : m_shared(shared)
    , m_socket(listeningSocket)
{}

ServerWorker::~ServerWorker()
{
    quit();
    wait();
}

std::optional<QString> ServerWorker::launch()
{
    start();
    m_ready.acquire();
    return m_error;
}

void ServerWorker::run()
{
    serve();
    // On success the semaphore was released before the event loop ran.
    if (m_error)
        m_ready.release();
}

void ServerWorker::serve()
{
    const ServerConfig &config = m_shared.config;
    std::unique_ptr<QTcpServer> listener;
    if (m_shared.tls) {
        auto sslServer = std::make_unique<QSslServer>();
        sslServer->setSslConfiguration(*m_shared.tls);
        listener = std::move(sslServer);
    } else {
        listener = std::make_unique<QTcpServer>();
    }
    if (!listener->setSocketDescriptor(m_socket)) {
        ::close(static_cast<int>(m_socket));
        m_error = QStringLiteral("Cannot serve the listening socket: %1").arg(listener->errorString());
        return;
    }
    // Qt SQL connections belong to the thread that opened them: one per worker.
    ServerDatabase database;
    if (const auto error = database.open(config)) {
        m_error = QStringLiteral("Cannot open the database: %1").arg(*error);
        return;
    }
    PresetStore presetStore;
    if (const auto error = presetStore.attach(database.connection())) {
        m_error = QStringLiteral("Cannot open the preset table: %1").arg(*error);
        return;
    }
    IdentityProvider identity(config.issuer(), config.clientId, config.redirectUri, config.tokenLifetimeSeconds,
                              database, TokenSigner(m_shared.signingSecret));
    ChatCompletionForwarder forwarder(config.chatCompletionsUrl(), config.modelKey, config.modelName,
                                      config.modelTimeoutSeconds * 1000);
    SignInPage signIn(identity, database, m_shared.hashing);
    AnswerService answers(identity, &forwarder);
    PresetService presets(identity, presetStore);

    ServiceHttpServer http;
    http.setAuthorities(m_shared.authorities);
    using Responder = ServiceHttpServer::Responder;
    http.route("GET", QStringLiteral("/oauth2/authorize"),
               [&signIn](const DevRequest &request, const Responder &respond) { respond(signIn.show(request)); });
    http.route("POST", QStringLiteral("/oauth2/authorize"),
               [&signIn](const DevRequest &request, const Responder &respond) { signIn.submit(request, respond); });
    http.routeServices(identity, answers, presets);
    http.bind(listener.release());

    m_ready.release();
    exec();
}
