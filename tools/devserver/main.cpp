#include "DevServer.h"
#include "DevServerLog.h"
#include "TerminationSignals.h"

#include "hosted/HttpExchange.h"
#include "settings/DeveloperSettingsStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvanta-devserver"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Local identity provider, answer service and preset store for Orvanta development.\n"
                       "Set ORVANTA_DEV_LLM_URL (an OpenAI-compatible chat-completions endpoint) and "
                       "ORVANTA_DEV_LLM_KEY to answer with a language model, ORVANTA_DEV_LLM_MODEL to pick one."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port on 127.0.0.1 (0: any free one)."),
                                        QStringLiteral("PORT"), QStringLiteral("8780"));
    const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("Folder for presets.sqlite."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption clientIdOption(QStringLiteral("client-id"), QStringLiteral("The accepted client ID."),
                                            QStringLiteral("ID"), DeploymentDefaults::cognitoClientID);
    const QCommandLineOption redirectOption(QStringLiteral("redirect-uri"),
                                            QStringLiteral("The registered callback URL."), QStringLiteral("URL"),
                                            QStringLiteral("com.orvanta.desktop.auth://auth/cognito"));
    const QCommandLineOption lifetimeOption(QStringLiteral("token-lifetime"),
                                            QStringLiteral("Lifetime of issued tokens in seconds."),
                                            QStringLiteral("SECONDS"), QStringLiteral("3600"));
    parser.addOptions({portOption, dataOption, clientIdOption, redirectOption, lifetimeOption});
    parser.process(app);

    DevServerOptions options;
    bool portOk = false;
    bool lifetimeOk = false;
    options.port = parser.value(portOption).toUShort(&portOk);
    options.tokenLifetimeSeconds = parser.value(lifetimeOption).toInt(&lifetimeOk);
    options.dataDir = parser.value(dataOption);
    options.clientId = parser.value(clientIdOption);
    options.redirectUri = parser.value(redirectOption);
    if (!portOk || !lifetimeOk || options.tokenLifetimeSeconds < 0 || options.dataDir.isEmpty() ||
        options.clientId.isEmpty() || options.redirectUri.isEmpty()) {
        std::fprintf(stderr, "orvanta-devserver: --data DIR is required; --port, --token-lifetime must be "
                             "non-negative integers.\n");
        return 2;
    }
    const QString llmUrl = qEnvironmentVariable("ORVANTA_DEV_LLM_URL");
    const QString llmKey = qEnvironmentVariable("ORVANTA_DEV_LLM_KEY");
    if (!llmUrl.isEmpty() && !llmKey.isEmpty()) {
        options.llmUrl = QUrl(llmUrl, QUrl::StrictMode);
        options.llmKey = llmKey;
        options.llmModel = qEnvironmentVariable("ORVANTA_DEV_LLM_MODEL", QStringLiteral("gpt-4o-mini"));
        // The key travels in the clear over plain HTTP: only to this machine, then.
        if (!HttpExchange::mayCarryCredentials(options.llmUrl)) {
            std::fprintf(stderr, "orvanta-devserver: ORVANTA_DEV_LLM_URL must be an https URL, or an http URL of "
                                 "this machine (127.0.0.1, ::1, localhost).\n");
            return 2;
        }
    } else if (!llmUrl.isEmpty() || !llmKey.isEmpty()) {
        qCWarning(lcDevServer) << "ORVANTA_DEV_LLM_URL and ORVANTA_DEV_LLM_KEY must both be set; answering offline";
    }

    if (!quitOnTerminationSignals(app)) {
        std::fprintf(stderr, "orvanta-devserver: cannot install signal handlers.\n");
        return 1;
    }
    DevServer server(options);
    const auto started = server.start();
    if (const auto *problem = std::get_if<QString>(&started)) {
        std::fprintf(stderr, "orvanta-devserver: %s\n", qUtf8Printable(*problem));
        return 1;
    }
    const QUrl baseUrl = std::get<QUrl>(started);
    // The first two lines of standard output are the contract with whoever started us: the base
    // URL, then the secret the /_dev/ endpoints want in X-Orvanta-Dev-Secret.
    std::printf("%s\n%s\n", baseUrl.toEncoded().constData(), server.controlSecret().constData());
    std::fflush(stdout);
    qCInfo(lcDevServer).noquote() << "serving on" << baseUrl.toString()
                                  << (options.llmUrl.isValid() ? "with a language model" : "with offline answers");
    return app.exec();
}
