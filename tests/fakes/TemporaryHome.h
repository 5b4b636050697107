#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

// Points HOME and every XDG folder at a private temporary folder for the life of a test, so
// neither the test nor the processes it starts touch the user's real settings, data or runtime
// folder.
class TemporaryHome
{
public:
    TemporaryHome()
    {
        qputenv("HOME", m_dir.path().toUtf8());
        for (const auto &[variable, folder] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                               {"XDG_DATA_HOME", "data"},
                                               {"XDG_CACHE_HOME", "cache"},
                                               {"XDG_STATE_HOME", "state"},
                                               {"XDG_RUNTIME_DIR", "runtime"}}) {
            QDir(m_dir.path()).mkpath(QString::fromLatin1(folder));
            qputenv(variable, filePath(QString::fromLatin1(folder)).toUtf8());
        }
        QFile::setPermissions(filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QStandardPaths::setTestModeEnabled(true);
    }

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // What a process started now inherits: the system environment with this home's folders.
    static QProcessEnvironment environment() { return QProcessEnvironment::systemEnvironment(); }

    // Makes a shell script the browser that opens http(s) links: registered as the default handler
    // (which xdg-open prefers over $BROWSER once any browser is installed) and as $BROWSER.
    bool useAsBrowser(const QByteArray &script)
    {
        const QString program = filePath(QStringLiteral("browser.sh"));
        const QString desktopFile = filePath(QStringLiteral("data/applications/test-browser.desktop"));
        QDir(path()).mkpath(QStringLiteral("data/applications"));
        if (!write(program, "#!/bin/sh\n" + script) ||
            !QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
            !write(desktopFile, "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" + program.toUtf8() +
                                    " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n") ||
            !write(filePath(QStringLiteral("config/mimeapps.list")),
                   "[Default Applications]\nx-scheme-handler/http=test-browser.desktop\n"
                   "x-scheme-handler/https=test-browser.desktop\n"))
            return false;
        qputenv("BROWSER", program.toUtf8());
        return true;
    }

private:
    static bool write(const QString &name, const QByteArray &content)
    {
        QFile file(name);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    QTemporaryDir m_dir;
};
