#pragma once

#include "models/StoredPromptPreset.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <variant>

// Each user's preset list in one table; a list is replaced as a whole in one transaction, so a
// failed write leaves the previous list in place. SQLite or PostgreSQL, through Qt SQL.
class PresetStore
{
public:
    PresetStore() = default;
    PresetStore(const PresetStore &) = delete;
    PresetStore &operator=(const PresetStore &) = delete;
    ~PresetStore();

    // Opens or creates a SQLite file of the store's own; the text says why it could not.
    std::optional<QString> open(const QString &path);
    // Keeps the presets in a database someone else opened and closes.
    std::optional<QString> attach(const QSqlDatabase &database);

    std::variant<QList<StoredPromptPreset>, QString> load(const QString &userId) const;
    std::optional<QString> replace(const QString &userId, const QList<StoredPromptPreset> &presets);

private:
    QSqlDatabase database() const;

    QString m_connection;
    bool m_ownsConnection = false;
};
