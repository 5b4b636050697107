#include "ServerConfig.h"

#include "hosted/HttpExchange.h"
#include "settings/DeveloperSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

namespace {

namespace Keys {
const QString address = QStringLiteral("server/address");
const QString port = QStringLiteral("server/port");
const QString publicUrl = QStringLiteral("server/public_url");
const QString certificate = QStringLiteral("server/certificate");
const QString privateKey = QStringLiteral("server/private_key");
const QString dataDir = QStringLiteral("server/data");
const QString clientId = QStringLiteral("server/client_id");
const QString redirectUri = QStringLiteral("server/redirect_uri");
const QString tokenLifetime = QStringLiteral("server/token_lifetime");
const QString workers = QStringLiteral("server/workers");
const QString database = QStringLiteral("database/url");
const QString modelUrl = QStringLiteral("model/url");
const QString modelKey = QStringLiteral("model/key");
const QString modelName = QStringLiteral("model/name");
const QString modelTimeout = QStringLiteral("model/timeout");
} // namespace Keys

const QString defaultRedirectUri = QStringLiteral("com.orvanta.desktop.auth://auth/cognito");
constexpr int maximumSeconds = 10 * 365 * 24 * 3600;
constexpr int maximumWorkers = 256;

struct Problem
{
    QString text;
};

int number(const QSettings &file, const QString &key, int fallback, int minimum, int maximum)
{
    if (!file.contains(key))
        return fallback;
    bool ok = false;
    const int value = file.value(key).toString().toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        throw Problem{QStringLiteral("%1 must be a whole number from %2 to %3.").arg(key).arg(minimum).arg(maximum)};
    return value;
}

QUrl webUrl(const QSettings &file, const QString &key)
{
    const QString text = file.value(key).toString().trimmed();
    if (text.isEmpty())
        return {};
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https")))
        throw Problem{QStringLiteral("%1 must be an http:// or https:// URL.").arg(key)};
    return url;
}

} // namespace

QString ServerConfig::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/orvanta-server/server.conf");
}

QString ServerConfig::defaultDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/orvanta-server");
}

std::variant<ServerConfig, QString> ServerConfig::load(const QString &path)
{
    if (!QFileInfo::exists(path))
        return QStringLiteral("%1 does not exist; orvanta-server setup writes it.").arg(path);
    const QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return QStringLiteral("%1 cannot be read as an INI file.").arg(path);
    ServerConfig config;
    try {
        if (file.contains(Keys::address) && !config.address.setAddress(file.value(Keys::address).toString()))
            throw Problem{QStringLiteral("server/address must be an IP address such as 127.0.0.1 or 0.0.0.0.")};
        config.port = static_cast<quint16>(number(file, Keys::port, config.port, 0, 65535));
        config.publicUrl = webUrl(file, Keys::publicUrl);
        config.certificateFile = file.value(Keys::certificate).toString();
        config.privateKeyFile = file.value(Keys::privateKey).toString();
        if (config.certificateFile.isEmpty() != config.privateKeyFile.isEmpty())
            throw Problem{QStringLiteral("server/certificate and server/private_key go together.")};
        config.dataDir = file.value(Keys::dataDir, defaultDataDir()).toString();
        config.databaseUrl = file.value(Keys::database).toString().trimmed();
        config.clientId = file.value(Keys::clientId, DeploymentDefaults::cognitoClientID).toString();
        config.redirectUri = file.value(Keys::redirectUri, defaultRedirectUri).toString();
        config.tokenLifetimeSeconds =
            number(file, Keys::tokenLifetime, config.tokenLifetimeSeconds, 60, maximumSeconds);
        config.workers = number(file, Keys::workers, config.workers, 0, maximumWorkers);
        config.modelUrl = webUrl(file, Keys::modelUrl);
        if (!config.modelUrl.isValid())
            throw Problem{QStringLiteral("model/url is required: an OpenAI-compatible endpoint such as "
                                         "http://127.0.0.1:8080/v1 or https://api.openai.com/v1.")};
        config.modelKey = file.value(Keys::modelKey).toString();
        // The key travels in the clear over plain HTTP: only to this machine, then.
        if (!config.modelKey.isEmpty() && !HttpExchange::mayCarryCredentials(config.modelUrl))
            throw Problem{QStringLiteral("model/url must be an https URL when model/key is set, or an http URL "
                                         "of this machine (127.0.0.1, ::1, localhost).")};
        config.modelName = file.value(Keys::modelName).toString();
        config.modelTimeoutSeconds = number(file, Keys::modelTimeout, config.modelTimeoutSeconds, 1, 600);
    } catch (const Problem &problem) {
        return QStringLiteral("%1: %2").arg(path, problem.text);
    }
    return config;
}

std::optional<QString> ServerConfig::save(const QString &path) const
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return QStringLiteral("Cannot create the folder %1.").arg(info.absolutePath());
    // Owner-only before anything is written; QSettings keeps the permissions of the file it replaces.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(Keys::address, address.toString());
    settings.setValue(Keys::port, port);
    if (publicUrl.isValid())
        settings.setValue(Keys::publicUrl, publicUrl.toString());
    if (servesTls()) {
        settings.setValue(Keys::certificate, certificateFile);
        settings.setValue(Keys::privateKey, privateKeyFile);
    }
    settings.setValue(Keys::dataDir, dataDir);
    if (!databaseUrl.isEmpty())
        settings.setValue(Keys::database, databaseUrl);
    settings.setValue(Keys::tokenLifetime, tokenLifetimeSeconds);
    if (workers > 0)
        settings.setValue(Keys::workers, workers);
    settings.setValue(Keys::modelUrl, modelUrl.toString());
    settings.setValue(Keys::modelKey, modelKey);
    settings.setValue(Keys::modelName, modelName);
    settings.setValue(Keys::modelTimeout, modelTimeoutSeconds);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("Cannot write %1.").arg(path);
    return std::nullopt;
}

QString ServerConfig::sqlitePath() const
{
    return QDir(dataDir).filePath(QStringLiteral("orvanta-server.sqlite"));
}

QUrl ServerConfig::baseUrl(quint16 boundPort) const
{
    if (publicUrl.isValid())
        return publicUrl;
    QUrl url;
    url.setScheme(servesTls() ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(address.toString());
    url.setPort(boundPort);
    return url;
}

QByteArrayList ServerConfig::authorities(quint16 boundPort) const
{
    const QUrl url = baseUrl(boundPort);
    const QByteArray host = url.host(QUrl::FullyEncoded).toLower().toUtf8();
    const QByteArray bracketed = url.host().contains(QLatin1Char(':')) ? '[' + host + ']' : host;
    const int defaultPort = url.scheme() == QStringLiteral("https") ? 443 : 80;
    const QByteArray port = QByteArray::number(url.port(defaultPort));
    QByteArrayList names{bracketed + ':' + port};
    if (url.port(defaultPort) == defaultPort)
        names.append(bracketed);
    if (address.isLoopback() && !publicUrl.isValid())
        names.append("localhost:" + port);
    return names;
}

QString ServerConfig::issuer() const
{
    return publicUrl.isValid() ? publicUrl.toString() : QStringLiteral("orvanta-server");
}

int ServerConfig::workerCount() const
{
    return workers > 0 ? workers : std::max(1, QThread::idealThreadCount());
}

QUrl ServerConfig::chatCompletionsUrl() const
{
    QUrl url = modelUrl;
    QString path = url.path();
    if (!path.endsWith(QStringLiteral("/chat/completions"))) {
        if (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        url.setPath(path + QStringLiteral("/chat/completions"));
    }
    return url;
}
