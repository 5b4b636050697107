#include "QSettingsKeyValueStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcSettingsFile, "orvanta.settings")

namespace {
constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;

// Creates the folder (owner only) and an empty file with owner-only permissions before
// QSettings writes it: QSettings replaces the file on every save and keeps the permissions of
// the file it replaces, so the tokens are never readable by others, not even for a moment.
void prepareOwnerOnlyFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    QDir dir = info.absoluteDir();
    if (!dir.exists() && !dir.mkpath(QStringLiteral("."))) {
        qCWarning(lcSettingsFile) << "Could not create the settings folder" << dir.path();
        return;
    }
    QFile::setPermissions(dir.path(), ownerOnly | QFile::ExeOwner);
    QFile file(filePath);
    if (!file.exists() && !file.open(QIODevice::WriteOnly)) {
        qCWarning(lcSettingsFile) << "Could not create the settings file" << filePath << file.errorString();
        return;
    }
    file.close();
    // Strip what others may do; a file the user made read-only stays read-only.
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (file.permissions() & others)
        file.setPermissions(file.permissions() & ~others);
}
} // namespace

QString QSettingsKeyValueStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Orvanta/Orvanta.conf");
}

QSettingsKeyValueStore::QSettingsKeyValueStore(const QString &filePath)
    : m_settings((prepareOwnerOnlyFile(filePath), filePath), QSettings::IniFormat)
{}

QVariant QSettingsKeyValueStore::value(const QString &key) const
{
    return m_settings.value(key);
}

void QSettingsKeyValueStore::setValue(const QString &key, const QVariant &value)
{
    m_settings.setValue(key, value);
    writeThrough(key);
}

void QSettingsKeyValueStore::remove(const QString &key)
{
    m_settings.remove(key);
    writeThrough(key);
}

void QSettingsKeyValueStore::writeThrough(const QString &key)
{
    m_settings.sync();
    // The value holds for this run; the log says which one the next start will not see.
    if (m_settings.status() != QSettings::NoError)
        qCWarning(lcSettingsFile).noquote() << QStringLiteral("Could not store %1 in the settings file %2; it holds "
                                                              "until Orvanta quits")
                                                   .arg(key, m_settings.fileName());
}
