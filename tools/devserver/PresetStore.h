#pragma once

#include "models/StoredPromptPreset.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

struct sqlite3;

// Each user's preset list in one SQLite file; a list is replaced as a whole in one transaction,
// so a failed write leaves the previous list in place.
class PresetStore
{
public:
    PresetStore() = default;
    PresetStore(const PresetStore &) = delete;
    PresetStore &operator=(const PresetStore &) = delete;
    ~PresetStore();

    // Opens or creates the database; the text says why it could not.
    std::optional<QString> open(const QString &path);

    std::variant<QList<StoredPromptPreset>, QString> load(const QString &userId) const;
    std::optional<QString> replace(const QString &userId, const QList<StoredPromptPreset> &presets);

private:
    QString lastError() const;

    sqlite3 *m_db = nullptr;
};
