#pragma once

#include "KeyValueStore.h"

#include <QSettings>

// The defaults database on disk: an INI file that only its owner may read, because it holds
// the signed-in session's tokens.
class QSettingsKeyValueStore : public KeyValueStore
{
public:
    // The user's settings file: <XDG config>/Orvanta/Orvanta.conf.
    static QString defaultFilePath();

    explicit QSettingsKeyValueStore(const QString &filePath = defaultFilePath());

    QVariant value(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    QString filePath() const { return m_settings.fileName(); }

private:
    void writeThrough(const QString &key);

    mutable QSettings m_settings;
};
