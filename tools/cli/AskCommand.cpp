// orvanta-cli ask IMAGE.png QUESTION [QUESTION ...]: asks about an image the way the answer panel
// does - the signed-in session the application stored, its settings and language, the first
// question with the picture or text, each further one as a follow-up with the earlier turns.
#include "CliCapture.h"
#include "CliCommands.h"
#include "CliIo.h"

#include "auth/SessionManager.h"
#include "auth/WebAuthenticationSession.h"
#include "controller/CaptureQuestion.h"
#include "hosted/AIProviderError.h"
#include "hosted/OpenAIProvider.h"
#include "presets/PromptPreset.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/QSettingsKeyValueStore.h"
#include "support/OrvantaError.h"

#include <QCoro/QCoroTimer>
#include <QNetworkAccessManager>

#include <chrono>
#include <iostream>

namespace {

using Json = nlohmann::ordered_json;

const char *const usage = "ask [--json] [--preset explain|summarize|simplify|keyPoint] IMAGE.png|- [QUESTION ...]";

struct AskOptions
{
    bool json = false;
    std::optional<PromptPreset> preset;
    QString image;
    QStringList questions;
};

[[noreturn]] void failUsage()
{
    throw LibraryError(QStringLiteral("usage: orvanta-cli %1").arg(QLatin1String(usage)));
}

AskOptions parseOptions(const QStringList &arguments)
{
    AskOptions options;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QStringLiteral("--json")) {
            options.json = true;
        } else if (argument == QStringLiteral("--preset")) {
            if (++i == arguments.size())
                failUsage();
            options.preset = promptPresetFromRawValue(arguments[i]);
            if (!options.preset)
                failUsage();
        } else if (argument.startsWith(QStringLiteral("--"))) {
            failUsage();
        } else {
            positional.append(argument);
        }
    }
    if (positional.isEmpty())
        failUsage();
    options.image = positional.takeFirst();
    options.questions = positional;
    if (options.questions.isEmpty() && !options.preset)
        failUsage();
    return options;
}

void printAnswer(const AIAnswer &answer, bool json, bool first)
{
    if (json) {
        printJson(Json{{"question", answer.question.toStdString()},
                       {"answer", answer.content.toStdString()},
                       {"provider", answer.providerName.toStdString()},
                       {"generated_at", answer.generatedAt.toUTC().toString(Qt::ISODateWithMs).toStdString()}});
        return;
    }
    if (!first)
        std::cout << '\n';
    std::cout << answer.content.toStdString() << '\n';
    std::cout.flush();
}

// Signing in happens in the application; here a missing session is reported instead.
class NoSignInHere : public WebAuthenticationSession
{
public:
    bool start(const QUrl &, const QString &) override { return false; }
    void cancel() override {}
};

// The application's own long-lived objects, reading and writing the same settings file.
struct AskServices
{
    QSettingsKeyValueStore defaults;
    DeveloperSettingsStore settings{defaults, nullptr};
    QNetworkAccessManager network;
    NoSignInHere webSession;
    SessionManager session{defaults, network, webSession};
    OpenAIProvider provider{network};
};

// The preset's prompt with the user's stored texts, fetched first as the application does
// after sign-in.
QCoro::Task<QString> presetPrompt(AskServices &services, PromptPreset preset, QString userID)
{
    QCoro::Task<QString> tokenRequest = services.session.validIDToken();
    const QString idToken = co_await tokenRequest;
    QCoro::Task<QList<StoredPromptPreset>> fetching =
        services.provider.fetchPromptPresets(services.settings, userID, idToken);
    const QList<StoredPromptPreset> stored = co_await fetching;
    const QString prompt = configurationsFromStored(stored).value(preset).prompt;
    co_return prompt;
}

QCoro::Task<> askAll(AskServices &services, AskOptions options)
{
    const std::optional<QString> userID = services.session.currentUserID();
    if (!userID)
        throw AIProviderError::apiError(QStringLiteral("Please sign in first."));
    QStringList questions = options.questions;
    if (options.preset) {
        QCoro::Task<QString> prompting = presetPrompt(services, *options.preset, *userID);
        questions.prepend(co_await prompting);
    }

    ApplicationUnderstanding service;
    const CapturedSelection selection = selectionFromImageArgument(options.image);
    QCoro::Task<CaptureUnderstandingResult> understanding = service.understand(selection);
    const CaptureUnderstandingResult understood = co_await understanding;

    QList<ConversationTurn> history;
    for (const QString &question : questions) {
        QCoro::Task<AIAnswer> asking = askAboutCapture(services.session, services.provider, services.settings,
                                                       understood, question, history, *userID);
        const AIAnswer answer = co_await asking;
        printAnswer(answer, options.json, history.isEmpty());
        history.append(conversationTurn(answer));
    }
}

} // namespace

QCoro::Task<int> runAskCommand(QStringList arguments)
{
    const AskOptions options = parseOptions(arguments);
    AskServices services;
    std::exception_ptr failure;
    try {
        QCoro::Task<> asking = askAll(services, options);
        co_await asking;
    } catch (...) {
        failure = std::current_exception();
    }
    // Resumed from inside a network reply's signal: return to the event loop once before the
    // network manager in this frame is destroyed.
    QCoro::Task<> settling = QCoro::sleepFor(std::chrono::milliseconds(0));
    co_await settling;
    if (failure)
        std::rethrow_exception(failure);
    co_return 0;
}
