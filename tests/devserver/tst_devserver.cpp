#include "DevServerProcess.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

namespace {

using Headers = QList<QPair<QByteArray, QByteArray>>;
constexpr auto base64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
const QString clientId = QStringLiteral("4kq8zt1vr7mw2hx9pbn3yjd6ca");
const QString redirectUri = QStringLiteral("com.orvanta.desktop.auth://auth/cognito");
const QByteArray verifier = "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk-this-is-a-long-enough-verifier";

QString challengeOf(const QByteArray &codeVerifier)
{
    return QString::fromLatin1(QCryptographicHash::hash(codeVerifier, QCryptographicHash::Sha256).toBase64(base64Url));
}

QJsonObject claimsOf(const QString &token)
{
    return QJsonDocument::fromJson(QByteArray::fromBase64(token.section(QLatin1Char('.'), 1, 1).toLatin1(), base64Url))
        .object();
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

Headers bearer(const QString &token)
{
    return {{"Authorization", "Bearer " + token.toLatin1()}, {"Content-Type", "application/json"}};
}

// The authorize query the application sends, with some parameters replaced ("" value: removed).
QString authorizeQuery(const QList<QPair<QString, QString>> &changes = {})
{
    QList<QPair<QString, QString>> items{{QStringLiteral("client_id"), clientId},
                                         {QStringLiteral("response_type"), QStringLiteral("code")},
                                         {QStringLiteral("scope"), QStringLiteral("openid email profile")},
                                         {QStringLiteral("redirect_uri"), redirectUri},
                                         {QStringLiteral("identity_provider"), QStringLiteral("Google")},
                                         {QStringLiteral("code_challenge_method"), QStringLiteral("S256")},
                                         {QStringLiteral("code_challenge"), challengeOf(verifier)},
                                         {QStringLiteral("state"), QStringLiteral("state-123")}};
    for (const auto &[name, value] : changes) {
        const auto it = std::find_if(items.begin(), items.end(), [&](const auto &item) { return item.first == name; });
        if (it != items.end() && value.isEmpty())
            items.erase(it);
        else if (it != items.end())
            it->second = value;
        else
            items.append({name, value});
    }
    QUrlQuery query;
    for (const auto &[name, value] : items)
        query.addQueryItem(name, value);
    return QStringLiteral("/oauth2/authorize?") + query.toString(QUrl::FullyEncoded);
}

QUrlQuery callbackOf(const DevServerProcess::Reply &reply)
{
    return QUrlQuery(QUrl::fromEncoded(reply.headers.value("location")));
}

QString codeFrom(DevServerProcess &server)
{
    return callbackOf(server.request("GET", authorizeQuery())).queryItemValue(QStringLiteral("code"));
}

DevServerProcess::Reply tokenRequest(DevServerProcess &server, const QList<QPair<QString, QString>> &fields)
{
    QUrlQuery form;
    for (const auto &[name, value] : fields)
        form.addQueryItem(name, value);
    return server.request("POST", QStringLiteral("/oauth2/token"), form.toString(QUrl::FullyEncoded).toUtf8(),
                          {{"Content-Type", "application/x-www-form-urlencoded"}});
}

// The code exchange the application sends for a code.
QList<QPair<QString, QString>> codeForm(const QString &code)
{
    return {{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
            {QStringLiteral("client_id"), clientId},
            {QStringLiteral("code"), code},
            {QStringLiteral("redirect_uri"), redirectUri},
            {QStringLiteral("code_verifier"), QString::fromLatin1(verifier)}};
}

QJsonObject textRequest(const QString &userId)
{
    return {{QStringLiteral("user_id"), userId},
            {QStringLiteral("capture_mode"), QStringLiteral("TEXT")},
            {QStringLiteral("ocr_text"), QStringLiteral("Invoice total: 42 EUR")},
            {QStringLiteral("question"), QStringLiteral("What is the total?")},
            {QStringLiteral("history"), QJsonArray()}};
}

QJsonObject routeSummary()
{
    return {{QStringLiteral("text_like_ratio"), 0.8},          {QStringLiteral("non_text_ratio"), 0.2},
            {QStringLiteral("meaningful_table"), false},       {QStringLiteral("meaningful_chart"), false},
            {QStringLiteral("meaningful_formula"), false},     {QStringLiteral("meaningful_image"), true},
            {QStringLiteral("multi_column"), false},           {QStringLiteral("card_like_layout"), false},
            {QStringLiteral("unstable_reading_order"), false}, {QStringLiteral("safe_text"), true}};
}

QJsonArray presetList(const QString &suffix)
{
    QJsonArray list;
    for (const QString &id : {QStringLiteral("explain"), QStringLiteral("summarize"), QStringLiteral("simplify"),
                              QStringLiteral("keyPoint")})
        list.append(QJsonObject{{QStringLiteral("id"), id},
                                {QStringLiteral("title"), id + suffix},
                                {QStringLiteral("subtitle"), QStringLiteral("Sub ") + id},
                                {QStringLiteral("prompt"), QStringLiteral("Prompt for ") + id + QStringLiteral(" ✓")}});
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
        QVERIFY(m_server.baseUrlString().startsWith(QStringLiteral("http://127.0.0.1:")));
        const auto tokens = m_server.signIn();
        QVERIFY(tokens);
        m_tokens = *tokens;
    }
    void init() { QVERIFY(m_server.clearFaults()); }

    void signInIssuesSignedIdentityTokens()
    {
        for (const QString &key : {QStringLiteral("access_token"), QStringLiteral("id_token"),
                                   QStringLiteral("refresh_token"), QStringLiteral("token_type")})
            QVERIFY2(m_tokens.value(key).isString(), qPrintable(key));
        QCOMPARE(m_tokens.value(QStringLiteral("expires_in")).toInt(), 3600);
        const QJsonObject claims = claimsOf(m_tokens.value(QStringLiteral("id_token")).toString());
        QCOMPARE(claims.value(QStringLiteral("iss")).toString(), m_server.baseUrlString());
        QCOMPARE(claims.value(QStringLiteral("aud")).toString(), clientId);
        QCOMPARE(claims.value(QStringLiteral("token_use")).toString(), QStringLiteral("id"));
        QCOMPARE(claims.value(QStringLiteral("exp")).toInteger() - claims.value(QStringLiteral("iat")).toInteger(),
                 3600);
    }

    void authorizeRefusals_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error"); // empty: a 400 page, never a redirect
        QTest::addColumn<bool>("stateEchoed");
        QTest::newRow("unknown client") << authorizeQuery({{QStringLiteral("client_id"), QStringLiteral("x")}}) << 400
                                        << QString() << false;
        QTest::newRow("unregistered redirect")
            << authorizeQuery({{QStringLiteral("redirect_uri"), QStringLiteral("https://evil.example/cb")}}) << 400
            << QString() << false;
        QTest::newRow("repeated redirect")
            << authorizeQuery() + QStringLiteral("&redirect_uri=x") << 400 << QString() << false;
        QTest::newRow("implicit grant") << authorizeQuery({{QStringLiteral("response_type"), QStringLiteral("token")}})
                                        << 302 << QStringLiteral("unsupported_response_type") << true;
        QTest::newRow("plain challenge") << authorizeQuery(
                                                {{QStringLiteral("code_challenge_method"), QStringLiteral("plain")}})
                                         << 302 << QStringLiteral("invalid_request") << true;
        QTest::newRow("no challenge") << authorizeQuery({{QStringLiteral("code_challenge"), QString()}}) << 302
                                      << QStringLiteral("invalid_request") << true;
        QTest::newRow("short challenge") << authorizeQuery({{QStringLiteral("code_challenge"), QStringLiteral("abc")}})
                                         << 302 << QStringLiteral("invalid_request") << true;
        QTest::newRow("no state") << authorizeQuery({{QStringLiteral("state"), QString()}}) << 302
                                  << QStringLiteral("invalid_request") << false;
        QTest::newRow("repeated state") << authorizeQuery() + QStringLiteral("&state=other") << 302
                                        << QStringLiteral("invalid_request") << true;
        QTest::newRow("control character user")
            << authorizeQuery({{QStringLiteral("dev_user"), QStringLiteral("a\tb")}}) << 302
            << QStringLiteral("invalid_request") << true;
    }
    void authorizeRefusals()
    {
        QFETCH(QString, query);
        QFETCH(int, status);
        QFETCH(QString, error);
        QFETCH(bool, stateEchoed);
        const auto reply = m_server.request("GET", query);
        QCOMPARE(reply.status, status);
        if (error.isEmpty()) {
            QVERIFY(!reply.headers.contains("location"));
            return;
        }
        const QString location = QString::fromUtf8(reply.headers.value("location"));
        QVERIFY2(location.startsWith(redirectUri + QLatin1Char('?')), qPrintable(location));
        const QUrlQuery callback = callbackOf(reply);
        QCOMPARE(callback.queryItemValue(QStringLiteral("error")), error);
        QVERIFY(!callback.queryItemValue(QStringLiteral("error_description")).isEmpty());
        QVERIFY(!callback.hasQueryItem(QStringLiteral("code")));
        QCOMPARE(callback.hasQueryItem(QStringLiteral("state")), stateEchoed);
    }

    void accountPickerOffersUsersAndDevUserPicksOne()
    {
        const auto page =
            m_server.request("GET", authorizeQuery({{QStringLiteral("prompt"), QStringLiteral("select_account")}}));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("dev_user=alice"));
        const auto alice = m_server.signIn(QStringLiteral("alice"));
        QVERIFY(alice);
        QCOMPARE(claimsOf(alice->value(QStringLiteral("id_token")).toString()).value(QStringLiteral("sub")).toString(),
                 QStringLiteral("dev-user-alice"));
    }

    void tokenRefusals_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value"); // empty: the field is left out
        QTest::addColumn<QString>("error");
        QTest::newRow("wrong verifier") << "code_verifier"
                                        << QString::fromLatin1(verifier).replace(0, 1, QLatin1Char('X'))
                                        << "invalid_grant";
        QTest::newRow("short verifier") << "code_verifier"
                                        << "abc"
                                        << "invalid_grant";
        QTest::newRow("no verifier") << "code_verifier" << QString() << "invalid_request";
        QTest::newRow("other redirect") << "redirect_uri"
                                        << "com.orvanta.desktop.auth://auth/other"
                                        << "invalid_grant";
        QTest::newRow("unknown code") << "code"
                                      << "not-a-code"
                                      << "invalid_grant";
        QTest::newRow("other client") << "client_id"
                                      << "someone-else"
                                      << "invalid_client";
        QTest::newRow("unknown grant") << "grant_type"
                                       << "password"
                                       << "unsupported_grant_type";
        QTest::newRow("no grant") << "grant_type" << QString() << "invalid_request";
    }
    void tokenRefusals()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, error);
        QList<QPair<QString, QString>> form = codeForm(codeFrom(m_server));
        for (auto it = form.begin(); it != form.end(); ++it) {
            if (it->first == field) {
                if (value.isEmpty())
                    form.erase(it);
                else
                    it->second = value;
                break;
            }
        }
        const auto reply = tokenRequest(m_server, form);
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.json().value(QStringLiteral("error")).toString(), error);
        QVERIFY(reply.json().value(QStringLiteral("error_description")).isString());
    }

    void codesAreSingleUseAndExpire()
    {
        const QString code = codeFrom(m_server);
        QCOMPARE(tokenRequest(m_server, codeForm(code)).status, 200);
        QCOMPARE(tokenRequest(m_server, codeForm(code)).json().value(QStringLiteral("error")).toString(),
                 QStringLiteral("invalid_grant"));

        // A failed attempt spends the code too.
        const QString tried = codeFrom(m_server);
        auto wrong = codeForm(tried);
        wrong.last().second = QString::fromLatin1(verifier).replace(1, 1, QLatin1Char('Q'));
        QCOMPARE(tokenRequest(m_server, wrong).status, 400);
        QCOMPARE(tokenRequest(m_server, codeForm(tried)).status, 400);

        QCOMPARE(m_server.request("POST", QStringLiteral("/_dev/settings"), R"({"code_lifetime":0})").status, 204);
        const QString expired = codeFrom(m_server);
        QCOMPARE(m_server.request("POST", QStringLiteral("/_dev/settings"), R"({"code_lifetime":300})").status, 204);
        QCOMPARE(tokenRequest(m_server, codeForm(expired)).json().value(QStringLiteral("error_description")).toString(),
                 QStringLiteral("The authorization code has expired."));
    }

    void refreshIssuesNewTokensWithoutRefreshToken()
    {
        const QString refreshToken = m_tokens.value(QStringLiteral("refresh_token")).toString();
        const auto reply = tokenRequest(m_server, {{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                                                   {QStringLiteral("client_id"), clientId},
                                                   {QStringLiteral("refresh_token"), refreshToken}});
        QCOMPARE(reply.status, 200);
        const QJsonObject renewed = reply.json();
        QVERIFY(!renewed.contains(QStringLiteral("refresh_token")));
        QCOMPARE(renewed.value(QStringLiteral("token_type")).toString(), QStringLiteral("Bearer"));
        QVERIFY(renewed.value(QStringLiteral("access_token")).isString());
        const QString idToken = renewed.value(QStringLiteral("id_token")).toString();
        QVERIFY(idToken != m_tokens.value(QStringLiteral("id_token")).toString());
        QCOMPARE(m_server
                     .request("POST", QStringLiteral("/ai/answer"), json(textRequest(QStringLiteral("dev-user-0001"))),
                              bearer(idToken))
                     .status,
                 200);

        const auto bogus = tokenRequest(m_server, {{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                                                   {QStringLiteral("client_id"), clientId},
                                                   {QStringLiteral("refresh_token"), QStringLiteral("nope")}});
        QCOMPARE(bogus.json().value(QStringLiteral("error")).toString(), QStringLiteral("invalid_grant"));
    }

    void shortLifetimeTokensExpire()
    {
        QVERIFY(m_server.setTokenLifetime(1));
        const auto tokens = m_server.signIn();
        QVERIFY(m_server.setTokenLifetime(3600));
        QVERIFY(tokens);
        QCOMPARE(tokens->value(QStringLiteral("expires_in")).toInt(), 1);
        const QString idToken = tokens->value(QStringLiteral("id_token")).toString();
        const QByteArray body = json(textRequest(QStringLiteral("dev-user-0001")));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.request("POST", QStringLiteral("/ai/answer"), body, bearer(idToken))
                                      .json()
                                      .value(QStringLiteral("message"))
                                      .toString(),
                                  QStringLiteral("The identity token has expired."), 5000);
    }

    void bearerRefusals_data()
    {
        QTest::addColumn<QByteArray>("authorization"); // "ID" and "ACCESS" stand for this run's tokens
        QTest::addColumn<int>("status");
        QTest::newRow("none") << QByteArray() << 401;
        QTest::newRow("basic") << QByteArray("Basic ZGV2OmRldg==") << 401;
        QTest::newRow("access token") << QByteArray("Bearer ACCESS") << 401;
        QTest::newRow("tampered signature") << QByteArray("Bearer IDx") << 401;
        QTest::newRow("unsigned") << QByteArray("Bearer eyJhbGciOiJub25lIn0.eyJzdWIiOiJkZXYtdXNlci0wMDAxIn0.") << 401;
        QTest::newRow("valid") << QByteArray("Bearer ID") << 200;
    }
    void bearerRefusals()
    {
        QFETCH(QByteArray, authorization);
        QFETCH(int, status);
        authorization.replace("ACCESS", m_tokens.value(QStringLiteral("access_token")).toString().toLatin1());
        authorization.replace("ID", m_tokens.value(QStringLiteral("id_token")).toString().toLatin1());
        Headers headers{{"Content-Type", "application/json"}};
        if (!authorization.isEmpty())
            headers.append({"Authorization", authorization});
        for (const auto &[method, path, body] :
             {std::tuple{QByteArray("POST"), QStringLiteral("/ai/answer"),
                         json(textRequest(QStringLiteral("dev-user-0001")))},
              std::tuple{QByteArray("GET"), QStringLiteral("/prompt-presets?user_id=dev-user-0001"), QByteArray()}}) {
            const auto reply = m_server.request(method, path, body, headers);
            QCOMPARE(reply.status, status);
            if (status == 401)
                QCOMPARE(reply.json().value(QStringLiteral("error")).toString(), QStringLiteral("unauthorized"));
        }
    }

    void tokensOfAnotherRunAreRefused()
    {
        DevServerProcess other;
        QVERIFY2(other.isRunning(), qPrintable(other.errorString()));
        const auto reply = other.request("POST", QStringLiteral("/ai/answer"),
                                         json(textRequest(QStringLiteral("dev-user-0001"))), idBearer());
        QCOMPARE(reply.status, 401);
    }

    void answerBodyValidation_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // a part of the envelope's message, or of the answer
        const QJsonObject text = textRequest(QStringLiteral("dev-user-0001"));
        // The body with one member replaced, or removed when the value is undefined.
        const auto changed = [](QJsonObject body, const QString &key, const QJsonValue &value) {
            if (value.isUndefined())
                body.remove(key);
            else
                body.insert(key, value);
            return json(body);
        };
        const auto with = [&](const QString &key, const QJsonValue &value) { return changed(text, key, value); };
        QJsonObject image = text;
        image.insert(QStringLiteral("capture_mode"), QStringLiteral("IMAGE"));
        image.insert(QStringLiteral("image_base64"), QString::fromLatin1(QByteArray("\x89PNG fake bytes").toBase64()));
        image.insert(QStringLiteral("image_mime_type"), QStringLiteral("image/png"));
        image.insert(QStringLiteral("image_width"), 640);
        image.insert(QStringLiteral("image_height"), 480);
        image.insert(QStringLiteral("route_summary"), routeSummary());
        const auto imageWith = [&](const QString &key, const QJsonValue &value) { return changed(image, key, value); };
        const QJsonArray oneTurn{QJsonObject{{QStringLiteral("question"), QStringLiteral("Before?")},
                                             {QStringLiteral("answer"), QStringLiteral("Earlier answer")}}};
        QJsonObject followUp = image;
        for (const char *key : {"image_base64", "image_mime_type", "image_width", "image_height"})
            followUp.remove(QString::fromLatin1(key));
        followUp.insert(QStringLiteral("history"), oneTurn);
        QJsonObject badSummary = routeSummary();
        badSummary.insert(QStringLiteral("safe_text"), QStringLiteral("yes"));
        QJsonObject shortSummary = routeSummary();
        shortSummary.remove(QStringLiteral("multi_column"));

        QTest::newRow("not json") << QByteArray("{user_id:") << 400 << "not JSON";
        QTest::newRow("array") << QByteArray("[]") << 400 << "JSON object";
        QTest::newRow("no user_id") << with(QStringLiteral("user_id"), QJsonValue::Undefined) << 400
                                    << "user_id is required";
        QTest::newRow("lower-case mode") << with(QStringLiteral("capture_mode"), QStringLiteral("text")) << 400
                                         << "TEXT or IMAGE";
        QTest::newRow("ocr_text null") << with(QStringLiteral("ocr_text"), QJsonValue::Null) << 400
                                       << "ocr_text must be a string";
        QTest::newRow("no ocr_text") << with(QStringLiteral("ocr_text"), QJsonValue::Undefined) << 400
                                     << "ocr_text is required";
        QTest::newRow("blank question") << with(QStringLiteral("question"), QStringLiteral(" \n")) << 400
                                        << "question must not be empty";
        QTest::newRow("no history") << with(QStringLiteral("history"), QJsonValue::Undefined) << 400
                                    << "history is required";
        QTest::newRow("history of strings") << with(QStringLiteral("history"), QJsonArray{QStringLiteral("x")}) << 400
                                            << "history[0] must be an object";
        QTest::newRow("turn without answer")
            << with(QStringLiteral("history"),
                    QJsonArray{QJsonObject{{QStringLiteral("question"), QStringLiteral("q")}}})
            << 400 << "history[0].answer is required";
        QTest::newRow("camel-case key") << with(QStringLiteral("imageBase64"), QStringLiteral("AAAA")) << 400
                                        << "unknown field \"imageBase64\"";
        QTest::newRow("image in text mode")
            << with(QStringLiteral("image_base64"), QStringLiteral("AAAA")) << 400 << "only allowed in IMAGE";
        QTest::newRow("bad base64") << imageWith(QStringLiteral("image_base64"), QStringLiteral("not base64!")) << 400
                                    << "base64";
        QTest::newRow("url-safe base64") << imageWith(QStringLiteral("image_base64"), QStringLiteral("-_-_")) << 400
                                         << "base64";
        QTest::newRow("size without image")
            << imageWith(QStringLiteral("image_base64"), QJsonValue::Undefined) << 400 << "need image_base64";
        QTest::newRow("zero width") << imageWith(QStringLiteral("image_width"), 0) << 400 << "image_width";
        QTest::newRow("fractional height") << imageWith(QStringLiteral("image_height"), 2.5) << 400 << "image_height";
        QTest::newRow("non-image type") << imageWith(QStringLiteral("image_mime_type"), QStringLiteral("text/plain"))
                                        << 400 << "image_mime_type";
        QTest::newRow("image on follow-up")
            << imageWith(QStringLiteral("history"), oneTurn) << 400 << "history is empty";
        QTest::newRow("summary wrong type")
            << with(QStringLiteral("route_summary"), badSummary) << 400 << "route_summary.safe_text must be a boolean";
        QTest::newRow("summary missing key")
            << with(QStringLiteral("route_summary"), shortSummary) << 400 << "route_summary.multi_column is required";
        QTest::newRow("other user") << with(QStringLiteral("user_id"), QStringLiteral("dev-user-alice")) << 403
                                    << "does not match";
        QTest::newRow("text without recognised text")
            << with(QStringLiteral("ocr_text"), QString()) << 200 << "No text was recognised";
        QTest::newRow("text") << json(text) << 200 << "> Invoice total: 42 EUR";
        QTest::newRow("image") << json(image) << 200 << "640x480 pixels, image/png, 15 bytes";
        QTest::newRow("image follow-up") << json(followUp) << 200 << "Earlier turns in this conversation: 1.";
    }
    void answerBodyValidation()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, message);
        const auto reply = m_server.request("POST", QStringLiteral("/ai/answer"), body, idBearer());
        QCOMPARE(reply.status, status);
        const QJsonObject result = reply.json();
        if (status == 200) {
            QCOMPARE(result.value(QStringLiteral("provider")).toString(), QStringLiteral("orvanta-devserver"));
            QCOMPARE(result.value(QStringLiteral("model")).toString(), QStringLiteral("offline"));
            QVERIFY2(result.value(QStringLiteral("answer")).toString().contains(message), reply.body.constData());
            return;
        }
        QCOMPARE(result.value(QStringLiteral("error")).toString(),
                 status == 403 ? QStringLiteral("forbidden") : QStringLiteral("bad_request"));
        QVERIFY2(result.value(QStringLiteral("message")).toString().contains(message), reply.body.constData());
    }

    void presetsSurviveARestart()
    {
        QTemporaryDir dataDir;
        const QByteArray update = json({{QStringLiteral("user_id"), QStringLiteral("dev-user-0001")},
                                        {QStringLiteral("presets"), presetList(QStringLiteral(" v2"))}});
        {
            DevServerProcess first({}, dataDir.path());
            QVERIFY2(first.isRunning(), qPrintable(first.errorString()));
            const QString token = first.signIn()->value(QStringLiteral("id_token")).toString();
            const auto empty =
                first.request("GET", QStringLiteral("/prompt-presets?user_id=dev-user-0001"), {}, bearer(token));
            QCOMPARE(empty.status, 200);
            QCOMPARE(empty.json().value(QStringLiteral("presets")).toArray(), QJsonArray());
            const auto stored = first.request("PUT", QStringLiteral("/prompt-presets"), update, bearer(token));
            QCOMPARE(stored.status, 200);
            QCOMPARE(stored.json().value(QStringLiteral("presets")).toArray(), presetList(QStringLiteral(" v2")));
            QVERIFY(first.stop());
        }
        DevServerProcess second({}, dataDir.path());
        QVERIFY2(second.isRunning(), qPrintable(second.errorString()));
        const QString token = second.signIn()->value(QStringLiteral("id_token")).toString();
        const auto fetched =
            second.request("GET", QStringLiteral("/prompt-presets?user_id=dev-user-0001"), {}, bearer(token));
        QCOMPARE(fetched.json().value(QStringLiteral("presets")).toArray(), presetList(QStringLiteral(" v2")));
        const QString alice = second.signIn(QStringLiteral("alice"))->value(QStringLiteral("id_token")).toString();
        QCOMPARE(second.request("GET", QStringLiteral("/prompt-presets?user_id=dev-user-alice"), {}, bearer(alice))
                     .json()
                     .value(QStringLiteral("presets"))
                     .toArray(),
                 QJsonArray());
    }

    void presetUpdateValidation_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto update = [](const QJsonValue &presets, const QString &userId = QStringLiteral("dev-user-0001")) {
            return json({{QStringLiteral("user_id"), userId}, {QStringLiteral("presets"), presets}});
        };
        QJsonArray noSubtitle = presetList(QString());
        QJsonObject first = noSubtitle.at(0).toObject();
        first.remove(QStringLiteral("subtitle"));
        noSubtitle.replace(0, first);
        QJsonArray repeated = presetList(QString());
        repeated.append(repeated.at(0));
        QTest::newRow("not an object") << QByteArray("[]") << 400 << "JSON object";
        QTest::newRow("no presets") << json({{QStringLiteral("user_id"), QStringLiteral("dev-user-0001")}}) << 400
                                    << "presets must be an array";
        QTest::newRow("missing subtitle") << update(noSubtitle) << 400 << "presets[0].subtitle";
        QTest::newRow("repeated id") << update(repeated) << 400 << "is repeated";
        QTest::newRow("other user") << update(presetList(QString()), QStringLiteral("dev-user-alice")) << 403
                                    << "does not match";
        QTest::newRow("empty list") << update(QJsonArray()) << 200 << QString();
    }
    void presetUpdateValidation()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, message);
        const auto reply = m_server.request("PUT", QStringLiteral("/prompt-presets"), body, idBearer());
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.json().value(QStringLiteral("message")).toString().contains(message), reply.body.constData());
    }

    void faultsAnswerInPlaceOfTheRoute()
    {
        QVERIFY(m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/ai/answer")},
                                      {QStringLiteral("status"), 502},
                                      {QStringLiteral("body"), QStringLiteral("<html>bad gateway</html>")},
                                      {QStringLiteral("content_type"), QStringLiteral("text/html")},
                                      {QStringLiteral("times"), 2}}));
        QVERIFY(m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/ai/answer")}}));
        const QByteArray body = json(textRequest(QStringLiteral("dev-user-0001")));
        const Headers headers = idBearer();
        for (int i = 0; i < 2; ++i) {
            const auto reply = m_server.request("POST", QStringLiteral("/ai/answer?x=1"), body, headers);
            QCOMPARE(reply.status, 502);
            QCOMPARE(reply.body, QByteArray("<html>bad gateway</html>"));
            QCOMPARE(reply.headers.value("content-type"), QByteArray("text/html"));
            QVERIFY(reply.headers.value("content-security-policy").startsWith("sandbox"));
        }
        const auto defaults = m_server.request("POST", QStringLiteral("/ai/answer"), body, headers);
        QCOMPARE(defaults.status, 500);
        QCOMPARE(defaults.body, QByteArray());
        QCOMPARE(m_server.request("POST", QStringLiteral("/ai/answer"), body, headers).status, 200);

        QVERIFY(m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/oauth2/token")}}));
        QVERIFY(m_server.clearFaults());
        QCOMPARE(tokenRequest(m_server, {}).status, 400);
    }

    void faultRequestsAreChecked_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no path") << QByteArray(R"({"status":500})");
        QTest::newRow("relative path") << QByteArray(R"({"path":"ai/answer"})");
        QTest::newRow("status out of range") << QByteArray(R"({"path":"/ai/answer","status":99})");
        QTest::newRow("negative delay") << QByteArray(R"({"path":"/ai/answer","delay_ms":-1})");
        QTest::newRow("zero times") << QByteArray(R"({"path":"/ai/answer","times":0})");
        QTest::newRow("numeric body") << QByteArray(R"({"path":"/ai/answer","body":5})");
        QTest::newRow("header injection") << QByteArray(R"({"path":"/ai/answer","content_type":"a\r\nX: y"})");
        QTest::newRow("sign-in page") << QByteArray(R"({"path":"/oauth2/authorize","body":"<script>"})");
        QTest::newRow("oversized body") << "{\"path\":\"/ai/answer\",\"body\":\"" + QByteArray(1 << 20, 'x') + "x\"}";
    }
    void faultRequestsAreChecked()
    {
        QFETCH(QByteArray, body);
        QCOMPARE(m_server.request("POST", QStringLiteral("/_dev/faults"), body).status, 400);
        QCOMPARE(m_server
                     .request("POST", QStringLiteral("/ai/answer"), json(textRequest(QStringLiteral("dev-user-0001"))),
                              idBearer())
                     .status,
                 200);
    }

    void waitingFaultsAreBounded()
    {
        const QJsonObject fault{{QStringLiteral("path"), QStringLiteral("/nowhere")}};
        for (int i = 0; i < 64; ++i)
            QVERIFY(m_server.injectFault(fault));
        QVERIFY(!m_server.injectFault(fault));
        QCOMPARE(m_server.request("GET", QStringLiteral("/nowhere")).status, 500);
        QVERIFY(m_server.injectFault(fault));
        // Unrouted paths are answered but never recorded.
        QVERIFY(!m_server.lastRequest(QStringLiteral("/nowhere")));
    }

    void strangersAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Headers>("headers"); // a null value removes the harness's header
        QTest::addColumn<QByteArray>("body"); // a POST when not empty
        QTest::addColumn<int>("status");
        const QString lastToken = QStringLiteral("/_dev/last-request?path=%2Foauth2%2Ftoken");
        QTest::newRow("rebound name") << "/oauth2/authorize" << Headers{{"Host", "evil.example"}} << QByteArray()
                                      << 421;
        QTest::newRow("other port") << "/nowhere" << Headers{{"Host", "127.0.0.1:1"}} << QByteArray() << 421;
        QTest::newRow("own host") << "/nowhere" << Headers() << QByteArray() << 404;
        QTest::newRow("control without secret")
            << lastToken << Headers{{"X-Orvanta-Dev-Secret", QByteArray()}} << QByteArray() << 403;
        QTest::newRow("control with wrong secret")
            << lastToken << Headers{{"X-Orvanta-Dev-Secret", "wrong"}} << QByteArray() << 403;
        QTest::newRow("control as text") << "/_dev/faults" << Headers{{"Content-Type", "text/plain"}}
                                         << QByteArray(R"({"path":"/ai/answer"})") << 415;
    }
    void strangersAreRefused()
    {
        QFETCH(QString, path);
        QFETCH(Headers, headers);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QVERIFY(m_server.lastRequest(QStringLiteral("/oauth2/token")));
        const auto reply = m_server.request(body.isEmpty() ? "GET" : "POST", path, body, headers);
        QCOMPARE(reply.status, status);
        QVERIFY(!reply.body.contains("access_token"));
        // The refusal is the same whether or not anything was recorded.
        if (status == 403)
            QCOMPARE(
                reply.body,
                m_server
                    .request("GET", path.replace(QStringLiteral("oauth2%2Ftoken"), QStringLiteral("x")), {}, headers)
                    .body);
        QVERIFY(m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/nowhere")}}));
    }

    void dataIsPrivateAndTheModelKeyStaysSafe_data()
    {
        QTest::addColumn<QString>("llmUrl");
        QTest::addColumn<bool>("starts");
        QTest::newRow("offline") << QString() << true;
        QTest::newRow("https") << "https://models.example/v1/chat/completions" << true;
        QTest::newRow("http to this machine") << "http://[::1]:9/v1/chat/completions" << true;
        QTest::newRow("http to another machine") << "http://models.example/v1/chat/completions" << false;
    }
    void dataIsPrivateAndTheModelKeyStaysSafe()
    {
        QFETCH(QString, llmUrl);
        QFETCH(bool, starts);
        QTemporaryDir parent;
        const QString dataDir = parent.filePath(QStringLiteral("new/data"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ORVANTA_DEV_LLM_URL"), llmUrl);
        environment.insert(QStringLiteral("ORVANTA_DEV_LLM_KEY"), QStringLiteral("sk-test-key"));
        DevServerProcess server({}, dataDir, environment);
        QCOMPARE(server.isRunning(), starts);
        if (!starts) {
            QVERIFY2(server.errorString().contains(QStringLiteral("https")), qPrintable(server.errorString()));
            return;
        }
        constexpr auto othersMayTouch = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                        QFile::WriteOther | QFile::ExeOther;
        for (const QString &path : {dataDir, dataDir + QStringLiteral("/presets.sqlite")}) {
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
            QCOMPARE(QFileInfo(path).permissions() & othersMayTouch, QFile::Permissions());
        }
    }

    void delayedFaultDoesNotHoldUpOtherRequests()
    {
        QVERIFY(m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/ai/answer")},
                                      {QStringLiteral("status"), 503},
                                      {QStringLiteral("delay_ms"), 1500}}));
        QNetworkAccessManager network;
        QElapsedTimer clock;
        clock.start();
        QNetworkReply *slow =
            network.post(QNetworkRequest(QUrl(m_server.baseUrlString() + QStringLiteral("/ai/answer"))), QByteArray());
        QSignalSpy finished(slow, &QNetworkReply::finished);
        QTRY_VERIFY(m_server.lastRequest(QStringLiteral("/ai/answer")).has_value());
        QCOMPARE(m_server.request("GET", QStringLiteral("/nowhere")).status, 404);
        QVERIFY(finished.isEmpty());
        QVERIFY(clock.elapsed() < 1500);
        QVERIFY(finished.wait(5000));
        QVERIFY(clock.elapsed() >= 1400);
        QCOMPARE(slow->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 503);
        delete slow;
    }

    void clientGivingUpOnADelayedFaultLeavesTheServerServing()
    {
        QVERIFY(m_server.injectFault(
            {{QStringLiteral("path"), QStringLiteral("/ai/answer")}, {QStringLiteral("delay_ms"), 800}}));
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(m_server.baseUrlString() + QStringLiteral("/ai/answer")));
        request.setTransferTimeout(200);
        QNetworkReply *abandoned = network.post(request, QByteArray());
        QSignalSpy finished(abandoned, &QNetworkReply::finished);
        QVERIFY(finished.wait(5000));
        QCOMPARE(abandoned->error(), QNetworkReply::OperationCanceledError);
        delete abandoned;
        QTest::qWait(1000);
        QCOMPARE(m_server.request("GET", QStringLiteral("/nowhere")).status, 404);
    }

    void logsCarryNoSecretsAndTerminationIsClean()
    {
        DevServerProcess server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const auto tokens = server.signIn();
        QVERIFY(tokens);
        const QString code = codeFrom(server);
        tokenRequest(server,
                     {{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                      {QStringLiteral("client_id"), clientId},
                      {QStringLiteral("refresh_token"), tokens->value(QStringLiteral("refresh_token")).toString()}});
        server.request("POST", QStringLiteral("/ai/answer"), QByteArray("{}"),
                       bearer(tokens->value(QStringLiteral("id_token")).toString()));
        QVERIFY(server.stop());
        const QByteArray log = server.log();
        QVERIFY(log.contains("POST /oauth2/token -> 200"));
        for (const QString &secret :
             {tokens->value(QStringLiteral("id_token")).toString(),
              tokens->value(QStringLiteral("access_token")).toString(),
              tokens->value(QStringLiteral("refresh_token")).toString(), code, challengeOf(verifier)})
            QVERIFY2(!log.contains(secret.left(20).toLatin1()), log.constData());
    }

    void forwardsToAChatCompletionsEndpoint()
    {
        QHttpServer fake;
        QByteArray upstreamBody;
        QByteArray upstreamAuthorization;
        int upstreamStatus = 200;
        fake.route(QStringLiteral("/v1/chat/completions"), [&](const QHttpServerRequest &request) {
            upstreamBody = request.body();
            upstreamAuthorization = request.value("authorization");
            if (upstreamStatus != 200)
                return QHttpServerResponse(QHttpServerResponder::StatusCode::InternalServerError);
            return QHttpServerResponse(QJsonObject{
                {QStringLiteral("model"), QStringLiteral("fake-model-7")},
                {QStringLiteral("choices"),
                 QJsonArray{QJsonObject{{QStringLiteral("message"),
                                         QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                                     {QStringLiteral("content"), QStringLiteral("Forty-two.")}}}}}}});
        });
        const quint16 port = fake.listen(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ORVANTA_DEV_LLM_URL"),
                           QStringLiteral("http://127.0.0.1:%1/v1/chat/completions").arg(port));
        environment.insert(QStringLiteral("ORVANTA_DEV_LLM_KEY"), QStringLiteral("sk-test-key"));
        DevServerProcess server({}, {}, environment);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const Headers headers = bearer(server.signIn()->value(QStringLiteral("id_token")).toString());

        QJsonObject image = textRequest(QStringLiteral("dev-user-0001"));
        image.insert(QStringLiteral("capture_mode"), QStringLiteral("IMAGE"));
        image.insert(QStringLiteral("image_base64"), QStringLiteral("iVBORw0K"));
        image.insert(QStringLiteral("image_mime_type"), QStringLiteral("image/png"));
        auto reply = server.request("POST", QStringLiteral("/ai/answer"), json(image), headers);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json().value(QStringLiteral("answer")).toString(), QStringLiteral("Forty-two."));
        QCOMPARE(reply.json().value(QStringLiteral("model")).toString(), QStringLiteral("fake-model-7"));
        QCOMPARE(reply.json().value(QStringLiteral("provider")).toString(), QStringLiteral("orvanta-devserver"));
        QCOMPARE(upstreamAuthorization, QByteArray("Bearer sk-test-key"));
        QJsonArray messages =
            QJsonDocument::fromJson(upstreamBody).object().value(QStringLiteral("messages")).toArray();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.at(0)
                    .toObject()
                    .value(QStringLiteral("content"))
                    .toString()
                    .contains(QStringLiteral("Invoice total: 42 EUR")));
        const QJsonArray parts = messages.at(1).toObject().value(QStringLiteral("content")).toArray();
        QCOMPARE(parts.at(0).toObject().value(QStringLiteral("text")).toString(), QStringLiteral("What is the total?"));
        QCOMPARE(parts.at(1).toObject().value(QStringLiteral("image_url")).toObject().value(QStringLiteral("url")),
                 QStringLiteral("data:image/png;base64,iVBORw0K"));

        QJsonObject followUp = textRequest(QStringLiteral("dev-user-0001"));
        followUp.insert(QStringLiteral("history"),
                        QJsonArray{QJsonObject{{QStringLiteral("question"), QStringLiteral("First?")},
                                               {QStringLiteral("answer"), QStringLiteral("First answer")}}});
        QCOMPARE(server.request("POST", QStringLiteral("/ai/answer"), json(followUp), headers).status, 200);
        messages = QJsonDocument::fromJson(upstreamBody).object().value(QStringLiteral("messages")).toArray();
        QStringList roles;
        for (const QJsonValue &message : messages)
            roles.append(message.toObject().value(QStringLiteral("role")).toString());
        QCOMPARE(roles, (QStringList{QStringLiteral("system"), QStringLiteral("user"), QStringLiteral("assistant"),
                                     QStringLiteral("user")}));
        QCOMPARE(messages.at(2).toObject().value(QStringLiteral("content")).toString(), QStringLiteral("First answer"));

        upstreamStatus = 500;
        reply = server.request("POST", QStringLiteral("/ai/answer"), json(followUp), headers);
        QCOMPARE(reply.status, 502);
        QCOMPARE(reply.json().value(QStringLiteral("error")).toString(), QStringLiteral("upstream_error"));
        QVERIFY(server.stop());
        QVERIFY(!server.log().contains("sk-test-key"));
    }

private:
    Headers idBearer() const { return bearer(m_tokens.value(QStringLiteral("id_token")).toString()); }

    DevServerProcess m_server;
    QJsonObject m_tokens;
};

QTEST_MAIN(DevServerTest)
#include "tst_devserver.moc"
