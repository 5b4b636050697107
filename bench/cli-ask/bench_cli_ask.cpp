// What asking costs beyond understanding, for a text-route capture, against orvanta-devserver on
// loopback. Two comparisons, interleaved and measured in one run:
//  1. in process: the application's question path (token, request building, reply decoding)
//     against a bare POST of the same body;
//  2. whole commands: `orvanta-cli ask` against `orvanta-cli understand` on the same image.
//   build/bin/bench_cli_ask [ROUNDS]
#include "AwaitTask.h"
#include "DevServerProcess.h"
#include "auth/PersistedSession.h"
#include "auth/SessionManager.h"
#include "auth/WebAuthenticationSession.h"
#include "controller/CaptureQuestion.h"
#include "hosted/OpenAIProvider.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"
#include "settings/QSettingsKeyValueStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
class NoSignIn : public WebAuthenticationSession
{
public:
    bool start(const QUrl &, const QString &) override { return false; }
    void cancel() override {}
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

UserSession sessionFrom(const QJsonObject &tokens)
{
    UserSession session;
    session.userID = QStringLiteral("dev-user-0001");
    session.cognitoSubject = session.userID;
    session.tokens.idToken = tokens[QStringLiteral("id_token")].toString();
    session.tokens.accessToken = tokens[QStringLiteral("access_token")].toString();
    session.tokens.refreshToken = tokens[QStringLiteral("refresh_token")].toString();
    session.tokens.expiresAt = QDateTime::currentDateTime().addSecs(3000);
    return session;
}

CaptureUnderstandingResult proseResult()
{
    CaptureUnderstandingResult result;
    result.ocrResult =
        OCRResult{QString(QStringLiteral("Revenue grew twelve percent in the third quarter. ")).repeated(20), 20, 0.95};
    result.analysis.metrics.textLikeRatio = 0.9;
    result.analysis.metrics.safeText = true;
    return result;
}

double secondsOf(QProcess &process, const QString &program, const QStringList &arguments)
{
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(60000);
    return timer.nsecsElapsed() / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The development server is found beside this benchmark.
    if (!qEnvironmentVariableIsSet("ORVANTA_BIN_DIR"))
        qputenv("ORVANTA_BIN_DIR", QCoreApplication::applicationDirPath().toLocal8Bit());
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 15;
    DevServerProcess server;
    const std::optional<QJsonObject> tokens = server.signIn();
    if (!server.isRunning() || !tokens) {
        std::fprintf(stderr, "orvanta-devserver did not start: %s\n", qPrintable(server.errorString()));
        return 1;
    }

    InMemoryKeyValueStore defaults;
    defaults.setValue(PersistedSession::storageKey, PersistedSession::encode(sessionFrom(*tokens)));
    DeveloperSettingsStore settings(defaults, nullptr);
    settings.setHostedBackendBaseURL(server.baseUrlString());
    settings.setCognitoDomainURL(server.baseUrlString());
    QNetworkAccessManager network;
    NoSignIn webSession;
    SessionManager session(defaults, network, webSession);
    OpenAIProvider provider(network);
    const CaptureUnderstandingResult understood = proseResult();

    // The bare round trip sends the body the question path sent.
    awaitTask(askAboutCapture(session, provider, settings, understood, QStringLiteral("Summarise this."), {},
                              QStringLiteral("dev-user-0001")));
    const QByteArray body =
        server.lastRequest(QStringLiteral("/ai/answer"))->value(QStringLiteral("body")).toString().toUtf8();
    QNetworkRequest bare(QUrl(server.baseUrlString() + QStringLiteral("/ai/answer")));
    bare.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    bare.setRawHeader("Authorization", "Bearer " + (*tokens)[QStringLiteral("id_token")].toString().toUtf8());

    std::vector<double> questionPath, roundTrip;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        awaitTask(askAboutCapture(session, provider, settings, understood, QStringLiteral("Summarise this."), {},
                                  QStringLiteral("dev-user-0001")));
        questionPath.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        QNetworkReply *reply = network.post(bare, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        reply->readAll();
        reply->deleteLater();
        roundTrip.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf(
        "in process, %d rounds (median ms):\n  question path %.2f\n  bare round trip %.2f\n  our own work %.2f\n",
        rounds, median(questionPath), median(roundTrip), median(questionPath) - median(roundTrip));

    // Whole commands, with a layout bridge that answers at once so understanding is cheap.
    QTemporaryDir dir;
    QSettingsKeyValueStore stored(dir.filePath(QStringLiteral("config/Orvanta/Orvanta.conf")));
    stored.setValue(PersistedSession::storageKey, PersistedSession::encode(sessionFrom(*tokens)));
    DeveloperSettingsStore(stored, nullptr).persistPreferences();
    stored.setValue(QStringLiteral("orvanta.settings.hostedBackendBaseURL"), server.baseUrlString());
    const QString bridge = dir.filePath(QStringLiteral("bridge"));
    QFile script(bridge);
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\necho '{\"page_width\":800,\"page_height\":400,\"regions\":[{\"type\":\"text\","
                 "\"score\":0.95,\"bbox\":[0,0,800,400]}],\"text\":\"Revenue grew.\",\"confidence\":0.97}'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QImage image(800, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString png = dir.filePath(QStringLiteral("capture.png"));
    image.save(png);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("ORVANTA_PADDLE_OCR_BRIDGE"), bridge);
    process.setProcessEnvironment(environment);
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/orvanta-cli");
    std::vector<double> askCommand, understandCommand;
    for (int i = 0; i < rounds; ++i) {
        askCommand.push_back(secondsOf(process, cli, {QStringLiteral("ask"), png, QStringLiteral("Summarise this.")}));
        if (process.exitCode() != 0) {
            std::fprintf(stderr, "orvanta-cli ask failed: %s\n", process.readAllStandardError().constData());
            return 1;
        }
        understandCommand.push_back(secondsOf(process, cli, {QStringLiteral("understand"), png}));
    }
    std::printf("whole commands, %d rounds (median ms):\n  orvanta-cli ask %.1f\n  orvanta-cli understand %.1f\n"
                "  beyond understanding %.1f\n",
                rounds, median(askCommand), median(understandCommand), median(askCommand) - median(understandCommand));
    return 0;
}
