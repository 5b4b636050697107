#include "DevServerProcess.h"
#include "StandInModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

using Headers = QList<QPair<QByteArray, QByteArray>>;
using Fields = QList<QPair<QString, QString>>;
const QString redirectUri = u"com.orvanta.desktop.auth://auth/cognito"_s;
const QByteArray verifier = "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk-this-is-a-long-enough-verifier";

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

Headers bearer(const QString &token)
{
    return {{"Authorization", "Bearer " + token.toLatin1()}, {"Content-Type", "application/json"}};
}

// The query with some items replaced or added; an empty value removes the item.
QUrlQuery changed(QUrlQuery query, const Fields &changes)
{
    for (const auto &[name, value] : changes) {
        query.removeAllQueryItems(name);
        if (!value.isEmpty())
            query.addQueryItem(name, value);
    }
    return query;
}

// The authorize request the application sends, with some parameters changed.
QString authorizeQuery(const Fields &changes = {})
{
    return u"/oauth2/authorize?"_s +
           changed(DevServerProcess::authorizeQuery(verifier, "state-123"), changes).toString(QUrl::FullyEncoded);
}

QUrlQuery callbackOf(const DevServerProcess::Reply &reply)
{
    return QUrlQuery(QUrl::fromEncoded(reply.headers.value("location")));
}

QString codeFrom(DevServerProcess &server)
{
    return callbackOf(server.request("GET", authorizeQuery())).queryItemValue(u"code"_s);
}

QJsonObject textRequest()
{
    return QJsonDocument::fromJson(
               R"({"user_id":"dev-user-0001","capture_mode":"TEXT",)"
               R"("ocr_text":"Invoice total: 42 EUR","question":"What is the total?","history":[]})")
        .object();
}

QJsonArray presetList()
{
    QJsonArray list;
    for (const QString &id : {u"explain"_s, u"summarize"_s, u"simplify"_s, u"keyPoint"_s})
        list.append(QJsonObject{{u"id"_s, id},
                                {u"title"_s, id + u" v2"_s},
                                {u"subtitle"_s, u"Sub "_s + id},
                                {u"prompt"_s, u"Prompt for "_s + id + u" ✓"_s}});
    return list;
}

} // namespace

class DevServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.errorString()));
        QVERIFY(m_server.baseUrlString().startsWith(u"http://127.0.0.1:"_s));
        const auto tokens = m_server.signIn();
        QVERIFY(tokens);
        m_tokens = *tokens;
    }

    void authorizeRefusals_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("error"); // empty: a 400 page, never a redirect
        QTest::addColumn<bool>("stateEchoed");
        const auto row = [](const char *name, const QString &query, const QString &error = {}, bool echoed = true) {
            QTest::newRow(name) << query << error << echoed;
        };
        const QString invalid = u"invalid_request"_s;
        row("unknown client", authorizeQuery({{u"client_id"_s, u"x"_s}}));
        row("unregistered redirect", authorizeQuery({{u"redirect_uri"_s, u"https://evil.example/cb"_s}}));
        row("repeated redirect", authorizeQuery() + u"&redirect_uri=x"_s);
        row("implicit grant", authorizeQuery({{u"response_type"_s, u"token"_s}}), u"unsupported_response_type"_s);
        row("plain challenge", authorizeQuery({{u"code_challenge_method"_s, u"plain"_s}}), invalid);
        row("short challenge", authorizeQuery({{u"code_challenge"_s, u"abc"_s}}), invalid);
        row("no state", authorizeQuery({{u"state"_s, QString()}}), invalid, false);
        row("repeated state", authorizeQuery() + u"&state=other"_s, invalid);
    }
    void authorizeRefusals()
    {
        QFETCH(QString, query);
        QFETCH(QString, error);
        QFETCH(bool, stateEchoed);
        const auto reply = m_server.request("GET", query);
        QCOMPARE(reply.status, error.isEmpty() ? 400 : 302);
        if (error.isEmpty()) {
            QVERIFY(!reply.headers.contains("location"));
            return;
        }
        const QString location = QString::fromUtf8(reply.headers.value("location"));
        QVERIFY2(location.startsWith(redirectUri + u'?'), qPrintable(location));
        const QUrlQuery callback = callbackOf(reply);
        QCOMPARE(callback.queryItemValue(u"error"_s), error);
        QVERIFY(!callback.queryItemValue(u"error_description"_s).isEmpty());
        QVERIFY(!callback.hasQueryItem(u"code"_s));
        QCOMPARE(callback.hasQueryItem(u"state"_s), stateEchoed);
    }

    void tokenRefusals_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value"); // empty: the field is left out
        QTest::addColumn<int>("spent");     // before: 0 nothing, 1 a success, 2 a wrong verifier, 3 expired
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("description"); // its start
        const auto row = [](const char *name, const QString &field, const QString &value, const QString &error,
                            int spent = 0, const QString &description = {}) {
            QTest::newRow(name) << field << value << spent << error << description;
        };
        const QString verifierField = u"code_verifier"_s;
        const QString grant = u"invalid_grant"_s;
        row("wrong verifier", verifierField, QString::fromLatin1(verifier).replace(0, 1, u'X'), grant);
        row("short verifier", verifierField, u"abc"_s, grant);
        row("no verifier", verifierField, QString(), u"invalid_request"_s);
        row("other redirect", u"redirect_uri"_s, u"com.orvanta.desktop.auth://auth/other"_s, grant);
        row("unknown code", u"code"_s, u"not-a-code"_s, grant);
        row("other client", u"client_id"_s, u"someone-else"_s, u"invalid_client"_s);
        row("unknown grant", u"grant_type"_s, u"password"_s, u"unsupported_grant_type"_s);
        row("no grant", u"grant_type"_s, QString(), u"invalid_request"_s);
        row("code used twice", QString(), QString(), grant, 1);
        row("code after a failed attempt", QString(), QString(), grant, 2);
        row("expired code", QString(), QString(), grant, 3, u"The authorization code has expired."_s);
    }
    void tokenRefusals()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(int, spent);
        QFETCH(QString, error);
        QFETCH(QString, description);
        const QString token = u"/oauth2/token"_s;
        if (spent == 3)
            QCOMPARE(m_server.request("POST", u"/_dev/settings"_s, R"({"code_lifetime":0})").status, 204);
        const QString code = codeFrom(m_server);
        if (spent == 3)
            QCOMPARE(m_server.request("POST", u"/_dev/settings"_s, R"({"code_lifetime":300})").status, 204);
        if (spent == 1 || spent == 2) {
            const QByteArray firstVerifier = spent == 1 ? verifier : "wrong"_ba.repeated(20);
            QCOMPARE(m_server.postForm(token, DevServerProcess::codeForm(code, firstVerifier)).status,
                     spent == 1 ? 200 : 400);
        }
        const auto reply =
            m_server.postForm(token, changed(DevServerProcess::codeForm(code, verifier), {{field, value}}));
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.json().value(u"error").toString(), error);
        const QJsonValue said = reply.json().value(u"error_description");
        QVERIFY2(said.isString() && said.toString().startsWith(description), reply.body.constData());
    }

    void shortLifetimeTokensExpire()
    {
        QVERIFY(m_server.setTokenLifetime(1));
        const auto tokens = m_server.signIn();
        QVERIFY(m_server.setTokenLifetime(3600));
        QVERIFY(tokens);
        QCOMPARE(tokens->value(u"expires_in").toInt(), 1);
        const Headers headers = bearer(tokens->value(u"id_token").toString());
        QTRY_COMPARE_WITH_TIMEOUT(
            m_server.request("POST", u"/ai/answer"_s, json(textRequest()), headers).json().value(u"message").toString(),
            u"The identity token has expired."_s, 5000);
    }

    void bearerRefusals_data()
    {
        QTest::addColumn<QByteArray>("authorization"); // "ID" and "ACCESS" stand for this run's tokens
        QTest::addColumn<int>("status");
        QTest::newRow("none") << QByteArray() << 401;
        QTest::newRow("access token") << QByteArray("Bearer ACCESS") << 401;
        QTest::newRow("tampered signature") << QByteArray("Bearer IDx") << 401;
        QTest::newRow("unsigned") << QByteArray("Bearer eyJhbGciOiJub25lIn0.eyJzdWIiOiJkZXYtdXNlci0wMDAxIn0.") << 401;
        QTest::newRow("valid") << QByteArray("Bearer ID") << 200;
    }
    void bearerRefusals()
    {
        QFETCH(QByteArray, authorization);
        QFETCH(int, status);
        authorization.replace("ACCESS", m_tokens.value(u"access_token").toString().toLatin1());
        authorization.replace("ID", m_tokens.value(u"id_token").toString().toLatin1());
        Headers headers{{"Content-Type", "application/json"}};
        if (!authorization.isEmpty())
            headers.append({"Authorization", authorization});
        for (const auto &[method, path, body] :
             {std::tuple{QByteArray("POST"), u"/ai/answer"_s, json(textRequest())},
              std::tuple{QByteArray("GET"), u"/prompt-presets?user_id=dev-user-0001"_s, QByteArray()}}) {
            const auto reply = m_server.request(method, path, body, headers);
            QCOMPARE(reply.status, status);
            if (status == 401)
                QCOMPARE(reply.json().value(u"error").toString(), u"unauthorized"_s);
        }
    }

    void requestBodiesAreChecked_data()
    {
        QTest::addColumn<QString>("path"); // a PUT to the presets, a POST to the answer
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // a part of the envelope's message, or of the reply
        const QString presets = u"/prompt-presets"_s;
        const auto row = [](const char *name, const QJsonObject &body, int status, const QString &message,
                            const QString &path = u"/ai/answer"_s) {
            QTest::newRow(name) << path << json(body) << status << message;
        };
        // The body with one member replaced, or removed when the value is undefined.
        const auto with = [](QJsonObject body, const QString &key, const QJsonValue &value) {
            if (value.isUndefined())
                body.remove(key);
            else
                body.insert(key, value);
            return body;
        };
        const QJsonObject text = textRequest();
        const QJsonObject summary =
            QJsonDocument::fromJson(
                R"({"text_like_ratio":0.8,"non_text_ratio":0.2,"meaningful_table":false,"meaningful_chart":false,)"
                R"("meaningful_formula":false,"meaningful_image":true,"multi_column":false,"card_like_layout":false,)"
                R"("unstable_reading_order":false,"safe_text":true})")
                .object();
        QJsonObject image = with(text, u"capture_mode"_s, u"IMAGE"_s);
        for (const auto &[key, value] : {std::pair{u"image_base64"_s, QJsonValue(u"iVBORyBmYWtlIGJ5dGVz"_s)},
                                         {u"image_mime_type"_s, u"image/png"_s},
                                         {u"image_width"_s, 640},
                                         {u"image_height"_s, 480}})
            image.insert(key, value);
        const QJsonArray oneTurn{QJsonObject{{u"question"_s, u"Before?"_s}, {u"answer"_s, u"Earlier answer"_s}}};
        const QJsonValue none = QJsonValue::Undefined;
        const QJsonObject update{{u"user_id"_s, u"dev-user-0001"_s}, {u"presets"_s, presetList()}};
        QJsonArray noSubtitle = presetList();
        noSubtitle.replace(0, with(noSubtitle.at(0).toObject(), u"subtitle"_s, none));

        QTest::newRow("not json") << u"/ai/answer"_s << QByteArray("{user_id:") << 400 << u"not JSON"_s;
        QTest::newRow("array") << u"/ai/answer"_s << QByteArray("[]") << 400 << u"JSON object"_s;
        row("no user_id", with(text, u"user_id"_s, none), 400, u"user_id is required"_s);
        row("lower-case mode", with(text, u"capture_mode"_s, u"text"_s), 400, u"TEXT or IMAGE"_s);
        row("ocr_text null", with(text, u"ocr_text"_s, QJsonValue::Null), 400, u"ocr_text must be a string"_s);
        row("blank question", with(text, u"question"_s, u" \n"_s), 400, u"question must not be empty"_s);
        row("no history", with(text, u"history"_s, none), 400, u"history is required"_s);
        row("history of strings", with(text, u"history"_s, QJsonArray{u"x"_s}), 400, u"history[0] must be an object"_s);
        row("camel-case key", with(text, u"imageBase64"_s, u"AAAA"_s), 400, u"unknown field \"imageBase64\""_s);
        row("image in text mode", with(text, u"image_base64"_s, u"AAAA"_s), 400, u"only allowed in IMAGE"_s);
        row("bad base64", with(image, u"image_base64"_s, u"not base64!"_s), 400, u"base64"_s);
        row("size without image", with(image, u"image_base64"_s, none), 400, u"need image_base64"_s);
        row("zero width", with(image, u"image_width"_s, 0), 400, u"image_width"_s);
        row("fractional height", with(image, u"image_height"_s, 2.5), 400, u"image_height"_s);
        row("non-image type", with(image, u"image_mime_type"_s, u"text/plain"_s), 400, u"image_mime_type"_s);
        row("image on follow-up", with(image, u"history"_s, oneTurn), 400, u"history is empty"_s);
        row("summary wrong type", with(text, u"route_summary"_s, with(summary, u"safe_text"_s, u"yes"_s)), 400,
            u"route_summary.safe_text must be a boolean"_s);
        row("summary missing key", with(text, u"route_summary"_s, with(summary, u"multi_column"_s, none)), 400,
            u"route_summary.multi_column is required"_s);
        row("other user", with(text, u"user_id"_s, u"dev-user-alice"_s), 403, u"does not match"_s);
        row("text without recognised text", with(text, u"ocr_text"_s, QString()), 200, u"No text was recognised"_s);
        QTest::newRow("presets not an object") << presets << QByteArray("[]") << 400 << u"JSON object"_s;
        row("no presets", with(update, u"presets"_s, none), 400, u"presets must be an array"_s, presets);
        row("missing subtitle", with(update, u"presets"_s, noSubtitle), 400, u"presets[0].subtitle"_s, presets);
        row("repeated id", with(update, u"presets"_s, presetList() + presetList().at(0)), 400, u"is repeated"_s,
            presets);
        row("other user's presets", with(update, u"user_id"_s, u"dev-user-alice"_s), 403, u"does not match"_s, presets);
        row("empty list", with(update, u"presets"_s, QJsonArray()), 200, u"\"presets\":[]"_s, presets);
    }
    void requestBodiesAreChecked()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, message);
        const auto reply = m_server.request(path == u"/ai/answer"_s ? "POST" : "PUT", path, body, idBearer());
        QCOMPARE(reply.status, status);
        if (status != 200)
            QCOMPARE(reply.json().value(u"error").toString(), status == 403 ? u"forbidden"_s : u"bad_request"_s);
        const QString said = status == 200 ? QString::fromUtf8(reply.body) : reply.json().value(u"message").toString();
        QVERIFY2(said.contains(message), reply.body.constData());
    }

    void anotherRunKeepsItsDataPrivateAndItsPresetsButNotTheseTokens()
    {
        QTemporaryDir parent;
        const QString dataDir = parent.filePath(u"new/data"_s);
        const QString ownPresets = u"/prompt-presets?user_id=dev-user-0001"_s;
        {
            DevServerProcess first({}, dataDir);
            QVERIFY2(first.isRunning(), qPrintable(first.errorString()));
            constexpr auto othersMayTouch = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::WriteOther | QFile::ExeOther;
            for (const QString &path : {dataDir, dataDir + u"/presets.sqlite"_s}) {
                QVERIFY2(QFileInfo::exists(path), qPrintable(path));
                QCOMPARE(QFileInfo(path).permissions() & othersMayTouch, QFile::Permissions());
            }
            QCOMPARE(first.request("POST", u"/ai/answer"_s, json(textRequest()), idBearer()).status, 401);
            const auto tokens = first.signIn();
            QVERIFY(tokens);
            const Headers headers = bearer(tokens->value(u"id_token").toString());
            const auto stored =
                first.request("PUT", u"/prompt-presets"_s,
                              json({{u"user_id"_s, u"dev-user-0001"_s}, {u"presets"_s, presetList()}}), headers);
            QCOMPARE(stored.status, 200);
            const QString code = codeFrom(first);
            QCOMPARE(first.refresh(tokens->value(u"refresh_token").toString()).status, 200);
            QVERIFY(first.stop());
            // The log names requests but carries none of their secrets.
            const QByteArray log = first.log();
            QVERIFY(log.contains("POST /oauth2/token -> 200"));
            for (const QString &secret :
                 {tokens->value(u"id_token").toString(), tokens->value(u"access_token").toString(),
                  tokens->value(u"refresh_token").toString(), code,
                  DevServerProcess::authorizeQuery(verifier, {}).queryItemValue(u"code_challenge"_s)})
                QVERIFY2(!log.contains(secret.left(20).toLatin1()), log.constData());
        }
        DevServerProcess second({}, dataDir);
        QVERIFY2(second.isRunning(), qPrintable(second.errorString()));
        const Headers headers = bearer(second.signIn()->value(u"id_token").toString());
        QCOMPARE(second.request("GET", ownPresets, {}, headers).json().value(u"presets").toArray(), presetList());
        // Another user's presets are their own.
        const Headers alice = bearer(second.signIn(u"alice"_s)->value(u"id_token").toString());
        const auto others = second.request("GET", u"/prompt-presets?user_id=dev-user-alice"_s, {}, alice);
        QCOMPARE(others.status, 200);
        QCOMPARE(others.json().value(u"presets").toArray(), QJsonArray());
    }

    void strangersAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Headers>("headers"); // a null value removes the harness's header
        QTest::addColumn<QByteArray>("body"); // a POST when not empty
        QTest::addColumn<int>("status");
        const QString lastToken = u"/_dev/last-request?path=%2Foauth2%2Ftoken"_s;
        const auto row = [](const char *name, const QString &path, const Headers &headers, int status,
                            const QByteArray &body = {}) { QTest::newRow(name) << path << headers << body << status; };
        row("rebound name", u"/oauth2/authorize"_s, {{"Host", "evil.example"}}, 421);
        row("other port", u"/nowhere"_s, {{"Host", "127.0.0.1:1"}}, 421);
        row("own host", u"/nowhere"_s, {}, 404);
        row("control without secret", lastToken, {{"X-Orvanta-Dev-Secret", QByteArray()}}, 403);
        row("control with wrong secret", lastToken, {{"X-Orvanta-Dev-Secret", "wrong"}}, 403);
        row("control as text", u"/_dev/faults"_s, {{"Content-Type", "text/plain"}}, 415, R"({"path":"/ai/answer"})");
    }
    void strangersAreRefused()
    {
        QFETCH(QString, path);
        QFETCH(Headers, headers);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const auto reply = m_server.request(body.isEmpty() ? "GET" : "POST", path, body, headers);
        QCOMPARE(reply.status, status);
        QVERIFY(!reply.body.contains("access_token"));
        // The refusal is the same whether or not anything was recorded.
        if (status == 403)
            QCOMPARE(reply.body, m_server.request("GET", path.replace(u"oauth2%2Ftoken"_s, u"x"_s), {}, headers).body);
    }

    void forwardsToAChatCompletionsEndpointThatMayHaveTheKey()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"ORVANTA_DEV_LLM_KEY"_s, u"sk-test-key"_s);
        // Plain HTTP would carry the key in the clear: only to this machine.
        environment.insert(u"ORVANTA_DEV_LLM_URL"_s, u"http://models.example/v1/chat/completions"_s);
        const DevServerProcess refused({}, {}, environment);
        QVERIFY(!refused.isRunning());
        QVERIFY2(refused.errorString().contains(u"https"_s), qPrintable(refused.errorString()));

        StandInModel model;
        environment.insert(u"ORVANTA_DEV_LLM_URL"_s, model.baseUrl().toString() + u"/chat/completions"_s);
        DevServerProcess server({}, {}, environment);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const Headers headers = bearer(server.signIn()->value(u"id_token").toString());

        QJsonObject followUp = textRequest();
        followUp.insert(u"history"_s,
                        QJsonArray{QJsonObject{{u"question"_s, u"First?"_s}, {u"answer"_s, u"First answer"_s}}});
        const auto reply = server.request("POST", u"/ai/answer"_s, json(followUp), headers);
        QCOMPARE(reply.json(), (QJsonObject{{u"answer"_s, StandInModel::answerFor(u"What is the total?"_s)},
                                            {u"model"_s, u"stand-in-1"_s},
                                            {u"provider"_s, u"orvanta-devserver"_s}}));
        QStringList said;
        for (const QJsonValue &message : model.lastBody()->value(u"messages").toArray())
            said.append(message[u"role"].toString() + u": "_s + message[u"content"].toString());
        QCOMPARE(said.mid(1),
                 (QStringList{u"user: First?"_s, u"assistant: First answer"_s, u"user: What is the total?"_s}));
        QVERIFY2(said.first().startsWith(u"system: "_s) && said.first().endsWith(u"\nInvoice total: 42 EUR"_s),
                 qPrintable(said.first()));
        QVERIFY(server.stop());
        QVERIFY(!server.log().contains("sk-test-key"));
    }

private:
    Headers idBearer() const { return bearer(m_tokens.value(u"id_token").toString()); }

    DevServerProcess m_server;
    QJsonObject m_tokens;
};

QTEST_MAIN(DevServerTest)
#include "tst_devserver.moc"
