#include "DevServerLog.h"
#include "OrvantaServer.h"
#include "ServerDatabase.h"
#include "SetupCommand.h"
#include "TerminalPrompt.h"
#include "TerminationSignals.h"
#include "UserCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

int fail(const QString &text, int status = 1)
{
    std::fprintf(stderr, "orvanta-server: %s\n", qUtf8Printable(text));
    return status;
}

int serve(QCoreApplication &app, const ServerConfig &config)
{
    if (!quitOnTerminationSignals(app))
        return fail(QStringLiteral("cannot install signal handlers."));
    OrvantaServer server(config);
    const auto started = server.start();
    if (const auto *problem = std::get_if<QString>(&started))
        return fail(*problem);
    const QUrl baseUrl = std::get<QUrl>(started);
    // The first line of standard output is the contract with whoever started us.
    std::printf("%s\n", baseUrl.toEncoded().constData());
    std::fflush(stdout);
    qCInfo(lcDevServer).noquote() << "serving on" << baseUrl.toString() << "with the model at"
                                  << config.chatCompletionsUrl().toString(QUrl::RemoveUserInfo);
    return app.exec();
}

int users(const ServerConfig &config, const QStringList &arguments, const QString &passphraseFile)
{
    ServerDatabase database;
    if (const auto error = database.open(config))
        return fail(QStringLiteral("Cannot open the database: %1").arg(*error));
    try {
        return UserCommand::run(database, arguments, passphraseFile);
    } catch (const StoreFailure &failure) {
        return fail(QStringLiteral("The database failed: %1").arg(failure.message));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvanta-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Orvanta's sign-in, answer service and preset store, answering with the model you choose.\n\n"
                       "  setup                  write the configuration, add the first user, start the service\n"
                       "  serve                  run the server (what the systemd unit starts)\n"
                       "  user add NAME          let someone else sign in with their own passphrase\n"
                       "  user revoke NAME       sign NAME out of every application at once\n"
                       "  user remove NAME       remove NAME and sign them out\n"
                       "  user list              the users"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("setup, serve or user."));
    const QCommandLineOption configOption(QStringLiteral("config"), QStringLiteral("The configuration file."),
                                          QStringLiteral("FILE"), ServerConfig::defaultPath());
    const QCommandLineOption passphraseOption(
        QStringLiteral("passphrase-file"),
        QStringLiteral("Read a new passphrase from the first line of FILE instead of asking."), QStringLiteral("FILE"));
    const QCommandLineOption modelUrlOption(
        QStringLiteral("model-url"),
        QStringLiteral("setup: an OpenAI-compatible endpoint, e.g. http://127.0.0.1:8080/v1."), QStringLiteral("URL"));
    const QCommandLineOption modelOption(QStringLiteral("model"),
                                         QStringLiteral("setup: the model name (empty: the endpoint's default)."),
                                         QStringLiteral("NAME"));
    const QCommandLineOption modelKeyOption(
        QStringLiteral("model-key-file"),
        QStringLiteral("setup: read the endpoint's API key from FILE (or set ORVANTA_MODEL_KEY)."),
        QStringLiteral("FILE"));
    const QCommandLineOption userOption(QStringLiteral("user"), QStringLiteral("setup: the first user's name."),
                                        QStringLiteral("NAME"), qEnvironmentVariable("USER", QStringLiteral("owner")));
    const QCommandLineOption addressOption(QStringLiteral("address"), QStringLiteral("setup: the address to serve on."),
                                           QStringLiteral("IP"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("setup: the port to serve on."),
                                        QStringLiteral("PORT"), QStringLiteral("8790"));
    const QCommandLineOption databaseOption(QStringLiteral("database"),
                                            QStringLiteral("setup: a postgresql:// URL for a database servers share."),
                                            QStringLiteral("URL"));
    const QCommandLineOption certificateOption(
        QStringLiteral("certificate"), QStringLiteral("setup: PEM certificate for https."), QStringLiteral("FILE"));
    const QCommandLineOption keyOption(QStringLiteral("private-key"),
                                       QStringLiteral("setup: PEM private key for https."), QStringLiteral("FILE"));
    const QCommandLineOption noStartOption(QStringLiteral("no-start"),
                                           QStringLiteral("setup: write the systemd unit but do not start it."));
    parser.addOptions({configOption, passphraseOption, modelUrlOption, modelOption, modelKeyOption, userOption,
                       addressOption, portOption, databaseOption, certificateOption, keyOption, noStartOption});
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0, QStringLiteral("serve"));
    const QString configPath = parser.value(configOption);
    if (command == QStringLiteral("setup") && arguments.size() == 1) {
        SetupCommand::Choices choices;
        choices.configPath = configPath;
        choices.userName = parser.value(userOption);
        choices.passphraseFile = parser.value(passphraseOption);
        choices.startService = !parser.isSet(noStartOption);
        ServerConfig &config = choices.config;
        config.dataDir = ServerConfig::defaultDataDir();
        bool portOk = false;
        config.port = parser.value(portOption).toUShort(&portOk);
        if (!portOk || !config.address.setAddress(parser.value(addressOption)))
            return fail(QStringLiteral("--address must be an IP address and --port a port number."), 2);
        const QString modelUrl = parser.isSet(modelUrlOption)
                                     ? parser.value(modelUrlOption)
                                     : TerminalPrompt::answer("Model endpoint (OpenAI-compatible, such as "
                                                              "http://127.0.0.1:8080/v1): ");
        config.modelUrl = QUrl(modelUrl, QUrl::StrictMode);
        if (!config.modelUrl.isValid() || config.modelUrl.host().isEmpty())
            return fail(QStringLiteral("--model-url is required: an OpenAI-compatible endpoint such as "
                                       "http://127.0.0.1:8080/v1 or https://api.openai.com/v1."),
                        2);
        config.modelName = parser.value(modelOption);
        config.modelKey = qEnvironmentVariable("ORVANTA_MODEL_KEY");
        if (parser.isSet(modelKeyOption)) {
            QFile keyFile(parser.value(modelKeyOption));
            if (!keyFile.open(QIODevice::ReadOnly))
                return fail(QStringLiteral("Cannot read %1: %2").arg(keyFile.fileName(), keyFile.errorString()));
            config.modelKey = QString::fromUtf8(keyFile.readLine()).trimmed();
        }
        config.databaseUrl = parser.value(databaseOption);
        config.certificateFile = parser.value(certificateOption);
        config.privateKeyFile = parser.value(keyOption);
        return SetupCommand::run(choices);
    }
    if ((command != QStringLiteral("serve") || arguments.size() > 1) && command != QStringLiteral("user"))
        return fail(QStringLiteral("unknown command; see orvanta-server --help."), 2);
    const auto loaded = ServerConfig::load(configPath);
    if (const auto *problem = std::get_if<QString>(&loaded))
        return fail(*problem);
    if (command == QStringLiteral("user"))
        return users(std::get<ServerConfig>(loaded), arguments.mid(1), parser.value(passphraseOption));
    return serve(app, std::get<ServerConfig>(loaded));
}
