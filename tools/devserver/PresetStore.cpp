#include "PresetStore.h"

#include "SqlConnection.h"

#include <QSqlError>
#include <QSqlQuery>

PresetStore::~PresetStore()
{
    if (m_ownsConnection)
        SqlConnection::close(m_connection);
}

std::optional<QString> PresetStore::open(const QString &path)
{
    const auto opened = SqlConnection::openSqlite(path);
    if (const auto *error = std::get_if<QString>(&opened))
        return *error;
    m_ownsConnection = true;
    return attach(std::get<QSqlDatabase>(opened));
}

std::optional<QString> PresetStore::attach(const QSqlDatabase &database)
{
    m_connection = database.connectionName();
    QSqlQuery schema(database);
    if (!schema.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS presets ("
                                    " user_id TEXT NOT NULL, position INTEGER NOT NULL, id TEXT NOT NULL,"
                                    " title TEXT NOT NULL, subtitle TEXT NOT NULL, prompt TEXT NOT NULL,"
                                    " PRIMARY KEY (user_id, position))")))
        return schema.lastError().text();
    return std::nullopt;
}

QSqlDatabase PresetStore::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

std::variant<QList<StoredPromptPreset>, QString> PresetStore::load(const QString &userId) const
{
    QSqlQuery query(database());
    query.prepare(
        QStringLiteral("SELECT id, title, subtitle, prompt FROM presets WHERE user_id = ? ORDER BY position"));
    query.addBindValue(userId);
    if (!query.exec())
        return query.lastError().text();
    QList<StoredPromptPreset> presets;
    while (query.next())
        presets.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                        query.value(3).toString()});
    return presets;
}

std::optional<QString> PresetStore::replace(const QString &userId, const QList<StoredPromptPreset> &presets)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        return db.lastError().text();
    const auto rollBack = [&db](const QSqlQuery &failed) {
        const QString error = failed.lastError().text();
        db.rollback();
        return error;
    };
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM presets WHERE user_id = ?"));
    remove.addBindValue(userId);
    if (!remove.exec())
        return rollBack(remove);
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO presets (user_id, position, id, title, subtitle, prompt)"
                                  " VALUES (?, ?, ?, ?, ?, ?)"));
    for (qsizetype position = 0; position < presets.size(); ++position) {
        const StoredPromptPreset &preset = presets.at(position);
        const QVariantList values{userId, qint64(position), preset.id, preset.title, preset.subtitle, preset.prompt};
        for (int i = 0; i < values.size(); ++i)
            insert.bindValue(i, values.at(i));
        if (!insert.exec())
            return rollBack(insert);
    }
    if (!db.commit()) {
        const QString error = db.lastError().text();
        db.rollback();
        return error;
    }
    return std::nullopt;
}
