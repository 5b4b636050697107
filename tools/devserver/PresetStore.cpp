#include "PresetStore.h"

#include <sqlite3.h>

#include <memory>

namespace {

struct StatementDeleter
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

void bindText(sqlite3_stmt *statement, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

} // namespace

PresetStore::~PresetStore()
{
    sqlite3_close(m_db);
}

std::optional<QString> PresetStore::open(const QString &path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        return lastError();
    // Another server on the same folder may hold the file for a moment.
    sqlite3_busy_timeout(m_db, 2000);
    const char *schema = "CREATE TABLE IF NOT EXISTS presets ("
                         " user_id TEXT NOT NULL, position INTEGER NOT NULL, id TEXT NOT NULL,"
                         " title TEXT NOT NULL, subtitle TEXT NOT NULL, prompt TEXT NOT NULL,"
                         " PRIMARY KEY (user_id, position))";
    if (sqlite3_exec(m_db, schema, nullptr, nullptr, nullptr) != SQLITE_OK)
        return lastError();
    return std::nullopt;
}

std::variant<QList<StoredPromptPreset>, QString> PresetStore::load(const QString &userId) const
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT id, title, subtitle, prompt FROM presets WHERE user_id = ? ORDER BY position",
                           -1, &raw, nullptr) != SQLITE_OK)
        return lastError();
    const Statement statement(raw);
    bindText(raw, 1, userId);
    QList<StoredPromptPreset> presets;
    int step;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW)
        presets.append({columnText(raw, 0), columnText(raw, 1), columnText(raw, 2), columnText(raw, 3)});
    if (step != SQLITE_DONE)
        return lastError();
    return presets;
}

std::optional<QString> PresetStore::replace(const QString &userId, const QList<StoredPromptPreset> &presets)
{
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return lastError();
    const auto rollBack = [this] {
        const QString error = lastError();
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return error;
    };
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(m_db, "DELETE FROM presets WHERE user_id = ?", -1, &raw, nullptr) != SQLITE_OK)
        return rollBack();
    Statement remove(raw);
    bindText(raw, 1, userId);
    if (sqlite3_step(raw) != SQLITE_DONE)
        return rollBack();
    if (sqlite3_prepare_v2(m_db,
                           "INSERT INTO presets (user_id, position, id, title, subtitle, prompt)"
                           " VALUES (?, ?, ?, ?, ?, ?)",
                           -1, &raw, nullptr) != SQLITE_OK)
        return rollBack();
    Statement insert(raw);
    for (qsizetype position = 0; position < presets.size(); ++position) {
        const StoredPromptPreset &preset = presets.at(position);
        sqlite3_reset(raw);
        bindText(raw, 1, userId);
        sqlite3_bind_int64(raw, 2, position);
        bindText(raw, 3, preset.id);
        bindText(raw, 4, preset.title);
        bindText(raw, 5, preset.subtitle);
        bindText(raw, 6, preset.prompt);
        if (sqlite3_step(raw) != SQLITE_DONE)
            return rollBack();
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return rollBack();
    return std::nullopt;
}

QString PresetStore::lastError() const
{
    return QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
}
