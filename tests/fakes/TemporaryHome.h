#pragma once

#include <QStandardPaths>
#include <QTemporaryDir>

// Points every standard location at a private temporary folder for the life of a test, so no
// test touches the user's real settings or data.
class TemporaryHome
{
public:
    TemporaryHome()
    {
        qputenv("HOME", m_dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CACHE_HOME", (m_dir.path() + QStringLiteral("/cache")).toUtf8());
        QStandardPaths::setTestModeEnabled(true);
    }

    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
