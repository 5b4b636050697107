#pragma once

#include "GrantStore.h"
#include "ServerConfig.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <optional>

// Everything orvanta-server keeps: the token signing secret, the users and their passphrase
// hashes, authorization codes and refresh grants (both stored as SHA-256 hashes, so a copy of the
// database signs nobody in), in SQLite or in a PostgreSQL database that several servers share.
// Every call goes to the database, so a process keeps no session or sign-in state of its own. Failures
// throw StoreFailure.
class ServerDatabase : public GrantStore
{
public:
    ServerDatabase() = default;
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;
    ~ServerDatabase() override;

    // The configured PostgreSQL database, or the SQLite file in the data folder (both made, owner
    // only, when missing). The text says why it could not open.
    std::optional<QString> open(const ServerConfig &config);
    QSqlDatabase connection() const;

    // The secret that signs tokens, made on first use and shared by every server on the database.
    QByteArray signingSecret();

    enum class UserChange { Done, AlreadyExists, NoSuchUser };
    UserChange addUser(const QString &name, const QByteArray &passphraseHash);
    UserChange removeUser(const QString &name);
    // Ends every session of the user: refresh grants go, and identity tokens already issued are refused.
    UserChange revokeSessions(const QString &name);
    QStringList userNames();
    std::optional<QByteArray> passphraseHash(const QString &name);

    void addCode(const QString &code, const AuthorizationCode &pending) override;
    std::optional<AuthorizationCode> takeCode(const QString &code) override;
    void addRefreshGrant(const QString &refreshToken, const RefreshGrant &grant) override;
    std::optional<RefreshGrant> refreshGrant(const QString &refreshToken) override;
    std::optional<qint64> sessionStamp(const QString &subject) override;

    // Counts a passphrase attempt for the name. Attempts beyond `limit` within `windowSeconds` of
    // the window's first one are refused: the seconds until the window ends, or 0 when admitted.
    // Every server on the database counts the same attempts.
    qint64 admitSignInAttempt(const QString &name, qint64 now, int limit, qint64 windowSeconds);
    // After a right passphrase the name's count starts again.
    void clearSignInAttempts(const QString &name);

    // The account a user name signs in as.
    static DevUser account(const QString &name);

private:
    // Runs the statements for the user in one transaction; the last one decides whether the user existed.
    UserChange changeUser(const QString &name, const QStringList &statements);

    QString m_connection;
    std::optional<QSqlQuery> m_sessionStampQuery;
};
