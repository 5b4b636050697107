#include "auth/AuthConfiguration.h"
#include "auth/JWTClaims.h"
#include "auth/PKCE.h"
#include "auth/PersistedSession.h"
#include "auth/SessionManagerError.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"
#include "support/ReferenceDate.h"

#include <QRegularExpression>
#include <QTest>
#include <QUrlQuery>

namespace {
QString base64URL(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString tokenWithPayload(const QByteArray &payload)
{
    return QStringLiteral("eyJhbGciOiJub25lIn0.") + base64URL(payload) + QStringLiteral(".c2ln");
}

UserSession fullSession()
{
    UserSession session;
    session.userID = QStringLiteral("sub-1");
    session.provider = AuthProvider::developer;
    session.displayName = QStringLiteral("Ada");
    session.email = QStringLiteral("ada@example.com");
    session.cognitoSubject = QStringLiteral("sub-1");
    session.tokens = {QStringLiteral("id.tok.en"), QStringLiteral("access"), QStringLiteral("refresh"),
                      ReferenceDate::fromSecondsSinceReferenceDate(3600.0)};
    return session;
}
} // namespace

class AuthValuesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void randomStringsAreUnpaddedBase64URLOfTheirLength()
    {
        static const QRegularExpression alphabet(QStringLiteral("^[A-Za-z0-9_-]+$"));
        for (const auto &[bytes, characters] : {std::pair{32, 43}, {64, 86}}) { // state, verifier
            QSet<QString> seen;
            for (int i = 0; i < 50; ++i) {
                const QString value = PKCE::randomURLSafeString(bytes);
                QCOMPARE(value.size(), characters);
                QVERIFY2(alphabet.match(value).hasMatch(), qPrintable(value));
                seen.insert(value);
            }
            QCOMPARE(seen.size(), 50);
        }
    }

    void configuration_data()
    {
        QTest::addColumn<QVariant>("domain"); // invalid QVariant: key absent
        QTest::addColumn<QVariant>("clientID");
        QTest::addColumn<QString>("expectedDomain"); // empty: not configured
        QTest::addColumn<QString>("expectedClientID");
        const auto row = [](const char *name, const QVariant &domain, const QVariant &clientID, const QString &url,
                            const QString &id = QStringLiteral("abc")) {
            QTest::newRow(name) << domain << clientID << url << (url.isEmpty() ? QString() : id);
        };
        const QVariant absent, abc(QStringLiteral("abc"));
        row("defaults", absent, absent, DeploymentDefaults::cognitoDomainURL, DeploymentDefaults::cognitoClientID);
        row("no scheme gets https", QStringLiteral(" auth.example.com \n"), QStringLiteral("  abc\t"),
            QStringLiteral("https://auth.example.com"));
        row("host and port without scheme", QStringLiteral("auth.example.com:8443"), abc,
            QStringLiteral("https://auth.example.com:8443"));
        row("loopback http", QStringLiteral("http://127.0.0.1:4000"), abc, QStringLiteral("http://127.0.0.1:4000"));
        row("http to another machine", QStringLiteral("http://auth.example.com"), abc, {});
        row("only spaces", QStringLiteral("   "), abc, {});
        row("empty client id", absent, QStringLiteral(" \n "), {});
        row("unparsable domain", QStringLiteral("auth example com"), abc, {});
    }
    void configuration()
    {
        QFETCH(QVariant, domain);
        QFETCH(QVariant, clientID);
        QFETCH(QString, expectedDomain);
        QFETCH(QString, expectedClientID);
        InMemoryKeyValueStore store;
        if (domain.isValid())
            store.setValue(SettingsKeys::cognitoDomainURL, domain);
        if (clientID.isValid())
            store.setValue(SettingsKeys::cognitoClientID, clientID);
        try {
            const AuthConfiguration configuration = AuthConfiguration::current(store);
            QCOMPARE(configuration.domainURL.toString(), expectedDomain);
            QCOMPARE(configuration.clientID, expectedClientID);
        } catch (const SessionManagerError &error) {
            QVERIFY2(expectedDomain.isEmpty(), qPrintable(error.message()));
            QCOMPARE(error.kind(), SessionManagerError::Kind::cognitoNotConfigured);
        }
    }

    void authorizeURLCarriesTheEightParametersInOrder()
    {
        const AuthConfiguration configuration{QUrl(QStringLiteral("https://auth.example.com/tenant")),
                                              QStringLiteral("client+1")};
        const std::optional<QUrl> url = configuration.authorizeURL(QStringLiteral("chal-_"), QStringLiteral("st"));
        QVERIFY(url);
        QCOMPARE(url->toEncoded(),
                 QByteArray("https://auth.example.com/tenant/oauth2/authorize?client_id=client%2B1&response_type=code"
                            "&scope=openid%20email%20profile"
                            "&redirect_uri=com.orvanta.desktop.auth%3A%2F%2Fauth%2Fcognito"
                            "&identity_provider=Google&code_challenge_method=S256&code_challenge=chal-_&state=st"));
        QCOMPARE(configuration.tokenURL().toString(), QStringLiteral("https://auth.example.com/tenant/oauth2/token"));
        const AuthConfiguration slashed{QUrl(QStringLiteral("https://auth.example.com/")), QStringLiteral("c")};
        QCOMPARE(slashed.tokenURL().toString(), QStringLiteral("https://auth.example.com/oauth2/token"));
    }

    void jwtClaims_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("subject"); // empty: fails
        QTest::addColumn<bool>("identityTokenError");

        const QByteArray claims = "{\"sub\":\"s-1\",\"email\":\"e@x\"}";
        QTest::newRow("three pieces") << tokenWithPayload(claims) << "s-1" << false;
        // 46 bytes of JSON: the base64url form needs two "=" of padding put back.
        QTest::newRow("padding restored")
            << tokenWithPayload("{\"sub\":\"s-12\",\"x\":\"~~~~~~~~~~~~~~~~~~~~~~~~~\"}") << "s-12" << false;
        QTest::newRow("empty pieces dropped")
            << (QStringLiteral("..") + tokenWithPayload(claims).replace(QLatin1Char('.'), QStringLiteral("..")))
            << "s-1" << false;
        QTest::newRow("two pieces") << (QStringLiteral("eyJ9.") + base64URL(claims)) << "" << true;
        QTest::newRow("four pieces") << (tokenWithPayload(claims) + QStringLiteral(".x")) << "" << true;
        QTest::newRow("not base64") << QStringLiteral("a.%%%%.c") << "" << true;
        QTest::newRow("not an object") << tokenWithPayload("[1,2]") << "" << true;
        QTest::newRow("broken JSON") << tokenWithPayload("{\"sub\":") << "" << false;
    }
    void jwtClaims()
    {
        QFETCH(QString, token);
        QFETCH(QString, subject);
        QFETCH(bool, identityTokenError);
        try {
            const QJsonObject claims = JWTClaims::decode(token);
            QCOMPARE(claims.value(QStringLiteral("sub")).toString(), subject);
        } catch (const SessionManagerError &error) {
            QVERIFY(subject.isEmpty() && identityTokenError);
            QCOMPARE(error.kind(), SessionManagerError::Kind::invalidIDToken);
        } catch (const LibraryError &error) {
            QVERIFY(subject.isEmpty() && !identityTokenError);
            QVERIFY(!error.message().isEmpty());
        }
    }

    void storedSessionHasTheExactStoredForm()
    {
        QCOMPARE(PersistedSession::encode(fullSession()),
                 QByteArray("{\"authenticated\":{\"_0\":{\"userID\":\"sub-1\",\"provider\":\"developer\","
                            "\"displayName\":\"Ada\",\"email\":\"ada@example.com\",\"cognitoSubject\":\"sub-1\","
                            "\"tokens\":{\"idToken\":\"id.tok.en\",\"accessToken\":\"access\","
                            "\"refreshToken\":\"refresh\",\"expiresAt\":3600.0}}}}"));
        UserSession minimal = fullSession();
        minimal.displayName.reset();
        minimal.email.reset();
        minimal.tokens.refreshToken.reset();
        minimal.tokens.expiresAt.reset();
        QCOMPARE(PersistedSession::encode(minimal),
                 QByteArray("{\"authenticated\":{\"_0\":{\"userID\":\"sub-1\",\"provider\":\"developer\","
                            "\"cognitoSubject\":\"sub-1\",\"tokens\":{\"idToken\":\"id.tok.en\","
                            "\"accessToken\":\"access\"}}}}"));
        QCOMPARE(PersistedSession::decode(PersistedSession::encode(minimal)), std::optional<UserSession>(minimal));
    }

    void storedSessionDecoding_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("decodes");

        const QByteArray tokens = "\"tokens\":{\"idToken\":\"i\",\"accessToken\":\"a\"}";
        auto session = [&](const QByteArray &members) {
            return "{\"authenticated\":{\"_0\":{\"userID\":\"u\",\"cognitoSubject\":\"u\"," + members + "}}}";
        };
        const auto expiringAt = [&](const QByteArray &expiry) {
            return session("\"provider\":\"google\"," + tokens.chopped(1) + ",\"expiresAt\":" + expiry + "}");
        };
        QTest::newRow("minimal") << session("\"provider\":\"apple\"," + tokens) << true;
        QTest::newRow("unknown inner keys ignored")
            << session("\"provider\":\"google\",\"avatar\":1," + tokens) << true;
        QTest::newRow("null optionals") << session("\"provider\":\"google\",\"email\":null," + tokens) << true;
        QTest::newRow("second top-level key")
            << ("{\"version\":2," + session("\"provider\":\"google\"," + tokens).mid(1)) << false;
        QTest::newRow("unknown provider") << session("\"provider\":\"github\"," + tokens) << false;
        QTest::newRow("no tokens") << session("\"provider\":\"google\"") << false;
        QTest::newRow("expiry as text") << expiringAt("\"soon\"") << false;
        QTest::newRow("expiry beyond the calendar") << expiringAt("1e300") << false;
        QTest::newRow("email not a string") << session("\"provider\":\"google\",\"email\":7," + tokens) << false;
        QTest::newRow("empty top") << QByteArray("{}") << false;
        QTest::newRow("nothing") << QByteArray() << false;
    }
    void storedSessionDecoding()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, decodes);
        QCOMPARE(PersistedSession::decode(data).has_value(), decodes);
    }
};

QTEST_GUILESS_MAIN(AuthValuesTest)
#include "tst_auth_values.moc"
