#include "DevServerProcess.h"
#include "auth/PersistedSession.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/QSettingsKeyValueStore.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A layout bridge that always reports the same page: running text, or a table.
const QByteArray textBridge = R"(#!/bin/sh
echo '{"page_width":400,"page_height":200,"regions":[{"type":"text","score":0.95,"bbox":[10,10,390,190]}],"text":"Revenue grew 12% in the third quarter.","confidence":0.97}'
)";
const QByteArray tableBridge = R"(#!/bin/sh
echo '{"page_width":400,"page_height":200,"regions":[{"type":"table","score":0.9,"bbox":[0,0,400,200]}]}'
)";

struct AskRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
} // namespace

class CliAskTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<DevServerProcess> m_server;
    QString m_image;
    QJsonObject m_tokens;

    QString configHome() const { return m_dir.filePath(QStringLiteral("config")); }
    QString settingsFile() const { return configHome() + QStringLiteral("/Orvanta/Orvanta.conf"); }

    QString writeBridge(const QString &name, const QByteArray &script)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(script);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // The session the application would have stored after signing in, tokens from the server.
    void storeSession(const QDateTime &expiresAt)
    {
        UserSession session;
        session.userID = QStringLiteral("dev-user-0001");
        session.cognitoSubject = session.userID;
        session.provider = AuthProvider::google;
        session.tokens.idToken = m_tokens[QStringLiteral("id_token")].toString();
        session.tokens.accessToken = m_tokens[QStringLiteral("access_token")].toString();
        session.tokens.refreshToken = m_tokens[QStringLiteral("refresh_token")].toString();
        session.tokens.expiresAt = expiresAt;
        QSettingsKeyValueStore store(settingsFile());
        store.setValue(PersistedSession::storageKey, PersistedSession::encode(session));
    }

    std::optional<UserSession> storedSession() const
    {
        QSettingsKeyValueStore store(settingsFile());
        return PersistedSession::decode(store.value(PersistedSession::storageKey).toByteArray());
    }

    AskRun ask(const QStringList &arguments, const QString &bridge, const QByteArray &input = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        environment.insert(QStringLiteral("ORVANTA_PADDLE_OCR_BRIDGE"), bridge);
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("ORVANTA_BIN_DIR") + QStringLiteral("/orvanta-cli"),
                      QStringList{QStringLiteral("ask")} + arguments);
        process.write(input);
        process.closeWriteChannel();
        AskRun run;
        if (!process.waitForFinished(60000))
            return run;
        run.exitCode = process.exitCode();
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    QJsonObject lastAnswerRequest()
    {
        const std::optional<QJsonObject> request = m_server->lastRequest(QStringLiteral("/ai/answer"));
        if (!request)
            return {};
        return QJsonDocument::fromJson((*request)[QStringLiteral("body")].toString().toUtf8()).object();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<DevServerProcess>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        const std::optional<QJsonObject> tokens = m_server->signIn();
        QVERIFY(tokens);
        m_tokens = *tokens;

        QSettingsKeyValueStore store(settingsFile());
        DeveloperSettingsStore settings(store, nullptr);
        settings.setHostedBackendBaseURL(m_server->baseUrlString());
        settings.setCognitoDomainURL(m_server->baseUrlString());
        settings.persistPreferences();

        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        m_image = m_dir.filePath(QStringLiteral("capture.png"));
        QVERIFY(image.save(m_image));
    }

    void init()
    {
        storeSession(QDateTime::currentDateTime().addSecs(3000));
        QVERIFY(m_server->clearFaults());
    }

    void firstQuestionCarriesTheImageAndTheRouteSummary()
    {
        const AskRun run = ask({m_image, QStringLiteral("What does the table say?")},
                               writeBridge(QStringLiteral("table-bridge"), tableBridge));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QJsonObject body = lastAnswerRequest();
        QCOMPARE(body[QStringLiteral("capture_mode")].toString(), QStringLiteral("IMAGE"));
        QCOMPARE(body[QStringLiteral("question")].toString(), QStringLiteral("What does the table say?"));
        QVERIFY(!body[QStringLiteral("image_base64")].toString().isEmpty());
        QCOMPARE(body[QStringLiteral("image_mime_type")].toString(), QStringLiteral("image/jpeg"));
        QCOMPARE(body[QStringLiteral("image_width")].toInt(), 400);
        QVERIFY(body[QStringLiteral("route_summary")].toObject()[QStringLiteral("meaningful_table")].toBool());
        QVERIFY(body[QStringLiteral("history")].toArray().isEmpty());
        QVERIFY(!run.out.trimmed().isEmpty());
    }

    void followUpsCarryTheEarlierTurnsAndNoImage()
    {
        const AskRun run =
            ask({QStringLiteral("--json"), m_image, QStringLiteral("Summarise it."), QStringLiteral("And the risks?")},
                writeBridge(QStringLiteral("table-bridge"), tableBridge));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(first.keys(), (QStringList{QStringLiteral("answer"), QStringLiteral("generated_at"),
                                            QStringLiteral("provider"), QStringLiteral("question")}));
        QCOMPARE(first[QStringLiteral("question")].toString(), QStringLiteral("Summarise it."));
        QVERIFY(QDateTime::fromString(first[QStringLiteral("generated_at")].toString(), Qt::ISODateWithMs).isValid());

        const QJsonObject body = lastAnswerRequest();
        QCOMPARE(body[QStringLiteral("capture_mode")].toString(), QStringLiteral("IMAGE"));
        QVERIFY(!body.contains(QStringLiteral("image_base64")));
        const QJsonArray history = body[QStringLiteral("history")].toArray();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history[0].toObject()[QStringLiteral("question")].toString(), QStringLiteral("Summarise it."));
        QCOMPARE(history[0].toObject()[QStringLiteral("answer")].toString(),
                 first[QStringLiteral("answer")].toString());
        QVERIFY(body.contains(QStringLiteral("route_summary")));
    }

    void textRouteFromStandardInputPrintsPlainAnswers()
    {
        QFile png(m_image);
        QVERIFY(png.open(QIODevice::ReadOnly));
        const QByteArray pngBytes = png.readAll();
        const QString bridge = writeBridge(QStringLiteral("text-bridge"), textBridge);
        const QStringList questions{QStringLiteral("One?"), QStringLiteral("Two?")};
        const AskRun plain = ask(QStringList{QStringLiteral("-")} + questions, bridge, pngBytes);
        QVERIFY2(plain.exitCode == 0, plain.err.constData());
        const QJsonObject body = lastAnswerRequest();
        QCOMPARE(body[QStringLiteral("capture_mode")].toString(), QStringLiteral("TEXT"));
        QCOMPARE(body[QStringLiteral("ocr_text")].toString(), QStringLiteral("Revenue grew 12% in the third quarter."));

        // The offline answers are deterministic: the plain form is the answers, a blank line apart.
        const AskRun json =
            ask(QStringList{QStringLiteral("--json"), QStringLiteral("-")} + questions, bridge, pngBytes);
        QVERIFY2(json.exitCode == 0, json.err.constData());
        QByteArrayList answers;
        for (const QByteArray &line : json.out.trimmed().split('\n'))
            answers.append(QJsonDocument::fromJson(line).object()[QStringLiteral("answer")].toString().toUtf8());
        QCOMPARE(answers.size(), 2);
        QCOMPARE(plain.out, answers.join("\n\n") + '\n');
    }

    void expiredTokenIsRefreshedAndTheRenewedSessionStored()
    {
        storeSession(QDateTime::currentDateTime().addSecs(-5));
        const QString oldToken = storedSession()->tokens.idToken;
        const AskRun run =
            ask({m_image, QStringLiteral("Still there?")}, writeBridge(QStringLiteral("text-bridge"), textBridge));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const std::optional<UserSession> renewed = storedSession();
        QVERIFY(renewed);
        QVERIFY(renewed->tokens.idToken != oldToken);
        QVERIFY(*renewed->tokens.expiresAt > QDateTime::currentDateTime().addSecs(60));
        QCOMPARE(renewed->tokens.refreshToken, storedSession()->tokens.refreshToken);
        QVERIFY(!run.err.contains(renewed->tokens.idToken.toUtf8()));
    }

    void presetUsesTheUsersStoredPrompt()
    {
        const QByteArray presets = R"({"user_id":"dev-user-0001","presets":[{"id":"summarize","title":"TL;DR",)"
                                   R"("subtitle":"Short","prompt":"Three bullet points, no more."}]})";
        const DevServerProcess::Reply stored =
            m_server->request("PUT", QStringLiteral("/prompt-presets"), presets,
                              {{"Authorization", "Bearer " + m_tokens[QStringLiteral("id_token")].toString().toUtf8()},
                               {"Content-Type", "application/json"}});
        QCOMPARE(stored.status, 200);
        const AskRun run = ask({QStringLiteral("--preset"), QStringLiteral("summarize"), m_image},
                               writeBridge(QStringLiteral("text-bridge"), textBridge));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(lastAnswerRequest()[QStringLiteral("question")].toString(),
                 QStringLiteral("Three bullet points, no more."));
    }

    void failuresPrintTheirMessage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("message");
        QTest::newRow("signed out") << QStringList{QStringLiteral("IMAGE"), QStringLiteral("Q?")} << false
                                    << "Please sign in first.";
        QTest::newRow("bad gateway") << QStringList{QStringLiteral("IMAGE"), QStringLiteral("Q?")} << true
                                     << "Hosted backend request failed with status 502.";
        QTest::newRow("no question") << QStringList{QStringLiteral("IMAGE")} << true << "usage: orvanta-cli ask";
        QTest::newRow("unknown preset") << QStringList{QStringLiteral("--preset"), QStringLiteral("translate"),
                                                       QStringLiteral("IMAGE")}
                                        << true << "usage: orvanta-cli ask";
        QTest::newRow("missing image") << QStringList{QStringLiteral("/no/such.png"), QStringLiteral("Q?")} << true
                                       << "Could not read the image /no/such.png";
    }
    void failuresPrintTheirMessage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, signedIn);
        QFETCH(QString, message);
        if (!signedIn) {
            QSettingsKeyValueStore(settingsFile()).remove(PersistedSession::storageKey);
        }
        QVERIFY(m_server->injectFault({{QStringLiteral("path"), QStringLiteral("/ai/answer")},
                                       {QStringLiteral("status"), 502},
                                       {QStringLiteral("content_type"), QStringLiteral("text/html")},
                                       {QStringLiteral("body"), QStringLiteral("<html>Bad Gateway</html>")}}));
        arguments.replaceInStrings(QStringLiteral("IMAGE"), m_image);
        const AskRun run = ask(arguments, writeBridge(QStringLiteral("text-bridge"), textBridge));
        QCOMPARE(run.exitCode, 1);
        // Diagnostics may come first; the message is the last line.
        QVERIFY2(run.err.trimmed().split('\n').last().startsWith(message.toUtf8()), run.err.constData());
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CliAskTest)
#include "tst_cli_ask.moc"
