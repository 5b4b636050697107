#include "ServerDatabase.h"

#include "SqlConnection.h"
#include "TokenSigner.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

const QString signingSecretName = QStringLiteral("token_signing_secret");

const char *const schema[] = {
    "CREATE TABLE IF NOT EXISTS server_secrets (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS users (name TEXT PRIMARY KEY, passphrase_hash TEXT NOT NULL,"
    " session_stamp BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS authorization_codes (code_hash TEXT PRIMARY KEY, user_name TEXT NOT NULL,"
    " redirect_uri TEXT NOT NULL, challenge TEXT NOT NULL, scope TEXT NOT NULL, expires_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS refresh_grants (token_hash TEXT PRIMARY KEY, user_name TEXT NOT NULL,"
    " scope TEXT NOT NULL, created_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS sign_in_attempts (name TEXT PRIMARY KEY, window_start BIGINT NOT NULL,"
    " attempts INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS sign_in_attempts_by_window ON sign_in_attempts (window_start)",
};

QString hashed(const QString &secret)
{
    return QString::fromLatin1(QCryptographicHash::hash(secret.toUtf8(), QCryptographicHash::Sha256).toHex());
}

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

// Runs one statement with positional values; the error text when the database refuses it.
std::variant<QSqlQuery, QString> attempt(const QSqlDatabase &database, const QString &statement,
                                         const QVariantList &values)
{
    QSqlQuery query(database);
    // PostgreSQL cannot prepare schema statements, which have no values.
    if (values.isEmpty())
        return query.exec(statement) ? std::variant<QSqlQuery, QString>(std::move(query)) : query.lastError().text();
    if (!query.prepare(statement))
        return query.lastError().text();
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        return query.lastError().text();
    return query;
}

enum class Reconnect { Allowed, InTransaction };

// As attempt(), but once more on a fresh connection when the old one is gone (a restarted
// PostgreSQL server) and no transaction is open; throws when the database refuses it.
QSqlQuery run(QSqlDatabase database, const QString &statement, const QVariantList &values = {},
              Reconnect reconnect = Reconnect::Allowed)
{
    auto result = attempt(database, statement, values);
    if (std::holds_alternative<QString>(result) && reconnect == Reconnect::Allowed &&
        !QSqlQuery(database).exec(QStringLiteral("SELECT 1"))) {
        database.close();
        if (database.open())
            result = attempt(database, statement, values);
    }
    if (const auto *error = std::get_if<QString>(&result))
        throw StoreFailure{*error};
    return std::move(std::get<QSqlQuery>(result));
}

} // namespace

ServerDatabase::~ServerDatabase()
{
    m_sessionStampQuery.reset();
    if (!m_connection.isEmpty())
        SqlConnection::close(m_connection);
}

std::optional<QString> ServerDatabase::open(const ServerConfig &config)
{
    if (config.databaseUrl.isEmpty()) {
        if (!QDir().mkpath(config.dataDir))
            return QStringLiteral("Cannot create the data folder %1.").arg(config.dataDir);
        QFile::setPermissions(config.dataDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const auto opened = config.databaseUrl.isEmpty() ? SqlConnection::openSqlite(config.sqlitePath())
                                                     : SqlConnection::openPostgres(config.databaseUrl);
    if (const auto *error = std::get_if<QString>(&opened))
        return *error;
    m_connection = std::get<QSqlDatabase>(opened).connectionName();
    try {
        for (const char *statement : schema)
            run(connection(), QString::fromLatin1(statement));
    } catch (const StoreFailure &failure) {
        return failure.message;
    }
    return std::nullopt;
}

QSqlDatabase ServerDatabase::connection() const
{
    return QSqlDatabase::database(m_connection, false);
}

QByteArray ServerDatabase::signingSecret()
{
    // Two servers starting together on one database both try; the first insert wins for both.
    const QByteArray candidate = TokenSigner::randomSecret().toBase64();
    run(connection(), QStringLiteral("INSERT INTO server_secrets (name, value) VALUES (?, ?) ON CONFLICT DO NOTHING"),
        {signingSecretName, QString::fromLatin1(candidate)});
    QSqlQuery query =
        run(connection(), QStringLiteral("SELECT value FROM server_secrets WHERE name = ?"), {signingSecretName});
    if (!query.next())
        throw StoreFailure{QStringLiteral("the signing secret could not be stored")};
    return QByteArray::fromBase64(query.value(0).toString().toLatin1());
}

ServerDatabase::UserChange ServerDatabase::addUser(const QString &name, const QByteArray &passphraseHash)
{
    QSqlQuery query = run(connection(),
                          QStringLiteral("INSERT INTO users (name, passphrase_hash, session_stamp) VALUES (?, ?, 0)"
                                         " ON CONFLICT DO NOTHING"),
                          {name, QString::fromLatin1(passphraseHash)});
    return query.numRowsAffected() == 1 ? UserChange::Done : UserChange::AlreadyExists;
}

ServerDatabase::UserChange ServerDatabase::removeUser(const QString &name)
{
    return changeUser(name, {QStringLiteral("DELETE FROM refresh_grants WHERE user_name = ?"),
                             QStringLiteral("DELETE FROM authorization_codes WHERE user_name = ?"),
                             QStringLiteral("DELETE FROM users WHERE name = ?")});
}

ServerDatabase::UserChange ServerDatabase::revokeSessions(const QString &name)
{
    return changeUser(name, {QStringLiteral("DELETE FROM refresh_grants WHERE user_name = ?"),
                             QStringLiteral("UPDATE users SET session_stamp = session_stamp + 1 WHERE name = ?")});
}

ServerDatabase::UserChange ServerDatabase::changeUser(const QString &name, const QStringList &statements)
{
    QSqlDatabase database = connection();
    if (!database.transaction())
        throw StoreFailure{database.lastError().text()};
    try {
        int changed = 0;
        for (const QString &statement : statements)
            changed = run(database, statement, {name}, Reconnect::InTransaction).numRowsAffected();
        if (!database.commit())
            throw StoreFailure{database.lastError().text()};
        return changed == 1 ? UserChange::Done : UserChange::NoSuchUser;
    } catch (const StoreFailure &) {
        database.rollback();
        throw;
    }
}

QStringList ServerDatabase::userNames()
{
    QSqlQuery query = run(connection(), QStringLiteral("SELECT name FROM users ORDER BY name"));
    QStringList names;
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

std::optional<QByteArray> ServerDatabase::passphraseHash(const QString &name)
{
    QSqlQuery query = run(connection(), QStringLiteral("SELECT passphrase_hash FROM users WHERE name = ?"), {name});
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString().toLatin1();
}

void ServerDatabase::addCode(const QString &code, const AuthorizationCode &pending)
{
    // Codes that were never exchanged are dropped once they can no longer be used.
    run(connection(), QStringLiteral("DELETE FROM authorization_codes WHERE expires_at <= ?"), {now()});
    run(connection(),
        QStringLiteral("INSERT INTO authorization_codes (code_hash, user_name, redirect_uri, challenge, scope,"
                       " expires_at) VALUES (?, ?, ?, ?, ?, ?)"),
        {hashed(code), pending.user.subject, pending.redirectUri, pending.challenge, pending.scope, pending.expiresAt});
}

std::optional<AuthorizationCode> ServerDatabase::takeCode(const QString &code)
{
    // One statement removes and reads, so two servers cannot both spend the same code.
    QSqlQuery query = run(connection(),
                          QStringLiteral("DELETE FROM authorization_codes WHERE code_hash = ?"
                                         " RETURNING user_name, redirect_uri, challenge, scope, expires_at"),
                          {hashed(code)});
    if (!query.next())
        return std::nullopt;
    return AuthorizationCode{query.value(1).toString(), query.value(2).toString(), query.value(3).toString(),
                             account(query.value(0).toString()), query.value(4).toLongLong()};
}

void ServerDatabase::addRefreshGrant(const QString &refreshToken, const RefreshGrant &grant)
{
    run(connection(),
        QStringLiteral("INSERT INTO refresh_grants (token_hash, user_name, scope, created_at) VALUES (?, ?, ?, ?)"),
        {hashed(refreshToken), grant.user.subject, grant.scope, now()});
}

std::optional<RefreshGrant> ServerDatabase::refreshGrant(const QString &refreshToken)
{
    QSqlQuery query =
        run(connection(), QStringLiteral("SELECT user_name, scope FROM refresh_grants WHERE token_hash = ?"),
            {hashed(refreshToken)});
    if (!query.next())
        return std::nullopt;
    return RefreshGrant{query.value(1).toString(), account(query.value(0).toString())};
}

std::optional<qint64> ServerDatabase::sessionStamp(const QString &subject)
{
    // Asked on every request: the statement is prepared once, and made afresh on the fallback
    // path when the connection was lost.
    const QString statement = QStringLiteral("SELECT session_stamp FROM users WHERE name = ?");
    if (!m_sessionStampQuery) {
        m_sessionStampQuery.emplace(connection());
        if (!m_sessionStampQuery->prepare(statement))
            m_sessionStampQuery.reset();
    }
    QSqlQuery fallback;
    QSqlQuery *query = m_sessionStampQuery ? &*m_sessionStampQuery : nullptr;
    if (query) {
        query->bindValue(0, subject);
        if (!query->exec())
            query = nullptr;
    }
    if (!query) {
        m_sessionStampQuery.reset();
        fallback = run(connection(), statement, {subject});
        query = &fallback;
    }
    std::optional<qint64> stamp;
    if (query->next())
        stamp = query->value(0).toLongLong();
    // A statement left open would hold SQLite's read lock against other servers' writes.
    query->finish();
    return stamp;
}

qint64 ServerDatabase::admitSignInAttempt(const QString &name, qint64 now, int limit, qint64 windowSeconds)
{
    const qint64 windowEnded = now - windowSeconds;
    // Guessing under ever new names must not grow the table without end.
    run(connection(), QStringLiteral("DELETE FROM sign_in_attempts WHERE window_start <= ?"), {windowEnded});
    // One statement that counts and reads, so attempts at once through any server are all counted.
    QSqlQuery query = run(connection(),
                          QStringLiteral("INSERT INTO sign_in_attempts (name, window_start, attempts) VALUES (?, ?, 1)"
                                         " ON CONFLICT (name) DO UPDATE SET"
                                         " attempts = CASE WHEN sign_in_attempts.window_start <= ? THEN 1"
                                         " ELSE sign_in_attempts.attempts + 1 END,"
                                         " window_start = CASE WHEN sign_in_attempts.window_start <= ? THEN ?"
                                         " ELSE sign_in_attempts.window_start END"
                                         " RETURNING window_start, attempts"),
                          {name, now, windowEnded, windowEnded, now});
    if (!query.next())
        throw StoreFailure{QStringLiteral("the sign-in attempt could not be counted")};
    const qint64 windowStart = query.value(0).toLongLong();
    const bool admitted = query.value(1).toLongLong() <= limit;
    query.finish();
    return admitted ? 0 : std::max<qint64>(1, windowStart + windowSeconds - now);
}

void ServerDatabase::clearSignInAttempts(const QString &name)
{
    run(connection(), QStringLiteral("DELETE FROM sign_in_attempts WHERE name = ?"), {name});
}

DevUser ServerDatabase::account(const QString &name)
{
    return {name, QString(), name};
}
