#include "OrvantaServer.h"

#include "AnswerService.h"
#include "ChatCompletionForwarder.h"
#include "IdentityProvider.h"
#include "PresetService.h"
#include "PresetStore.h"
#include "ServerDatabase.h"
#include "ServiceHttpServer.h"
#include "SignInPage.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>

namespace {

constexpr int listenBacklog = 1024;

std::variant<QSslConfiguration, QString> tlsConfiguration(const QString &certificateFile, const QString &keyFile)
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certificateFile, QSsl::Pem);
    if (chain.isEmpty())
        return QStringLiteral("%1 holds no PEM certificate.").arg(certificateFile);
    QFile file(keyFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read %1: %2").arg(keyFile, file.errorString());
    const QByteArray pem = file.readAll();
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            break;
    }
    if (key.isNull())
        return QStringLiteral("%1 holds no unencrypted PEM private key.").arg(keyFile);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);
    return configuration;
}

} // namespace

OrvantaServer::OrvantaServer(ServerConfig config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_database(std::make_unique<ServerDatabase>())
    , m_presetStore(std::make_unique<PresetStore>())
    , m_http(new ServiceHttpServer(this))
{}

OrvantaServer::~OrvantaServer() = default;

std::variant<QUrl, QString> OrvantaServer::start()
{
    if (!m_config.servesTls() && !m_config.address.isLoopback())
        return QStringLiteral("Refusing to serve on %1 without TLS: Orvanta sends sign-in tokens to other hosts "
                              "over https only. Set server/certificate and server/private_key, or serve on "
                              "127.0.0.1 behind a TLS proxy.")
            .arg(m_config.address.toString());
    if (const auto error = m_database->open(m_config))
        return QStringLiteral("Cannot open the database: %1").arg(*error);
    if (const auto error = m_presetStore->attach(m_database->connection()))
        return QStringLiteral("Cannot open the preset table: %1").arg(*error);
    QByteArray secret;
    try {
        secret = m_database->signingSecret();
    } catch (const StoreFailure &failure) {
        return QStringLiteral("Cannot read the signing secret: %1").arg(failure.message);
    }
    if (const auto error = listen())
        return *error;

    const QUrl baseUrl = m_config.baseUrl(m_boundPort);
    m_http->setAuthorities(m_config.authorities(m_boundPort));
    // Tokens name the public URL when there is one; the secret in the database is what makes
    // them ours, so a server that comes back on another port keeps its sessions.
    const QString issuer =
        m_config.publicUrl.isValid() ? m_config.publicUrl.toString() : QStringLiteral("orvanta-server");
    m_identity = std::make_unique<IdentityProvider>(issuer, m_config.clientId, m_config.redirectUri,
                                                    m_config.tokenLifetimeSeconds, *m_database, TokenSigner(secret));
    m_forwarder = new ChatCompletionForwarder(m_config.chatCompletionsUrl(), m_config.modelKey, m_config.modelName,
                                              m_config.modelTimeoutSeconds * 1000, this);
    m_signIn = new SignInPage(*m_identity, *m_database, this);
    m_answers = std::make_unique<AnswerService>(*m_identity, m_forwarder);
    m_presets = std::make_unique<PresetService>(*m_identity, *m_presetStore);
    addRoutes();
    return baseUrl;
}

std::optional<QString> OrvantaServer::listen()
{
    QTcpServer *server = nullptr;
    if (m_config.servesTls()) {
        const auto configuration = tlsConfiguration(m_config.certificateFile, m_config.privateKeyFile);
        if (const auto *problem = std::get_if<QString>(&configuration))
            return *problem;
        auto *sslServer = new QSslServer(this);
        sslServer->setSslConfiguration(std::get<QSslConfiguration>(configuration));
        server = sslServer;
    } else {
        server = new QTcpServer(this);
    }
    // Qt's default backlog of 50 drops the connections of a larger burst, which the clients then
    // retry only a second later.
    server->setListenBacklogSize(listenBacklog);
    if (!server->listen(m_config.address, m_config.port)) {
        const QString reason = server->errorString();
        delete server;
        return QStringLiteral("Cannot listen on %1 port %2: %3")
            .arg(m_config.address.toString())
            .arg(m_config.port)
            .arg(reason);
    }
    m_boundPort = server->serverPort();
    m_http->bind(server);
    return std::nullopt;
}

void OrvantaServer::addRoutes()
{
    using Responder = ServiceHttpServer::Responder;
    m_http->route("GET", QStringLiteral("/oauth2/authorize"),
                  [this](const DevRequest &request, const Responder &respond) { respond(m_signIn->show(request)); });
    m_http->route("POST", QStringLiteral("/oauth2/authorize"),
                  [this](const DevRequest &request, const Responder &respond) { m_signIn->submit(request, respond); });
    m_http->routeServices(*m_identity, *m_answers, *m_presets);
}
