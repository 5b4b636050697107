#include "DevServer.h"

#include "AnswerService.h"
#include "ChatCompletionForwarder.h"
#include "DevHttpServer.h"
#include "FormFields.h"
#include "IdentityProvider.h"
#include "MemoryGrantStore.h"
#include "PresetService.h"
#include "PresetStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>

namespace {

constexpr int maximumLifetimeSeconds = 10 * 365 * 24 * 3600;

DevReply badRequest(const QString &message)
{
    return DevReply::envelope(400, QStringLiteral("bad_request"), message);
}

const QString authorizePath = QStringLiteral("/oauth2/authorize");
constexpr auto ownerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr auto ownerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;

// The data folder and the store hold every user's presets: readable by their owner only.
std::optional<QString> prepareStoreFile(const QString &dataDir, const QString &databasePath)
{
    const QFileInfo folder(QDir::cleanPath(QDir(dataDir).absolutePath()));
    if (!folder.exists() && !(QDir().mkpath(folder.path()) && folder.dir().mkdir(folder.fileName(), ownerOnlyFolder)))
        return QStringLiteral("Cannot create the data folder %1.").arg(dataDir);
    QFile store(databasePath);
    // Created empty with the right mode before the database library opens it (an empty file is a
    // new database); its journal files take the same mode.
    if (!store.exists() && !store.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnlyFile))
        return QStringLiteral("Cannot create %1: %2").arg(databasePath, store.errorString());
    store.close();
    if (!store.setPermissions(ownerOnlyFile))
        return QStringLiteral("Cannot make %1 private: %2").arg(databasePath, store.errorString());
    return std::nullopt;
}

QByteArray randomSecret()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

} // namespace

DevServer::DevServer(DevServerOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_store(std::make_unique<PresetStore>())
    , m_grants(std::make_unique<MemoryGrantStore>())
    , m_http(new DevHttpServer(this))
{}

DevServer::~DevServer() = default;

std::variant<QUrl, QString> DevServer::start()
{
    const QString databasePath = QDir(m_options.dataDir).filePath(QStringLiteral("presets.sqlite"));
    if (const auto error = prepareStoreFile(m_options.dataDir, databasePath))
        return *error;
    if (const auto error = m_store->open(databasePath))
        return QStringLiteral("Cannot open %1: %2").arg(databasePath, *error);
    const quint16 port = m_http->listen(QHostAddress::LocalHost, m_options.port);
    if (port == 0)
        return QStringLiteral("Cannot listen on 127.0.0.1 port %1.").arg(m_options.port);

    const QUrl baseUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
    m_http->setAuthorities({"127.0.0.1:" + QByteArray::number(port), "localhost:" + QByteArray::number(port)});
    m_controlSecret = randomSecret();
    m_http->setControlSecret(m_controlSecret);
    m_identity = std::make_unique<IdentityProvider>(baseUrl.toString(), m_options.clientId, m_options.redirectUri,
                                                    m_options.tokenLifetimeSeconds, *m_grants);
    if (m_options.llmUrl.isValid())
        m_forwarder = new ChatCompletionForwarder(m_options.llmUrl, m_options.llmKey, m_options.llmModel,
                                                  ChatCompletionForwarder::defaultTimeoutMs, this);
    m_answers = std::make_unique<AnswerService>(*m_identity, m_forwarder);
    m_presets = std::make_unique<PresetService>(*m_identity, *m_store);
    addRoutes();
    return baseUrl;
}

void DevServer::addRoutes()
{
    using Responder = DevHttpServer::Responder;
    // The browser shows this page at the server's own origin.
    m_http->faults().shield(authorizePath);
    m_http->route("GET", authorizePath, [this](const DevRequest &request, const Responder &respond) {
        respond(m_identity->authorize(request));
    });
    m_http->routeServices(*m_identity, *m_answers, *m_presets);

    m_http->route("POST", QStringLiteral("/_dev/faults"), [this](const DevRequest &request, const Responder &respond) {
        const QJsonDocument document = QJsonDocument::fromJson(request.body);
        if (!document.isObject()) {
            respond(badRequest(QStringLiteral("The body must be a JSON object.")));
            return;
        }
        const auto parsed = FaultInjector::parse(document.object());
        if (const auto *problem = std::get_if<QString>(&parsed)) {
            respond(badRequest(*problem));
            return;
        }
        const auto &[path, fault] = std::get<std::pair<QString, Fault>>(parsed);
        if (const auto refused = m_http->faults().add(path, fault)) {
            respond(badRequest(*refused));
            return;
        }
        respond(DevReply::noContent());
    });
    m_http->route("DELETE", QStringLiteral("/_dev/faults"), [this](const DevRequest &, const Responder &respond) {
        m_http->faults().clear();
        respond(DevReply::noContent());
    });
    m_http->route("GET", QStringLiteral("/_dev/last-request"),
                  [this](const DevRequest &request, const Responder &respond) {
                      const QString path =
                          FormFields::parse(request.query.toUtf8()).value(QStringLiteral("path")).value_or(QString());
                      const std::optional<DevRequest> last = m_http->lastRequest(path);
                      if (!last) {
                          respond(DevReply::envelope(404, QStringLiteral("not_found"),
                                                     QStringLiteral("No request to %1 yet.").arg(path)));
                          return;
                      }
                      respond(DevReply::json(200, last->toJson()));
                  });
    m_http->route(
        "POST", QStringLiteral("/_dev/settings"), [this](const DevRequest &request, const Responder &respond) {
            const QJsonObject settings = QJsonDocument::fromJson(request.body).object();
            const std::pair<QString, void (IdentityProvider::*)(int)> fields[] = {
                {QStringLiteral("token_lifetime"), &IdentityProvider::setTokenLifetime},
                {QStringLiteral("code_lifetime"), &IdentityProvider::setCodeLifetime}};
            if (settings.isEmpty()) {
                respond(
                    badRequest(QStringLiteral("The body must be a JSON object with token_lifetime or code_lifetime.")));
                return;
            }
            // Checked as a whole first, so a bad request changes nothing.
            for (auto it = settings.begin(); it != settings.end(); ++it) {
                const bool known = std::any_of(std::begin(fields), std::end(fields),
                                               [&](const auto &field) { return field.first == it.key(); });
                const double value = it.value().toDouble(-1);
                if (!known || !it.value().isDouble() || value != static_cast<double>(static_cast<qint64>(value)) ||
                    value < 0 || value > maximumLifetimeSeconds) {
                    respond(badRequest(QStringLiteral("%1 must be token_lifetime or code_lifetime, a whole number of "
                                                      "seconds from 0 to %2.")
                                           .arg(it.key())
                                           .arg(maximumLifetimeSeconds)));
                    return;
                }
            }
            for (const auto &[key, setter] : fields) {
                if (settings.contains(key))
                    (m_identity.get()->*setter)(settings.value(key).toInt());
            }
            respond(DevReply::noContent());
        });
}
