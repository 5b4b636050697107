#include "SetupCommand.h"

#include "ServerDatabase.h"
#include "UserCommand.h"
#include "auth/PersistedSession.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/QSettingsKeyValueStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace {

const QString unitName = QStringLiteral("orvanta-server.service");

void say(const QString &text)
{
    std::fprintf(stderr, "orvanta-server: %s\n", qUtf8Printable(text));
}

QString unitPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/systemd/user/") +
           unitName;
}

// systemd splits ExecStart at spaces; quoting keeps paths with spaces whole.
QString quoted(const QString &path)
{
    return QLatin1Char('"') +
           QString(path)
               .replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
               .replace(QLatin1Char('"'), QStringLiteral("\\\"")) +
           QLatin1Char('"');
}

bool writeUnit(const QString &configPath)
{
    const QString path = unitPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        say(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    file.write(
        QStringLiteral("[Unit]\n"
                       "Description=Orvanta answer service\n"
                       "After=network-online.target\n\n"
                       "[Service]\n"
                       "ExecStart=%1 serve --config %2\n"
                       "Restart=on-failure\n\n"
                       "[Install]\n"
                       "WantedBy=default.target\n")
            .arg(quoted(QCoreApplication::applicationFilePath()), quoted(QFileInfo(configPath).absoluteFilePath()))
            .toUtf8());
    if (!file.commit()) {
        say(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    say(QStringLiteral("Wrote the systemd user unit %1.").arg(path));
    return true;
}

bool systemctl(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void startService()
{
    if (systemctl({QStringLiteral("daemon-reload")}) && systemctl({QStringLiteral("enable"), unitName}) &&
        systemctl({QStringLiteral("restart"), unitName})) {
        say(QStringLiteral("Started %1; it starts again whenever you log in.").arg(unitName));
        return;
    }
    say(QStringLiteral("Could not start the service; start it yourself with:\n"
                       "  systemctl --user daemon-reload && systemctl --user enable --now %1")
            .arg(unitName));
}

// Signs and answers through the server from now on; a session from another server would only be
// refused, so it is dropped and the next launch asks to sign in.
void pointApplication(const QUrl &baseUrl)
{
    QSettingsKeyValueStore settings;
    const QString url = baseUrl.toString();
    if (settings.value(SettingsKeys::cognitoDomainURL).toString() != url)
        settings.remove(PersistedSession::storageKey);
    settings.setValue(SettingsKeys::cognitoDomainURL, url);
    settings.setValue(SettingsKeys::hostedBackendBaseURL, url);
    settings.remove(SettingsKeys::cognitoClientID);
    say(QStringLiteral("Pointed Orvanta (%1) at %2; quit and start Orvanta to use it.").arg(settings.filePath(), url));
}

} // namespace

namespace SetupCommand {

int run(const Choices &choices)
{
    if (!UserCommand::isUsableName(choices.userName)) {
        say(QStringLiteral("The user name must be 1 to 64 letters, digits, '.', '_' or '-'; pass --user NAME."));
        return 2;
    }
    if (choices.config.port == 0) {
        say(QStringLiteral("Pick a fixed port for a server that the application keeps using."));
        return 2;
    }
    if (const auto error = choices.config.save(choices.configPath)) {
        say(*error);
        return 1;
    }
    // Read back with the server's own checks, so setup never leaves a configuration it would refuse.
    if (const auto loaded = ServerConfig::load(choices.configPath); std::holds_alternative<QString>(loaded)) {
        say(std::get<QString>(loaded));
        return 2;
    }
    say(QStringLiteral("Wrote %1 (readable by you only).").arg(choices.configPath));
    {
        ServerDatabase database;
        if (const auto error = database.open(choices.config)) {
            say(QStringLiteral("Cannot open the database: %1").arg(*error));
            return 1;
        }
        try {
            if (database.passphraseHash(choices.userName))
                say(QStringLiteral("%1 is already a user; their passphrase stays.").arg(choices.userName));
            else if (!UserCommand::add(database, choices.userName, choices.passphraseFile))
                return 1;
        } catch (const StoreFailure &failure) {
            say(QStringLiteral("The database failed: %1").arg(failure.message));
            return 1;
        }
    }
    if (!writeUnit(choices.configPath))
        return 1;
    if (choices.startService)
        startService();
    pointApplication(choices.config.baseUrl(choices.config.port));
    return 0;
}

} // namespace SetupCommand
