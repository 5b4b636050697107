#pragma once

#include <QHostAddress>
#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

// orvanta-server's configuration file, an INI file readable by its owner only (it may hold the
// model endpoint's key and the database password).
struct ServerConfig
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 8790;
    // What clients use to reach the server, and the issuer of its tokens; servers behind one load
    // balancer share it. Default: derived from address and port.
    QUrl publicUrl;
    QString certificateFile;
    QString privateKeyFile;
    QString dataDir;
    // Empty: SQLite in dataDir. Otherwise a postgresql:// URL.
    QString databaseUrl;
    QString clientId;
    QString redirectUri;
    int tokenLifetimeSeconds = 3600;
    // An OpenAI-compatible chat-completions endpoint; a base ending in /v1 gets /chat/completions.
    QUrl modelUrl;
    QString modelKey;
    QString modelName;
    int modelTimeoutSeconds = 55;
    // Threads that answer requests; 0: one for each processor core.
    int workers = 0;

    // <XDG config>/orvanta-server/server.conf
    static QString defaultPath();
    static QString defaultDataDir();
    // The configuration, or what is wrong with the file, naming the key.
    static std::variant<ServerConfig, QString> load(const QString &path);
    // Writes the file, created owner-only; the text says why it could not.
    std::optional<QString> save(const QString &path) const;

    // The SQLite file used when no database URL is set.
    QString sqlitePath() const;
    bool servesTls() const { return !certificateFile.isEmpty(); }
    // The base URL clients use.
    QUrl baseUrl(quint16 boundPort) const;
    // The Host header values the server answers to: its loopback names, or its public URL's host.
    QByteArrayList authorities(quint16 boundPort) const;
    // The issuer named in tokens: the public URL when there is one. The secret in the database is
    // what makes tokens ours, so a server that comes back on another port keeps its sessions.
    QString issuer() const;
    int workerCount() const;
    // The endpoint messages are posted to.
    QUrl chatCompletionsUrl() const;
};
