#include "AwaitTask.h"
#include "DevServerProcess.h"
#include "HostedSamples.h"
#include "auth/JWTClaims.h"
#include "hosted/AIProviderError.h"
#include "hosted/OpenAIProvider.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"

#include <QCoro/QCoroTask>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {
CaptureAnswerInput textInput()
{
    CaptureAnswerInput input;
    input.ocrText = u"Running text"_s;
    return input;
}

QList<StoredPromptPreset> samplePresets()
{
    return {{u"explain"_s, u"Explain"_s, u"What it means"_s, u"Explain this & that = \"clear\""_s},
            {u"keyPoint"_s, u"Key points"_s, QString(), u"List them."_s}};
}

// What the development server answers in place of the route, once.
QJsonObject fault(int status, const QByteArray &body, const QString &contentType = u"application/json"_s)
{
    return {{u"status"_s, status}, {u"body"_s, QString::fromUtf8(body)}, {u"content_type"_s, contentType}};
}
} // namespace

class HostedClientTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<DevServerProcess> m_server;
    QTcpServer m_elsewhere; // where redirects away point; nothing may reach it
    QNetworkAccessManager m_network;
    InMemoryKeyValueStore m_store;
    std::unique_ptr<DeveloperSettingsStore> m_settings;
    std::unique_ptr<OpenAIProvider> m_provider;
    QString m_userID;
    QString m_idToken;

    bool injectAt(const QString &path, QJsonObject reply)
    {
        reply.insert(u"path"_s, path);
        return m_server->injectFault(reply);
    }

    QString lastBody(const QString &path)
    {
        const std::optional<QJsonObject> request = m_server->lastRequest(path);
        return request ? request->value(u"body").toString() : QString();
    }

    QCoro::Task<AIAnswer> ask(OpenAIProvider &provider, const CaptureAnswerInput &input,
                              const QList<ConversationTurn> &history = {})
    {
        return provider.answer(input, u"Q"_s, history, *m_settings, m_userID, m_idToken);
    }

    // What one call of the provider ends with: "answer / provider", or the error's message. The calls
    // are "text" and "image" questions, and "fetch" and "update" of the presets.
    QString outcome(OpenAIProvider &provider, const QString &call)
    {
        if (call == u"fetch")
            return failureMessage(provider.fetchPromptPresets(*m_settings, m_userID, m_idToken));
        if (call == u"update")
            return failureMessage(provider.updatePromptPresets(*m_settings, m_userID, m_idToken, samplePresets()));
        const auto answer = runToEnd(ask(provider, call == u"image" ? sampleImageInput() : textInput()));
        return answer.value ? answer.value->content + u" / "_s + answer.value->providerName : answer.error;
    }

    void signInAs(const QString &devUser)
    {
        const std::optional<QJsonObject> tokens = m_server->signIn(devUser);
        QVERIFY(tokens);
        m_idToken = tokens->value(u"id_token").toString();
        m_userID = JWTClaims::decode(m_idToken).value(u"sub"_s).toString();
        QVERIFY(!m_userID.isEmpty());
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<DevServerProcess>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        QVERIFY(m_elsewhere.listen(QHostAddress::LocalHost));
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

    // The question goes out in the named language's wrapping; the answer keeps the question asked.
    void firstImageQuestionSendsTheImageHeadersAndDecoratedQuestion()
    {
        m_settings->setLanguagePreference(AppLanguagePreference::japanese);
        const AIAnswer answer = awaitTask(
            m_provider->answer(sampleImageInput(), u"What is the total?"_s, {}, *m_settings, m_userID, m_idToken));
        QCOMPARE(answer.question, u"What is the total?"_s);
        QCOMPARE(answer.providerName, u"orvanta-devserver (offline)"_s);

        const std::optional<QJsonObject> request = m_server->lastRequest(u"/ai/answer"_s);
        QVERIFY(request);
        const QJsonObject headers = request->value(u"headers").toObject();
        QCOMPARE(headers.value(u"authorization").toString(), u"Bearer "_s + m_idToken);
        QCOMPARE(headers.value(u"content-type").toString(), u"application/json"_s);
        // The question as the wire's JSON writes it.
        const QString sent =
            m_settings->decoratePromptForPreferredLanguage(u"What is the total?"_s).replace(u'\n', u"\\n"_s);
        QCOMPARE(request->value(u"body").toString(),
                 uR"({"user_id":"%1","capture_mode":"IMAGE","ocr_text":"Total 42","question":"%2",)"
                 uR"("history":[],"image_base64":"/9j/AA==","image_mime_type":"image/jpeg","image_width":1024,)"
                 uR"("image_height":512,"route_summary":{"text_like_ratio":0.0,"non_text_ratio":0.0,)"
                 uR"("meaningful_table":false,"meaningful_chart":false,"meaningful_formula":false,)"
                 uR"("meaningful_image":false,"multi_column":false,"card_like_layout":false,)"
                 uR"("unstable_reading_order":false,"safe_text":false}})"_s.arg(m_userID, sent));
    }

    void faultyReplies_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QJsonObject>("reply");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &call, const QJsonObject &reply, const QString &expected) {
            QTest::newRow(name) << call << reply << expected;
        };
        const QString unsupported = AIProviderError::backendImageModeUnsupported().message();
        const QString failed = u"Hosted backend request failed with status %1."_s;
        const QString unreadable = u"The answer reply could not be read: "_s;
        const QByteArray oldWording = R"({"error":"bad_request","message":"  OCR_TEXT is required.\n"})";
        const QString text = u"text"_s, image = u"image"_s, fetch = u"fetch"_s, update = u"update"_s;
        row("old backend, image mode", image, fault(500, oldWording), unsupported);
        row("old backend wording, text mode", text, fault(500, oldWording), u"  OCR_TEXT is required.\n"_s);
        row("400 with text-mode wording, image mode", image,
            fault(400, R"({"error":"bad_request","message":"ocr_text is required for text capture mode."})"),
            unsupported);
        row("422 with the old wording, image mode", image,
            fault(422, R"({"error":"bad_request","message":"ocr_text is required."})"), u"ocr_text is required."_s);
        row("400 with another message, image mode", image,
            fault(400, R"({"error":"bad_request","message":"ocr_text is too long."})"), u"ocr_text is too long."_s);
        row("401 envelope", text, fault(401, R"({"error":"unauthorized","message":"Expired."})"), u"Expired."_s);
        row("502 html", text, fault(502, "<html><body>Bad Gateway</body></html>", u"text/html"_s), failed.arg(502));
        row("400 envelope without error", image, fault(400, R"({"message":"ocr_text is required."})"), failed.arg(400));
        row("403 empty: an answer, not a lost connection", text, fault(403, ""), failed.arg(403));
        row("only white space", text, fault(200, R"({"answer":" \n\t ","provider":"p","model":"m"})"),
            AIProviderError::emptyResponse().message());
        row("malformed success", text, fault(200, R"({"answer":"Hi",)"), unreadable + u"unterminated object."_s);
        row("answer null", text, fault(200, R"({"answer":null,"provider":"p","model":"m"})"),
            unreadable + u"\"answer\" is not a string."_s);
        row("success without model", text, fault(200, R"({"answer":"Hi","provider":"p"})"),
            unreadable + u"\"model\" is missing."_s);
        row("answer trimmed", text, fault(200, R"({"answer":"\n  Forty-two. \n","provider":"p","model":"m"})"),
            u"Forty-two. / p (m)"_s);
        const QString elsewhere = u"http://127.0.0.1:%1"_s.arg(m_elsewhere.serverPort());
        const auto redirect = [](int status, const QString &location) {
            return QJsonObject{{u"status"_s, status}, {u"location"_s, location}};
        };
        row("answer, 307 to another port", text, redirect(307, elsewhere + u"/ai/answer"_s), failed.arg(307));
        row("answer, 307 to the same origin", text, redirect(307, m_server->baseUrlString() + u"/ai/answer"_s),
            u"**Offline answer** from the development server.\n\nYou asked:\n\n> Q\n\nRecognised text:\n\n"
            "> Running text\n\nEarlier turns in this conversation: 0. / orvanta-devserver (offline)"_s);
        row("presets, 308 to another port", fetch, redirect(308, elsewhere + u"/prompt-presets"_s),
            u"Hosted backend preset request failed with status 308."_s);
        row("fetch 404 envelope", fetch, fault(404, R"({"error":"not_found","message":" No presets "})"),
            u" No presets "_s);
        row("update 401 empty", update, fault(401, ""), u"Hosted backend preset update failed with status 401."_s);
    }
    void faultyReplies()
    {
        QFETCH(QString, call);
        QFETCH(QJsonObject, reply);
        QFETCH(QString, expected);
        QVERIFY(injectAt(call == u"fetch" || call == u"update" ? u"/prompt-presets"_s : u"/ai/answer"_s, reply));
        QSignalSpy visits(&m_elsewhere, &QTcpServer::newConnection);
        OpenAIProvider provider(m_network, 3s);
        QCOMPARE(outcome(provider, call), expected);
        if (reply.contains(u"location"))
            QTest::qWait(50);
        QCOMPARE(visits.count(), 0);
    }

    void answerServiceFaultsLeaveTheNextQuestionWorking_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<QString>("expected");
        QTest::newRow("answers past the time limit")
            << QJsonObject{{u"delay_ms"_s, 3000}} << u"The request timed out."_s;
        // Qt sends once more on a connection closed before any answer: both are closed.
        QTest::newRow("closes the connection")
            << QJsonObject{{u"close"_s, true}, {u"times"_s, 2}} << u"Connection closed"_s;
    }
    void answerServiceFaultsLeaveTheNextQuestionWorking()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(QString, expected);
        fault.insert(u"path"_s, u"/ai/answer"_s);
        QVERIFY(m_server->injectFault(fault));
        OpenAIProvider provider(m_network, 1s);
        const ConversationTurn earlier{QUuid::createUuid(), u"First?"_s, u"First answer."_s,
                                       QDateTime::currentDateTime(), u"p"_s};
        const QString message = failureMessage(ask(provider, textInput(), {earlier}));
        QCOMPARE(message, expected);
        QVERIFY(!awaitTask(ask(provider, textInput(), {earlier})).content.isEmpty());
        QVERIFY(lastBody(u"/ai/answer"_s).contains(u"First answer."_s));
    }

    void plainHttpOffLoopbackSendsNothing()
    {
        const QString marker = u"marker"_s;
        awaitTask(m_provider->answer(textInput(), marker, {}, *m_settings, m_userID, m_idToken));
        // 0.0.0.0 reaches this machine's listeners, so a request let through would be seen.
        m_settings->setHostedBackendBaseURL(u"http://0.0.0.0:%1"_s.arg(m_server->baseUrl().port()));
        for (const QString &call : {u"text"_s, u"fetch"_s, u"update"_s})
            QCOMPARE(outcome(*m_provider, call), AIProviderError::invalidBaseURL().message());
        QVERIFY(lastBody(u"/ai/answer"_s).contains(marker));
    }

    void presetsRoundTripWithAnAwkwardUserID()
    {
        // A user ID that needs every kind of escaping in a query.
        signInAs(u"a+b&c=d \u00e9/?#%"_s);
        QCOMPARE(awaitTask(m_provider->updatePromptPresets(*m_settings, m_userID, m_idToken, samplePresets())),
                 samplePresets());
        const std::optional<QJsonObject> put = m_server->lastRequest(u"/prompt-presets"_s);
        QVERIFY(put);
        QCOMPARE(put->value(u"method").toString(), u"PUT"_s);
        QVERIFY(put->value(u"body").toString().startsWith(
            u"{\"user_id\":\"%1\",\"presets\":[{\"id\":\"explain\","_s.arg(m_userID)));

        QCOMPARE(awaitTask(m_provider->fetchPromptPresets(*m_settings, m_userID, m_idToken)), samplePresets());
        const std::optional<QJsonObject> get = m_server->lastRequest(u"/prompt-presets"_s);
        QVERIFY(get);
        QCOMPARE(get->value(u"query").toString(),
                 u"user_id="_s + QString::fromLatin1(QUrl::toPercentEncoding(m_userID)));
        QVERIFY(!get->value(u"headers").toObject().contains(u"content-type"));
        signInAs(QString());
    }
};

QTEST_GUILESS_MAIN(HostedClientTest)
#include "tst_hosted_client.moc"
