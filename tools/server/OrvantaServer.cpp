#include "OrvantaServer.h"

#include "ServerDatabase.h"
#include "ServerWorker.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <unistd.h>

namespace {

constexpr int listenBacklog = 1024;
constexpr int hashingThreads = 2;

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

OrvantaServer::OrvantaServer(ServerConfig config, QObject *parent) : QObject(parent), m_config(std::move(config))
{
    m_hashing.setMaxThreadCount(hashingThreads);
}

OrvantaServer::~OrvantaServer()
{
    // The workers go first: they use the shared state.
    m_workers.clear();
}

std::variant<QUrl, QString> OrvantaServer::start()
{
    if (!m_config.servesTls() && !m_config.address.isLoopback())
        return QStringLiteral("Refusing to serve on %1 without TLS: Orvanta sends sign-in tokens to other hosts "
                              "over https only. Set server/certificate and server/private_key, or serve on "
                              "127.0.0.1 behind a TLS proxy.")
            .arg(m_config.address.toString());
    QByteArray secret;
    {
        ServerDatabase database;
        if (const auto error = database.open(m_config))
            return QStringLiteral("Cannot open the database: %1").arg(*error);
        try {
            secret = database.signingSecret();
        } catch (const StoreFailure &failure) {
            return QStringLiteral("Cannot read the signing secret: %1").arg(failure.message);
        }
    }
    std::optional<QSslConfiguration> tls;
    if (m_config.servesTls()) {
        const auto configuration = tlsConfiguration(m_config.certificateFile, m_config.privateKeyFile);
        if (const auto *problem = std::get_if<QString>(&configuration))
            return *problem;
        tls = std::get<QSslConfiguration>(configuration);
    }

    // Listened on here for a clear error, then served by the workers through descriptors of their
    // own; the kernel hands each connection to whichever worker accepts it first.
    QTcpServer listener;
    // Qt's default backlog of 50 drops the connections of a larger burst, which the clients then
    // retry only a second later.
    listener.setListenBacklogSize(listenBacklog);
    if (!listener.listen(m_config.address, m_config.port))
        return QStringLiteral("Cannot listen on %1 port %2: %3")
            .arg(m_config.address.toString())
            .arg(m_config.port)
            .arg(listener.errorString());
    const quint16 boundPort = listener.serverPort();
    m_shared =
        std::make_unique<WorkerShared>(WorkerShared{m_config, secret, m_config.authorities(boundPort), tls, m_hashing});
    for (int i = 0; i < m_config.workerCount(); ++i) {
        const int descriptor = ::dup(static_cast<int>(listener.socketDescriptor()));
        if (descriptor < 0)
            return QStringLiteral("Cannot share the listening socket: %1").arg(qt_error_string(errno));
        m_workers.push_back(std::make_unique<ServerWorker>(*m_shared, descriptor));
        if (const auto error = m_workers.back()->launch())
            return *error;
    }
    return m_config.baseUrl(boundPort);
}
