#include "AwaitTask.h"
#include "DevServerProcess.h"
#include "HostedSamples.h"
#include "auth/JWTClaims.h"
#include "hosted/AIProviderError.h"
#include "hosted/OpenAIProvider.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <chrono>

using namespace std::chrono_literals;

namespace {
// A user ID that needs every kind of escaping in a query.
const QString awkwardDevUser = QStringLiteral("a+b&c=d \u00e9/?#%");

CaptureAnswerInput textInput()
{
    CaptureAnswerInput input;
    input.ocrText = QStringLiteral("Running text");
    return input;
}

QList<StoredPromptPreset> samplePresets()
{
    return {{QStringLiteral("explain"), QStringLiteral("Explain"), QStringLiteral("What it means"),
             QStringLiteral("Explain this & that = \"clear\"")},
            {QStringLiteral("keyPoint"), QStringLiteral("Key points"), QString(), QStringLiteral("List them.")}};
}

QJsonObject fault(int status, const QByteArray &body, const QString &contentType, int delayMs = 0)
{
    return {{QStringLiteral("status"), status},
            {QStringLiteral("body"), QString::fromUtf8(body)},
            {QStringLiteral("content_type"), contentType},
            {QStringLiteral("delay_ms"), delayMs},
            {QStringLiteral("times"), 1}};
}

} // namespace

class HostedClientTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<DevServerProcess> m_server;
    QNetworkAccessManager m_network;
    InMemoryKeyValueStore m_store;
    std::unique_ptr<DeveloperSettingsStore> m_settings;
    std::unique_ptr<OpenAIProvider> m_provider;
    QString m_userID;
    QString m_idToken;

    bool injectAt(const QString &path, QJsonObject reply)
    {
        reply.insert(QStringLiteral("path"), path);
        return m_server->injectFault(reply);
    }

    QString lastBody(const QString &path)
    {
        const std::optional<QJsonObject> request = m_server->lastRequest(path);
        return request ? request->value(QStringLiteral("body")).toString() : QString();
    }

    void signInAs(const QString &devUser)
    {
        const std::optional<QJsonObject> tokens = m_server->signIn(devUser);
        QVERIFY(tokens);
        m_idToken = tokens->value(QStringLiteral("id_token")).toString();
        m_userID = JWTClaims::decode(m_idToken).value(QStringLiteral("sub")).toString();
        QVERIFY(!m_userID.isEmpty());
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<DevServerProcess>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        m_settings = std::make_unique<DeveloperSettingsStore>(m_store, nullptr);
        m_provider = std::make_unique<OpenAIProvider>(m_network);
        signInAs(QString());
    }

    void init()
    {
        QVERIFY(m_server->clearFaults());
        m_settings->setHostedBackendBaseURL(m_server->baseUrlString());
        m_settings->setLanguagePreference(AppLanguagePreference::automatic);
    }

    void firstImageQuestionSendsTheImageAndHeaders()
    {
        const AIAnswer answer = awaitTask(m_provider->answer(sampleImageInput(), QStringLiteral("What is the total?"),
                                                             {}, *m_settings, m_userID, m_idToken));
        QCOMPARE(answer.question, QStringLiteral("What is the total?"));
        QCOMPARE(answer.providerName, QStringLiteral("orvanta-devserver (offline)"));
        QVERIFY(!answer.content.isEmpty());
        QCOMPARE(answer.content, answer.content.trimmed());

        const std::optional<QJsonObject> request = m_server->lastRequest(QStringLiteral("/ai/answer"));
        QVERIFY(request);
        const QJsonObject headers = request->value(QStringLiteral("headers")).toObject();
        QCOMPARE(headers.value(QStringLiteral("authorization")).toString(), QStringLiteral("Bearer ") + m_idToken);
        QCOMPARE(headers.value(QStringLiteral("content-type")).toString(), QStringLiteral("application/json"));
        QCOMPARE(request->value(QStringLiteral("body")).toString(),
                 QStringLiteral("{\"user_id\":\"%1\",\"capture_mode\":\"IMAGE\",\"ocr_text\":\"Total 42\","
                                "\"question\":\"What is the total?\",\"history\":[],\"image_base64\":\"/9j/AA==\","
                                "\"image_mime_type\":\"image/jpeg\",\"image_width\":1024,\"image_height\":512,"
                                "\"route_summary\":{\"text_like_ratio\":0.0,\"non_text_ratio\":0.0,"
                                "\"meaningful_table\":false,\"meaningful_chart\":false,\"meaningful_formula\":false,"
                                "\"meaningful_image\":false,\"multi_column\":false,\"card_like_layout\":false,"
                                "\"unstable_reading_order\":false,\"safe_text\":false}}")
                     .arg(m_userID));
    }

    void namedLanguageDecoratesOnlyWhatIsSent()
    {
        m_settings->setLanguagePreference(AppLanguagePreference::japanese);
        const QString question = QStringLiteral("Summarize.");
        const AIAnswer answer =
            awaitTask(m_provider->answer(textInput(), question, {}, *m_settings, m_userID, m_idToken));
        QCOMPARE(answer.question, question);
        const QJsonObject body = QJsonDocument::fromJson(lastBody(QStringLiteral("/ai/answer")).toUtf8()).object();
        QCOMPARE(body.value(QStringLiteral("question")).toString(),
                 m_settings->decoratePromptForPreferredLanguage(question));
        QVERIFY(body.value(QStringLiteral("question")).toString() != question);
    }

    void answerFailures_data()
    {
        QTest::addColumn<bool>("imageMode");
        QTest::addColumn<QJsonObject>("reply");
        QTest::addColumn<QString>("expected");

        const QString json = QStringLiteral("application/json");
        const QString unsupported = AIProviderError::backendImageModeUnsupported().message();
        QTest::newRow("old backend, image mode")
            << true << fault(500, "{\"error\":\"bad_request\",\"message\":\"  OCR_TEXT is required.\\n\"}", json)
            << unsupported;
        QTest::newRow("old backend wording, text mode")
            << false << fault(500, "{\"error\":\"bad_request\",\"message\":\"  OCR_TEXT is required.\\n\"}", json)
            << QStringLiteral("  OCR_TEXT is required.\n");
        QTest::newRow("400 with text-mode wording, image mode")
            << true
            << fault(400, "{\"error\":\"bad_request\",\"message\":\"ocr_text is required for text capture mode.\"}",
                     json)
            << unsupported;
        QTest::newRow("422 with the old wording, image mode")
            << true << fault(422, "{\"error\":\"bad_request\",\"message\":\"ocr_text is required.\"}", json)
            << QStringLiteral("ocr_text is required.");
        QTest::newRow("400 with another message, image mode")
            << true << fault(400, "{\"error\":\"bad_request\",\"message\":\"ocr_text is too long.\"}", json)
            << QStringLiteral("ocr_text is too long.");
        QTest::newRow("envelope message not a string")
            << false << fault(500, "{\"error\":\"e\",\"message\":5}", json)
            << QStringLiteral("Hosted backend request failed with status 500.");
        QTest::newRow("401 envelope") << false
                                      << fault(401, "{\"error\":\"unauthorized\",\"message\":\"Expired.\"}", json)
                                      << QStringLiteral("Expired.");
        QTest::newRow("502 html") << false
                                  << fault(502, "<html><body>Bad Gateway</body></html>", QStringLiteral("text/html"))
                                  << QStringLiteral("Hosted backend request failed with status 502.");
        QTest::newRow("400 envelope without error")
            << true << fault(400, "{\"message\":\"ocr_text is required.\"}", json)
            << QStringLiteral("Hosted backend request failed with status 400.");
        QTest::newRow("503 empty") << false << fault(503, "", json)
                                   << QStringLiteral("Hosted backend request failed with status 503.");
        QTest::newRow("only white space")
            << false << fault(200, "{\"answer\":\" \\n\\t \",\"provider\":\"p\",\"model\":\"m\"}", json)
            << AIProviderError::emptyResponse().message();
        QTest::newRow("malformed success")
            << false << fault(200, "{\"answer\":\"Hi\",", json)
            << QStringLiteral("The answer reply could not be read: unterminated object.");
        QTest::newRow("answer null") << false
                                     << fault(200, "{\"answer\":null,\"provider\":\"p\",\"model\":\"m\"}", json)
                                     << QStringLiteral(
                                            "The answer reply could not be read: \"answer\" is not a string.");
        QTest::newRow("success without model")
            << false << fault(200, "{\"answer\":\"Hi\",\"provider\":\"p\"}", json)
            << QStringLiteral("The answer reply could not be read: \"model\" is missing.");
    }
    void answerFailures()
    {
        QFETCH(bool, imageMode);
        QFETCH(QJsonObject, reply);
        QFETCH(QString, expected);
        QVERIFY(injectAt(QStringLiteral("/ai/answer"), reply));
        const CaptureAnswerInput input = imageMode ? sampleImageInput() : textInput();
        QCOMPARE(failureMessage(m_provider->answer(input, QStringLiteral("Q"), {}, *m_settings, m_userID, m_idToken)),
                 expected);
    }

    void answerServiceFaultsLeaveTheNextQuestionWorking_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<bool>("dies");
        QTest::addColumn<QString>("expected"); // empty: whatever the transport says
        QTest::newRow("answers past the time limit")
            << QJsonObject{{QStringLiteral("delay_ms"), 3000}} << false << QStringLiteral("The request timed out.");
        // Qt sends once more on a connection closed before any answer: both are closed.
        QTest::newRow("closes the connection")
            << QJsonObject{{QStringLiteral("close"), true}, {QStringLiteral("times"), 2}} << false
            << QStringLiteral("Connection closed");
        QTest::newRow("dies mid-request") << QJsonObject{{QStringLiteral("delay_ms"), 3000}} << true << QString();
    }
    void answerServiceFaultsLeaveTheNextQuestionWorking()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(bool, dies);
        QFETCH(QString, expected);
        std::unique_ptr<DevServerProcess> dying = dies ? std::make_unique<DevServerProcess>() : nullptr;
        DevServerProcess &server = dies ? *dying : *m_server;
        m_settings->setHostedBackendBaseURL(server.baseUrlString());
        fault.insert(QStringLiteral("path"), QStringLiteral("/ai/answer"));
        QVERIFY(server.injectFault(fault));
        if (dies)
            QTimer::singleShot(300, [&] { dying->stop(); });
        OpenAIProvider provider(m_network, 1s);
        const ConversationTurn earlier{QUuid::createUuid(), QStringLiteral("First?"), QStringLiteral("First answer."),
                                       QDateTime::currentDateTime(), QStringLiteral("p")};
        const QString message = failureMessage(
            provider.answer(textInput(), QStringLiteral("Q"), {earlier}, *m_settings, m_userID, m_idToken));
        QVERIFY2(expected.isEmpty() ? !message.isEmpty() : message == expected, qPrintable(message));
        m_settings->setHostedBackendBaseURL(m_server->baseUrlString());
        QVERIFY(
            !awaitTask(provider.answer(textInput(), QStringLiteral("Q"), {earlier}, *m_settings, m_userID, m_idToken))
                 .content.isEmpty());
        QVERIFY(lastBody(QStringLiteral("/ai/answer")).contains(QStringLiteral("First answer.")));
    }

    void credentialsFollowNoRedirectAway_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("sameOrigin");
        QTest::addColumn<QString>("expected"); // empty: the request succeeds
        QTest::newRow("answer, 307 to another port")
            << "/ai/answer" << 307 << false << QStringLiteral("Hosted backend request failed with status 307.");
        QTest::newRow("answer, 307 to the same origin") << "/ai/answer" << 307 << true << QString();
        QTest::newRow("presets, 308 to another port")
            << "/prompt-presets" << 308 << false
            << QStringLiteral("Hosted backend preset request failed with status 308.");
    }
    void credentialsFollowNoRedirectAway()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(bool, sameOrigin);
        QFETCH(QString, expected);
        QTcpServer elsewhere;
        QVERIFY(elsewhere.listen(QHostAddress::LocalHost));
        QSignalSpy visits(&elsewhere, &QTcpServer::newConnection);
        const QString target =
            sameOrigin ? m_server->baseUrlString() : QStringLiteral("http://127.0.0.1:%1").arg(elsewhere.serverPort());
        QVERIFY(injectAt(path, {{QStringLiteral("status"), status}, {QStringLiteral("location"), target + path}}));
        OpenAIProvider provider(m_network, 3s);
        const QString message = path == QStringLiteral("/ai/answer")
                                    ? failureMessage(provider.answer(textInput(), QStringLiteral("Q"), {}, *m_settings,
                                                                     m_userID, m_idToken))
                                    : failureMessage(provider.fetchPromptPresets(*m_settings, m_userID, m_idToken));
        QCOMPARE(message, expected);
        QTest::qWait(50);
        QCOMPARE(visits.count(), 0);
    }

    void answerTrimsTheReply()
    {
        QVERIFY(
            injectAt(QStringLiteral("/ai/answer"),
                     fault(200, "{\"answer\":\"\\n  Forty-two. \\n\",\"provider\":\"p\",\"model\":\"m\",\"usage\":{}}",
                           QStringLiteral("application/json"))));
        const AIAnswer answer =
            awaitTask(m_provider->answer(textInput(), QStringLiteral("Q"), {}, *m_settings, m_userID, m_idToken));
        QCOMPARE(answer.content, QStringLiteral("Forty-two."));
        QCOMPARE(answer.providerName, QStringLiteral("p (m)"));
    }

    void slowServerTimesOut()
    {
        QVERIFY(injectAt(QStringLiteral("/ai/answer"),
                         fault(200, "{\"answer\":\"late\",\"provider\":\"p\",\"model\":\"m\"}",
                               QStringLiteral("application/json"), 3000)));
        OpenAIProvider impatient(m_network, 300ms);
        QCOMPARE(
            failureMessage(impatient.answer(textInput(), QStringLiteral("Q"), {}, *m_settings, m_userID, m_idToken)),
            QStringLiteral("The request timed out."));
    }

    void refusedConnectionCarriesTheTransportText()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        m_settings->setHostedBackendBaseURL(QStringLiteral("http://127.0.0.1:%1").arg(port));
        const QString message = failureMessage(m_provider->fetchPromptPresets(*m_settings, m_userID, m_idToken));
        QVERIFY2(message.contains(QStringLiteral("refused"), Qt::CaseInsensitive), qPrintable(message));
    }

    void unsafeOrBrokenBaseURLSendsNothing_data()
    {
        QTest::addColumn<QString>("base");
        // 0.0.0.0 reaches this machine's listeners, so a request let through would be seen.
        QTest::newRow("plain http, not loopback") << QStringLiteral("http://0.0.0.0:%1");
        QTest::newRow("empty") << QString();
        QTest::newRow("unparsable") << QStringLiteral("http://127.0.0.1:%1 /x");
    }
    void unsafeOrBrokenBaseURLSendsNothing()
    {
        QFETCH(QString, base);
        const QString marker = QStringLiteral("marker-%1").arg(QString::fromUtf8(QTest::currentDataTag()));
        awaitTask(m_provider->answer(textInput(), marker, {}, *m_settings, m_userID, m_idToken));
        m_settings->setHostedBackendBaseURL(base.contains(QLatin1Char('%')) ? base.arg(m_server->baseUrl().port())
                                                                            : base);
        const QString invalid = AIProviderError::invalidBaseURL().message();
        QCOMPARE(
            failureMessage(m_provider->answer(textInput(), QStringLiteral("Q"), {}, *m_settings, m_userID, m_idToken)),
            invalid);
        QCOMPARE(failureMessage(m_provider->fetchPromptPresets(*m_settings, m_userID, m_idToken)), invalid);
        QCOMPARE(failureMessage(m_provider->updatePromptPresets(*m_settings, m_userID, m_idToken, samplePresets())),
                 invalid);
        QVERIFY(lastBody(QStringLiteral("/ai/answer")).contains(marker));
    }

    void presetsRoundTripWithAnAwkwardUserID()
    {
        signInAs(awkwardDevUser);
        QCOMPARE(awaitTask(m_provider->updatePromptPresets(*m_settings, m_userID, m_idToken, samplePresets())),
                 samplePresets());
        const std::optional<QJsonObject> put = m_server->lastRequest(QStringLiteral("/prompt-presets"));
        QVERIFY(put);
        QCOMPARE(put->value(QStringLiteral("method")).toString(), QStringLiteral("PUT"));
        QVERIFY(put->value(QStringLiteral("body"))
                    .toString()
                    .startsWith(QStringLiteral("{\"user_id\":\"%1\",\"presets\":[{\"id\":\"explain\",").arg(m_userID)));

        QCOMPARE(awaitTask(m_provider->fetchPromptPresets(*m_settings, m_userID, m_idToken)), samplePresets());
        const std::optional<QJsonObject> get = m_server->lastRequest(QStringLiteral("/prompt-presets"));
        QVERIFY(get);
        QCOMPARE(get->value(QStringLiteral("query")).toString(),
                 QStringLiteral("user_id=") + QString::fromLatin1(QUrl::toPercentEncoding(m_userID)));
        QVERIFY(!get->value(QStringLiteral("headers")).toObject().contains(QStringLiteral("content-type")));
        signInAs(QString());
    }

    void presetFailures_data()
    {
        QTest::addColumn<bool>("update");
        QTest::addColumn<QJsonObject>("reply");
        QTest::addColumn<QString>("expected");

        const QString json = QStringLiteral("application/json");
        QTest::newRow("fetch 404 envelope")
            << false << fault(404, "{\"error\":\"not_found\",\"message\":\" No presets \"}", json)
            << QStringLiteral(" No presets ");
        QTest::newRow("fetch 500 html") << false << fault(500, "<h1>oops</h1>", QStringLiteral("text/html"))
                                        << QStringLiteral("Hosted backend preset request failed with status 500.");
        QTest::newRow("update 401 empty")
            << true << fault(401, "", json) << QStringLiteral("Hosted backend preset update failed with status 401.");
        QTest::newRow("update 409 envelope")
            << true << fault(409, "{\"error\":\"conflict\",\"message\":\"Try again.\"}", json)
            << QStringLiteral("Try again.");
        QTest::newRow("fetch entry without subtitle")
            << false << fault(200, "{\"presets\":[{\"id\":\"explain\",\"title\":\"T\",\"prompt\":\"P\"}]}", json)
            << QStringLiteral("The preset reply could not be read: \"subtitle\" is missing.");
        QTest::newRow("update reply without presets")
            << true << fault(200, "{\"saved\":true}", json)
            << QStringLiteral("The preset reply could not be read: \"presets\" is not a list.");
    }
    void presetFailures()
    {
        QFETCH(bool, update);
        QFETCH(QJsonObject, reply);
        QFETCH(QString, expected);
        QVERIFY(injectAt(QStringLiteral("/prompt-presets"), reply));
        const QString message =
            update ? failureMessage(m_provider->updatePromptPresets(*m_settings, m_userID, m_idToken, samplePresets()))
                   : failureMessage(m_provider->fetchPromptPresets(*m_settings, m_userID, m_idToken));
        QCOMPARE(message, expected);
    }

    void emptyPresetListIsNoError()
    {
        QVERIFY(injectAt(QStringLiteral("/prompt-presets"),
                         fault(200, "{\"presets\":[]}", QStringLiteral("application/json"))));
        QVERIFY(awaitTask(m_provider->fetchPromptPresets(*m_settings, m_userID, m_idToken)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(HostedClientTest)
#include "tst_hosted_client.moc"
