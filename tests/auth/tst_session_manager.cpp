#include "AwaitTask.h"
#include "DevServerProcess.h"
#include "FakeWebAuthenticationSession.h"
#include "auth/PersistedSession.h"
#include "auth/SessionManager.h"
#include "auth/SessionManagerError.h"
#include "hosted/AIProviderError.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"

#include <QCoro/QCoroTask>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using namespace std::chrono_literals;

namespace {
const QString invalidCallback = SessionManagerError(SessionManagerError::Kind::invalidCallback).message();
const QString exchangeFailed = SessionManagerError(SessionManagerError::Kind::tokenExchangeFailed).message();
const QString unreadableToken = SessionManagerError(SessionManagerError::Kind::invalidIDToken).message();

QStringList s_logLines;
void captureMessage(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    s_logLines.append(QString::fromUtf8(context.category ? context.category : "") + QLatin1Char(' ') + message);
}

QString base64URL(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QByteArray tokenReply(const QString &idToken, const QString &extraMembers = QString())
{
    return QStringLiteral("{\"access_token\":\"acc\",\"id_token\":\"%1\"%2}").arg(idToken, extraMembers).toUtf8();
}

QString unsignedToken(const QByteArray &claims)
{
    return QStringLiteral("eyJhbGciOiJub25lIn0.") + base64URL(claims) + QStringLiteral(".c2ln");
}

// Answers every request as a data: URL does: with the body and no HTTP status at all.
class StatuslessNetwork : public QNetworkAccessManager
{
public:
    QByteArray body;

protected:
    QNetworkReply *createRequest(Operation, const QNetworkRequest &, QIODevice *) override
    {
        const QUrl data(QStringLiteral("data:application/json;base64,") + QString::fromLatin1(body.toBase64()));
        return QNetworkAccessManager::createRequest(GetOperation, QNetworkRequest(data), nullptr);
    }
};

} // namespace

class SessionManagerTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<DevServerProcess> m_server;
    QNetworkAccessManager m_network;
    std::unique_ptr<InMemoryKeyValueStore> m_store;
    std::unique_ptr<FakeWebAuthenticationSession> m_web;

    std::unique_ptr<SessionManager> makeManager(KeyValueStore &store)
    {
        return std::make_unique<SessionManager>(store, m_network, *m_web);
    }

    // The user's browser: follows the sign-in page to the identity provider's redirect.
    QUrl browse(const QUrl &authorizeURL)
    {
        const DevServerProcess::Reply reply =
            m_server->request("GET", authorizeURL.path() + QLatin1Char('?') + authorizeURL.query(QUrl::FullyEncoded));
        if (reply.status != 302)
            return {};
        return QUrl::fromEncoded(reply.headers.value("location"));
    }

    // Starts a sign-in and returns the provider's callback URL for it.
    QUrl startAndBrowse(SessionManager &manager)
    {
        manager.startGoogleSignIn();
        if (m_web->openedURLs.isEmpty())
            return {};
        return browse(m_web->openedURLs.constLast());
    }

    bool signIn(SessionManager &manager)
    {
        m_web->deliver(startAndBrowse(manager));
        return QTest::qWaitFor([&] { return manager.sessionState().kind != SessionState::Kind::authenticating; });
    }

    bool inject(const QString &path, int status, const QByteArray &body, int delayMs = 0)
    {
        return m_server->injectFault({{QStringLiteral("path"), path},
                                      {QStringLiteral("status"), status},
                                      {QStringLiteral("body"), QString::fromUtf8(body)},
                                      {QStringLiteral("content_type"), QStringLiteral("application/json")},
                                      {QStringLiteral("delay_ms"), delayMs},
                                      {QStringLiteral("times"), 1}});
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<DevServerProcess>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }

    void init()
    {
        QVERIFY(m_server->clearFaults());
        QVERIFY(m_server->setTokenLifetime(3600));
        m_store = std::make_unique<InMemoryKeyValueStore>();
        m_store->setValue(SettingsKeys::cognitoDomainURL, m_server->baseUrlString());
        m_web = std::make_unique<FakeWebAuthenticationSession>();
    }

    void wholeSignInWithPKCE()
    {
        auto manager = makeManager(*m_store);
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
        QSignalSpy states(manager.get(), &SessionService::sessionStateChanged);

        const QUrl callback = startAndBrowse(*manager);
        QCOMPARE(manager->sessionState(), SessionState::authenticating(AuthProvider::google));

        m_web->deliver(callback);
        QTRY_VERIFY(manager->sessionState().isAuthenticated());
        QCOMPARE(states.size(), 2);
        const UserSession session = *manager->sessionState().session;
        QCOMPARE(session.userID, QStringLiteral("dev-user-0001"));
        QCOMPARE(session.cognitoSubject, session.userID);
        QCOMPARE(session.provider, AuthProvider::google);
        QVERIFY(session.tokens.refreshToken);
        const qint64 lifetime = QDateTime::currentDateTime().secsTo(*session.tokens.expiresAt);
        QVERIFY2(lifetime > 3590 && lifetime <= 3600, qPrintable(QString::number(lifetime)));
        QCOMPARE(PersistedSession::decode(m_store->value(PersistedSession::storageKey).toByteArray()),
                 std::optional<UserSession>(session));

        // The exchange was a form post without credentials; the server checked its verifier against
        // the challenge and its redirect against the registered one.
        const std::optional<QJsonObject> exchange = m_server->lastRequest(QStringLiteral("/oauth2/token"));
        QVERIFY(exchange);
        const QJsonObject headers = exchange->value(QStringLiteral("headers")).toObject();
        QCOMPARE(headers.value(QStringLiteral("content-type")).toString(),
                 QStringLiteral("application/x-www-form-urlencoded"));
        QVERIFY(!headers.contains(QStringLiteral("authorization")));
    }

    void strayCallbacksLeaveTheSessionAndSignOutForgetsIt()
    {
        auto manager = makeManager(*m_store);
        QVERIFY(signIn(*manager));
        const SessionState signedIn = manager->sessionState();
        m_web->deliver(QUrl(QStringLiteral("com.orvanta.desktop.auth://auth/cognito?error=access_denied")));
        m_web->cancel();
        QTest::qWait(50);
        QCOMPARE(manager->sessionState(), signedIn);
        QCOMPARE(manager->authErrorMessage(), std::nullopt);

        auto restarted = makeManager(*m_store);
        QCOMPARE(restarted->sessionState(), signedIn);
        restarted->signOut();
        QCOMPARE(restarted->sessionState(), SessionState::signedOut());
        QVERIFY(!m_store->value(PersistedSession::storageKey).isValid());
    }

    void callbackRules_data()
    {
        QTest::addColumn<QString>("query");    // {code} and {state} are the real ones
        QTest::addColumn<QString>("expected"); // empty: signed in

        const auto row = [](const char *name, const char *query, const QString &expected) {
            QTest::newRow(name) << query << expected;
        };
        row("message first", "message=%20Denied%20by%20admin%0A&error=access_denied&state={state}",
            QStringLiteral("Denied by admin"));
        row("error capitalised", "error=access_denied&state={state}", QStringLiteral("Access Denied"));
        row("blank message falls through", "message=%20%20&error=server_error", QStringLiteral("Server Error"));
        row("wrong state", "code={code}&state=x{state}", invalidCallback);
        row("missing state", "code={code}", invalidCallback);
        row("state with other case", "code={code}&state={STATE}", invalidCallback);
        row("code missing", "state={state}", invalidCallback);
        row("code blank", "code=%20&state={state}", invalidCallback);
        row("repeated, real values first", "code={code}&state={state}&state=evil&code=evil", {});
        row("repeated, forged values first", "state=evil&code={code}&state={state}", invalidCallback);
        row("padded code is trimmed", "code=%20{code}%0A&state={state}", {});
        row("no callback URL at all", "{no URL}", invalidCallback);
    }
    void callbackRules()
    {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        auto manager = makeManager(*m_store);
        const QUrlQuery real(startAndBrowse(*manager));
        const QString state = real.queryItemValue(QStringLiteral("state"));
        QString swapped = state;
        for (QChar &c : swapped)
            c = c.isUpper() ? c.toLower() : c.toUpper();
        query.replace(QStringLiteral("{code}"), real.queryItemValue(QStringLiteral("code")))
            .replace(QStringLiteral("{state}"), state)
            .replace(QStringLiteral("{STATE}"), swapped);

        m_web->deliver(query == QLatin1String("{no URL}")
                           ? QUrl()
                           : QUrl(QStringLiteral("com.orvanta.desktop.auth://auth/cognito?") + query));
        QTRY_VERIFY(manager->sessionState().kind != SessionState::Kind::authenticating);
        QCOMPARE(manager->authErrorMessage().value_or(QString()), expected);
        QCOMPARE(manager->sessionState().isAuthenticated(), expected.isEmpty());
        QCOMPARE(m_store->value(PersistedSession::storageKey).isValid(), expected.isEmpty());
    }

    void failedStartsAndCancelLeaveTheUserSignedOut()
    {
        m_store->setValue(SettingsKeys::cognitoDomainURL, QStringLiteral("http://auth.example.com"));
        auto manager = makeManager(*m_store);
        manager->startGoogleSignIn(); // plain HTTP to another machine: no page opens
        QCOMPARE(
            manager->authErrorMessage(),
            std::optional<QString>(SessionManagerError(SessionManagerError::Kind::cognitoNotConfigured).message()));
        QVERIFY(m_web->openedURLs.isEmpty());
        m_store->setValue(SettingsKeys::cognitoDomainURL, m_server->baseUrlString());
        m_web->startSucceeds = false; // the browser cannot open
        manager->startGoogleSignIn();
        QCOMPARE(manager->authErrorMessage(),
                 std::optional<QString>(QStringLiteral("Unable to start Google sign-in.")));
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
        QCOMPARE(m_web->openedURLs.size(), 1);
        m_web->startSucceeds = true;
        manager->startGoogleSignIn();
        manager->cancelGoogleSignIn();
        QCOMPARE(m_web->cancelCount, 1);
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
        QCOMPARE(manager->authErrorMessage(), std::nullopt);

        manager->startGoogleSignIn();
        m_web->fail(QStringLiteral("The browser went away."));
        QCOMPARE(manager->authErrorMessage(), std::optional<QString>(QStringLiteral("The browser went away.")));
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
    }

    void tokenReplies_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // empty: signed in

        const QString good = unsignedToken("{\"sub\":\"s-1\",\"name\":\"  \",\"email\":\" a@b.c \"}");
        QTest::newRow("server error, good body") << 500 << tokenReply(good) << exchangeFailed;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << "The token reply could not be read: illegal value.";
        QTest::newRow("no id_token") << 200 << QByteArray("{\"access_token\":\"a\"}")
                                     << "The token reply could not be read: \"id_token\" is missing.";
        QTest::newRow("fractional lifetime")
            << 200 << tokenReply(good, QStringLiteral(",\"expires_in\":1.5"))
            << "The token reply could not be read: \"expires_in\" is not a whole number.";
        QTest::newRow("token without sub")
            << 200 << tokenReply(unsignedToken("{\"email\":\"a@b.c\"}")) << unreadableToken;
        QTest::newRow("token with empty sub") << 200 << tokenReply(unsignedToken("{\"sub\":\"\"}")) << unreadableToken;
        QTest::newRow("no refresh token, no lifetime") << 200 << tokenReply(good) << "";
    }
    void tokenReplies()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        auto manager = makeManager(*m_store);
        QVERIFY(inject(QStringLiteral("/oauth2/token"), status, body));
        QVERIFY(signIn(*manager));
        QCOMPARE(manager->authErrorMessage().value_or(QString()), expected);
        QCOMPARE(m_store->value(PersistedSession::storageKey).isValid(), expected.isEmpty());
        if (!expected.isEmpty())
            return;
        const UserSession session = *manager->sessionState().session;
        QCOMPARE(session.displayName, std::nullopt);
        QCOMPARE(session.email, std::optional<QString>(QStringLiteral("a@b.c")));
        QVERIFY(!session.tokens.refreshToken && !session.tokens.expiresAt);
        // Without a lifetime the first token request must refresh, and without a refresh token it cannot.
        QCOMPARE(failureMessage(manager->validIDToken()), exchangeFailed);
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
        QVERIFY(!m_store->value(PersistedSession::storageKey).isValid());
    }

    void tokenIsRefreshedOnlyWithinTheLastMinute_data()
    {
        QTest::addColumn<int>("lifetime");
        QTest::addColumn<bool>("refreshes");
        QTest::newRow("61 s left") << 61 << false;
        QTest::newRow("60 s left") << 60 << true;
    }
    void tokenIsRefreshedOnlyWithinTheLastMinute()
    {
        QFETCH(int, lifetime);
        QFETCH(bool, refreshes);
        auto manager = makeManager(*m_store);
        QVERIFY(signIn(*manager));
        UserSession session = *manager->sessionState().session;
        session.tokens.expiresAt = QDateTime::currentDateTime().addSecs(lifetime);
        manager->persist(session);
        manager = makeManager(*m_store);

        const QString token = awaitTask(manager->validIDToken());
        QCOMPARE(token != session.tokens.idToken, refreshes);
        const UserSession now = *manager->sessionState().session;
        QCOMPARE(now.tokens.idToken, token);
        QCOMPARE(now.tokens.refreshToken, session.tokens.refreshToken);
        QCOMPARE(PersistedSession::decode(m_store->value(PersistedSession::storageKey).toByteArray()),
                 std::optional<UserSession>(now));
    }

    void refreshOutcomes_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QString>("expected"); // empty: renewed
        QTest::addColumn<bool>("keepsSession");

        const QString renewed = unsignedToken("{\"sub\":\"dev-user-0001\"}");
        QTest::newRow("rejected") << 400 << QByteArray("{\"error\":\"invalid_grant\"}") << 0 << exchangeFailed << false;
        QTest::newRow("undecodable") << 200 << QByteArray("{\"id_token\":7}") << 0
                                     << "The token reply could not be read: \"access_token\" is missing." << true;
        QTest::newRow("timed out") << 200 << tokenReply(renewed) << 2000 << "The request timed out." << true;
        QTest::newRow("new refresh token ignored, no lifetime")
            << 200 << tokenReply(renewed, QStringLiteral(",\"refresh_token\":\"other\"")) << 0 << "" << true;
    }
    void refreshOutcomes()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, delayMs);
        QFETCH(QString, expected);
        QFETCH(bool, keepsSession);
        auto manager = makeManager(*m_store);
        manager->setTransferTimeout(500ms);
        QVERIFY(signIn(*manager));
        const UserSession before = *manager->sessionState().session;
        QVERIFY(inject(QStringLiteral("/oauth2/token"), status, body, delayMs));

        try {
            const UserSession after = awaitTask(manager->refreshAuthenticatedSession(before));
            QVERIFY(expected.isEmpty());
            QCOMPARE(after.tokens.refreshToken, before.tokens.refreshToken);
            QCOMPARE(after.tokens.expiresAt, std::nullopt);
            QCOMPARE(after.userID, before.userID);
            QCOMPARE(manager->sessionState(), SessionState::authenticated(after));
        } catch (const OrvantaError &error) {
            QCOMPARE(error.message(), expected);
            QCOMPARE(manager->sessionState().isAuthenticated(), keepsSession);
            QCOMPARE(m_store->value(PersistedSession::storageKey).isValid(), keepsSession);
            if (keepsSession)
                QCOMPARE(*manager->sessionState().session, before);
        }
    }

    void unreadableStoredSessionIsLeftInPlace()
    {
        const QByteArray stored("\xff\xfe");
        m_store->setValue(PersistedSession::storageKey, stored);
        auto manager = makeManager(*m_store);
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
        QCOMPARE(manager->authErrorMessage(), std::nullopt);
        QCOMPARE(m_store->value(PersistedSession::storageKey).toByteArray(), stored);
    }

    void endingTheWaitDuringTheExchangeWins_data()
    {
        QTest::addColumn<bool>("cancel"); // or sign out
        QTest::newRow("sign out") << false;
        QTest::newRow("cancel") << true;
    }
    void endingTheWaitDuringTheExchangeWins()
    {
        QFETCH(bool, cancel);
        auto manager = makeManager(*m_store);
        const QUrl callback = startAndBrowse(*manager);
        QVERIFY(inject(QStringLiteral("/oauth2/token"), 200,
                       tokenReply(unsignedToken("{\"sub\":\"late\"}"), QStringLiteral(",\"expires_in\":3600")), 500));
        m_web->deliver(callback);
        if (cancel)
            manager->cancelGoogleSignIn();
        else
            manager->signOut();
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
        QTest::qWait(900);
        QCOMPARE(manager->sessionState(), SessionState::signedOut());
        QCOMPARE(manager->authErrorMessage(), std::nullopt);
        QVERIFY(!m_store->value(PersistedSession::storageKey).isValid());
    }

    void tokenReplyWithoutStatusFails()
    {
        StatuslessNetwork statusless;
        statusless.body = tokenReply(unsignedToken("{\"sub\":\"s-1\"}"),
                                     QStringLiteral(",\"expires_in\":3600,\"refresh_token\":\"r\""));
        SessionManager manager(*m_store, statusless, *m_web);
        m_web->deliver(startAndBrowse(manager));
        QTRY_COMPARE(manager.authErrorMessage(), std::optional<QString>(exchangeFailed));
        QCOMPARE(manager.sessionState(), SessionState::signedOut());
    }

    void noSecretInAnyLogLine()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true"));
        s_logLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
        auto manager = makeManager(*m_store);
        const QUrl callback = startAndBrowse(*manager);
        m_web->deliver(callback);
        QTRY_VERIFY(manager->sessionState().isAuthenticated());
        const UserSession first = *manager->sessionState().session;
        QVERIFY(inject(QStringLiteral("/oauth2/token"), 400, "{\"error\":\"invalid_grant\"}"));
        QVERIFY(!failureMessage([&]() -> QCoro::Task<QString> {
                     co_return (co_await manager->refreshAuthenticatedSession(first)).tokens.idToken;
                 }())
                     .isEmpty());
        m_web->deliver(QUrl(QStringLiteral("com.orvanta.desktop.auth://auth/cognito?code=%1&state=wrong")
                                .arg(QUrlQuery(callback).queryItemValue(QStringLiteral("code")))));
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());

        QVERIFY(!s_logLines.isEmpty());
        const QStringList secrets{QUrlQuery(callback).queryItemValue(QStringLiteral("code")), first.tokens.idToken,
                                  first.tokens.accessToken, *first.tokens.refreshToken};
        for (const QString &line : std::as_const(s_logLines)) {
            for (const QString &secret : secrets)
                QVERIFY2(!line.contains(secret), qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(SessionManagerTest)
#include "tst_session_manager.moc"
