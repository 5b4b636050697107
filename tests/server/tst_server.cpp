#include "DevServerProcess.h"
#include "StandInModel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString passphrase = QStringLiteral("correct horse battery");

QByteArray bearer(const QJsonObject &tokens)
{
    return "Bearer " + tokens.value(QStringLiteral("id_token")).toString().toUtf8();
}

QByteArray answerBody(const QString &user, bool withImage)
{
    QJsonObject body{{QStringLiteral("user_id"), user},
                     {QStringLiteral("capture_mode"), withImage ? QStringLiteral("IMAGE") : QStringLiteral("TEXT")},
                     {QStringLiteral("ocr_text"), QStringLiteral("Total 42")},
                     {QStringLiteral("question"), QStringLiteral("What is the total?")},
                     {QStringLiteral("history"), QJsonArray()}};
    if (withImage) {
        body.insert(QStringLiteral("image_base64"), QString::fromLatin1(QByteArray("\xFF\xD8 jpeg").toBase64()));
        body.insert(QStringLiteral("image_mime_type"), QStringLiteral("image/jpeg"));
    }
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

// One server's folder: configuration, data, and a user added through the command line.
class ServerFolder
{
public:
    explicit ServerFolder(const QUrl &modelUrl, const QStringList &extraLines = {})
        : m_config(m_dir.filePath(QStringLiteral("server.conf")))
    {
        QFile file(m_config);
        if (file.open(QIODevice::WriteOnly))
            file.write((QStringList{QStringLiteral("[server]"), QStringLiteral("port=0"),
                                    QStringLiteral("data=") + m_dir.filePath(QStringLiteral("data")),
                                    QStringLiteral("[model]"), QStringLiteral("url=") + modelUrl.toString(),
                                    QStringLiteral("key=model-key"), QStringLiteral("timeout=2")} +
                        extraLines)
                           .join(QLatin1Char('\n'))
                           .toUtf8());
    }

    QString config() const { return m_config; }

    // orvanta-server with these arguments and --config; its exit status.
    int run(const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        process.start(qEnvironmentVariable("ORVANTA_BIN_DIR") + QStringLiteral("/orvanta-server"),
                      arguments + QStringList{QStringLiteral("--config"), m_config});
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(30000);
        m_lastError = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QByteArray lastError() const { return m_lastError; }

    std::unique_ptr<DevServerProcess> start()
    {
        return std::make_unique<DevServerProcess>(DevServerProcess::Program{
            QStringLiteral("orvanta-server"), {QStringLiteral("serve"), QStringLiteral("--config"), m_config}});
    }

private:
    QTemporaryDir m_dir;
    QString m_config;
    QByteArray m_lastError;
};

// A PostgreSQL cluster of the test's own in a temporary folder, reached through a socket there
// only. initdb refuses to run as root, so root runs it as the postgres account.
class PostgresCluster
{
public:
    PostgresCluster()
    {
        const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
        if (!QFile::exists(bin + QStringLiteral("initdb")) || !m_dir.isValid())
            return;
        const QString data = m_dir.filePath(QStringLiteral("data"));
        if (::geteuid() == 0) {
            m_prefix = {QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"),
                        QStringLiteral("--")};
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres"), m_dir.path()});
        }
        m_control = {bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), data, QStringLiteral("-w")};
        m_ready =
            run({bin + QStringLiteral("initdb"), QStringLiteral("-D"), data, QStringLiteral("-A"),
                 QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("orvanta")}) &&
            run(m_control + QStringList{QStringLiteral("-o"), QStringLiteral("-c listen_addresses= -k ") + m_dir.path(),
                                        QStringLiteral("start")});
    }
    ~PostgresCluster()
    {
        if (m_ready)
            run(m_control + QStringList{QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
    }

    // Drops every connection, as a database server's restart does.
    bool restart() const
    {
        return run(m_control + QStringList{QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("restart")});
    }

    bool isReady() const { return m_ready; }
    QString url() const { return QStringLiteral("postgresql://orvanta@localhost/postgres?host=") + m_dir.path(); }

private:
    bool run(const QStringList &command) const
    {
        QProcess process;
        process.start((m_prefix + command).first(), (m_prefix + command).mid(1));
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    QStringList m_prefix;
    QStringList m_control;
    bool m_ready = false;
};

} // namespace

class ServerTest : public QObject
{
    Q_OBJECT

private:
    StandInModel m_model;
    std::unique_ptr<ServerFolder> m_folder;
    std::unique_ptr<DevServerProcess> m_server;

    QJsonObject signIn() { return signIn(*m_server); }
    DevServerProcess::Reply ask(const QJsonObject &tokens, bool withImage = false)
    {
        return ask(*m_server, tokens, withImage);
    }
    DevServerProcess::Reply refresh(const QJsonObject &tokens) { return refresh(*m_server, tokens); }

    static QJsonObject signIn(DevServerProcess &server)
    {
        const auto signedIn = server.signInWithPassphrase(QStringLiteral("alice"), passphrase);
        if (!std::holds_alternative<QJsonObject>(signedIn))
            return {};
        return std::get<QJsonObject>(signedIn);
    }

    static DevServerProcess::Reply ask(DevServerProcess &server, const QJsonObject &tokens, bool withImage = false)
    {
        return server.request("POST", QStringLiteral("/ai/answer"), answerBody(QStringLiteral("alice"), withImage),
                              {{"Content-Type", "application/json"}, {"Authorization", bearer(tokens)}});
    }

    static DevServerProcess::Reply refresh(DevServerProcess &server, const QJsonObject &tokens)
    {
        const QByteArray form = "grant_type=refresh_token&client_id=4kq8zt1vr7mw2hx9pbn3yjd6ca&refresh_token=" +
                                QUrl::toPercentEncoding(tokens.value(QStringLiteral("refresh_token")).toString());
        return server.request("POST", QStringLiteral("/oauth2/token"), form,
                              {{"Content-Type", "application/x-www-form-urlencoded"}});
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_model.baseUrl().isValid());
        m_model.setBehaviour(StandInModel::Behaviour::Answer);
        m_model.setDelayMs(0);
        m_folder = std::make_unique<ServerFolder>(m_model.baseUrl());
        QCOMPARE(m_folder->run({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("alice")},
                               passphrase.toUtf8() + '\n'),
                 0);
        m_server = m_folder->start();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }

    void cleanup()
    {
        m_server.reset();
        m_folder.reset();
    }

    void signsInOnlyWithTheRightPassphrase_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("status");
        QTest::newRow("right passphrase") << "alice" << passphrase << 302;
        QTest::newRow("wrong passphrase") << "alice"
                                          << "correct horse battery!" << 401;
        QTest::newRow("unknown user") << "mallory" << passphrase << 401;
        QTest::newRow("empty passphrase") << "alice"
                                          << "" << 400;
    }

    void signsInOnlyWithTheRightPassphrase()
    {
        QFETCH(QString, user);
        QFETCH(QString, typed);
        QFETCH(int, status);
        const auto signedIn = m_server->signInWithPassphrase(user, typed);
        if (status == 302) {
            QVERIFY(std::holds_alternative<QJsonObject>(signedIn));
            const QJsonObject tokens = std::get<QJsonObject>(signedIn);
            const DevServerProcess::Reply reply = ask(tokens);
            QCOMPARE(reply.status, 200);
            QCOMPARE(reply.json().value(QStringLiteral("answer")).toString(),
                     StandInModel::answerFor(QStringLiteral("What is the total?")));
            QCOMPARE(m_model.lastAuthorization(), QByteArray("Bearer model-key"));
            return;
        }
        QVERIFY(std::holds_alternative<DevServerProcess::Reply>(signedIn));
        QCOMPARE(std::get<DevServerProcess::Reply>(signedIn).status, status);
    }

    void limitsWrongPassphrasesEvenSentAllAtOnce()
    {
        // What the sign-in page posts, with a wrong passphrase, eight times at once.
        const QByteArray guess = "request=" +
                                 QUrl::toPercentEncoding(QStringLiteral(
                                     "client_id=4kq8zt1vr7mw2hx9pbn3yjd6ca&response_type=code&redirect_uri="
                                     "com.orvanta.desktop.auth%3A%2F%2Fauth%2Fcognito&code_challenge_method=S256&"
                                     "code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM&state=s")) +
                                 "&user=alice&passphrase=a-guess";
        QNetworkAccessManager network;
        QList<int> statuses;
        for (int i = 0; i < 8; ++i) {
            QNetworkRequest request(m_server->baseUrl().resolved(QUrl(QStringLiteral("/oauth2/authorize"))));
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/x-www-form-urlencoded"));
            QNetworkReply *reply = network.post(request, guess);
            connect(reply, &QNetworkReply::finished, this, [reply, &statuses] {
                statuses.append(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
                reply->deleteLater();
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(statuses.size(), 8, 60000);
        QCOMPARE(statuses.count(401), 5);
        QCOMPARE(statuses.count(429), 3);
        // Then even the right passphrase waits.
        const auto throttled = m_server->signInWithPassphrase(QStringLiteral("alice"), passphrase);
        QCOMPARE(std::get<DevServerProcess::Reply>(throttled).status, 429);
    }

    void keepsSessionsAndPresetsAcrossARestart()
    {
        const QJsonObject tokens = signIn();
        QVERIFY(!tokens.isEmpty());
        const QByteArray presets =
            R"({"user_id":"alice","presets":[{"id":"explain","title":"T","subtitle":"S","prompt":"P"}]})";
        QCOMPARE(m_server
                     ->request("PUT", QStringLiteral("/prompt-presets"), presets,
                               {{"Content-Type", "application/json"}, {"Authorization", bearer(tokens)}})
                     .status,
                 200);
        QVERIFY(m_server->stop());
        m_server = m_folder->start();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));

        QCOMPARE(ask(tokens).status, 200);
        QCOMPARE(refresh(tokens).status, 200);
        const DevServerProcess::Reply stored = m_server->request("GET", QStringLiteral("/prompt-presets?user_id=alice"),
                                                                 {}, {{"Authorization", bearer(tokens)}});
        QCOMPARE(stored.json().value(QStringLiteral("presets")).toArray().size(), 1);
    }

    void revokingEndsEverySessionAtOnce()
    {
        const QJsonObject tokens = signIn();
        QVERIFY(!tokens.isEmpty());
        QCOMPARE(m_folder->run({QStringLiteral("user"), QStringLiteral("revoke"), QStringLiteral("alice")}), 0);
        QCOMPARE(ask(tokens).status, 401);
        QCOMPARE(refresh(tokens).status, 400);
        // Signing in again works.
        QCOMPARE(ask(signIn()).status, 200);
    }

    void reportsAModelThatFails_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("slower than the time limit") << int(StandInModel::Behaviour::Answer) << 4000 << false << 504
                                                    << "The language model did not answer within 2 seconds.";
        QTest::newRow("refuses a picture")
            << int(StandInModel::Behaviour::RefuseImages) << 0 << true << 400 << "ocr_text is required.";
        QTest::newRow("refusal without a picture")
            << int(StandInModel::Behaviour::RefuseImages) << 0 << false << 502
            << "The language model endpoint answered with status 400: image input is not supported by this model";
        QTest::newRow("answers nonsense") << int(StandInModel::Behaviour::Nonsense) << 0 << false << 502
                                          << "The language model endpoint's reply is not a chat completion.";
        QTest::newRow("fails") << int(StandInModel::Behaviour::Fail) << 0 << false << 502
                               << "The language model endpoint answered with status 500: the model crashed";
    }

    void reportsAModelThatFails()
    {
        QFETCH(int, behaviour);
        QFETCH(int, delayMs);
        QFETCH(bool, withImage);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QJsonObject tokens = signIn();
        m_model.setBehaviour(StandInModel::Behaviour(behaviour));
        m_model.setDelayMs(delayMs);
        const DevServerProcess::Reply reply = ask(tokens, withImage);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.json().value(QStringLiteral("message")).toString(), message);
    }

    void sendsThePictureAsAnImagePart()
    {
        QCOMPARE(ask(signIn(), true).status, 200);
        const QJsonArray parts = m_model.lastBody()
                                     ->value(QStringLiteral("messages"))
                                     .toArray()
                                     .last()
                                     .toObject()
                                     .value(QStringLiteral("content"))
                                     .toArray();
        QCOMPARE(parts.at(1).toObject().value(QStringLiteral("image_url")).toObject().value(QStringLiteral("url")),
                 QStringLiteral("data:image/jpeg;base64,") +
                     QString::fromLatin1(QByteArray("\xFF\xD8 jpeg").toBase64()));
    }

    void reportsAModelEndpointThatIsDown()
    {
        ServerFolder folder(QUrl(QStringLiteral("http://127.0.0.1:9/v1")));
        QCOMPARE(
            folder.run({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("alice")}, passphrase.toUtf8()),
            0);
        m_server = folder.start();
        const DevServerProcess::Reply reply = ask(signIn());
        QCOMPARE(reply.status, 502);
        QVERIFY(reply.json()
                    .value(QStringLiteral("message"))
                    .toString()
                    .startsWith(QStringLiteral("The language model endpoint could not be reached: ")));
    }

    void twoServersOnOnePostgresServeOneApplication()
    {
        PostgresCluster postgres;
        if (!postgres.isReady())
            QSKIP("PostgreSQL 15 (Debian's postgresql package) is not installed or does not start here.");
        const QStringList shared{QStringLiteral("[database]"), QStringLiteral("url=") + postgres.url()};
        ServerFolder first(m_model.baseUrl(), shared);
        ServerFolder second(m_model.baseUrl(), shared);
        QVERIFY2(first.run({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("alice")},
                           passphrase.toUtf8()) == 0,
                 first.lastError().constData());
        const std::unique_ptr<DevServerProcess> servers[] = {first.start(), second.start()};
        QVERIFY2(servers[1]->isRunning(), qPrintable(servers[1]->errorString()));
        QJsonObject tokens = signIn(*servers[0]);
        // Each request goes to the other server than the one before, as a load balancer may send them.
        for (int turn = 1; turn <= 4; ++turn) {
            QCOMPARE(ask(*servers[turn % 2], tokens).status, 200);
            const DevServerProcess::Reply renewed = refresh(*servers[(turn + 1) % 2], tokens);
            QCOMPARE(renewed.status, 200);
            tokens.insert(QStringLiteral("id_token"), renewed.json().value(QStringLiteral("id_token")));
        }
        // Both servers find the database again after its restart.
        QVERIFY(postgres.restart());
        QCOMPARE(ask(*servers[0], tokens).status, 200);
        QCOMPARE(ask(*servers[1], tokens).status, 200);
    }

    void setupWritesAPrivateConfigurationAndPointsTheApplication()
    {
        QTemporaryDir home;
        QFile passphraseFile(home.filePath(QStringLiteral("passphrase")));
        QVERIFY(passphraseFile.open(QIODevice::WriteOnly));
        passphraseFile.write(passphrase.toUtf8() + '\n');
        passphraseFile.close();
        QSettings application(home.filePath(QStringLiteral("config/Orvanta/Orvanta.conf")), QSettings::IniFormat);
        application.setValue(QStringLiteral("orvanta.session.persistedSession"), QByteArray("{}"));
        application.sync();

        QProcess setup;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        setup.setProcessEnvironment(environment);
        const QString config = home.filePath(QStringLiteral("config/orvanta-server/server.conf"));
        setup.start(qEnvironmentVariable("ORVANTA_BIN_DIR") + QStringLiteral("/orvanta-server"),
                    {QStringLiteral("setup"), QStringLiteral("--no-start"), QStringLiteral("--user"),
                     QStringLiteral("alice"), QStringLiteral("--passphrase-file"), passphraseFile.fileName(),
                     QStringLiteral("--model-url"), m_model.baseUrl().toString(), QStringLiteral("--port"),
                     QStringLiteral("18790")});
        QVERIFY(setup.waitForFinished(30000));
        QVERIFY2(setup.exitCode() == 0, setup.readAllStandardError().constData());

        // Read and write for its owner, nothing for group and others.
        QCOMPARE(QFile::permissions(config) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        QFile unit(home.filePath(QStringLiteral("config/systemd/user/orvanta-server.service")));
        QVERIFY(unit.open(QIODevice::ReadOnly));
        QVERIFY(unit.readAll().contains("/orvanta-server\" serve --config \"" + config.toUtf8() + '"'));
        application.sync();
        QCOMPARE(application.value(QStringLiteral("orvanta.settings.cognitoDomainURL")).toString(),
                 QStringLiteral("http://127.0.0.1:18790"));
        QCOMPARE(application.value(QStringLiteral("orvanta.settings.hostedBackendBaseURL")).toString(),
                 QStringLiteral("http://127.0.0.1:18790"));
        QVERIFY(!application.contains(QStringLiteral("orvanta.session.persistedSession")));
    }

    void servesHttpsWithTheConfiguredCertificate()
    {
        QTemporaryDir keys;
        const QString certificate = keys.filePath(QStringLiteral("cert.pem"));
        const QString key = keys.filePath(QStringLiteral("key.pem"));
        if (QProcess::execute(QStringLiteral("openssl"),
                              {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                               QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                               QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                               QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"), key,
                               QStringLiteral("-out"), certificate, QStringLiteral("-days"), QStringLiteral("1")}) != 0)
            QSKIP("openssl cannot make a test certificate here.");
        ServerFolder folder(m_model.baseUrl(),
                            {QStringLiteral("[server]"), QStringLiteral("certificate=") + certificate,
                             QStringLiteral("private_key=") + key});
        const std::unique_ptr<DevServerProcess> server = folder.start();
        QVERIFY2(server->isRunning(), qPrintable(server->errorString()));
        QCOMPARE(server->baseUrl().scheme(), QStringLiteral("https"));

        QSslConfiguration trust = QSslConfiguration::defaultConfiguration();
        trust.setCaCertificates(QSslCertificate::fromPath(certificate));
        QNetworkAccessManager network;
        QNetworkRequest request(server->baseUrl().resolved(QUrl(QStringLiteral("/prompt-presets"))));
        request.setSslConfiguration(trust);
        QNetworkReply *reply = network.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(15000));
        // Reached over TLS: the server itself refuses the missing token.
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 401);
        delete reply;
    }

    void refusesPlainHttpOffLoopback()
    {
        ServerFolder folder(m_model.baseUrl(), {QStringLiteral("[server]"), QStringLiteral("address=0.0.0.0")});
        QCOMPARE(folder.run({QStringLiteral("serve")}), 1);
        QVERIFY(folder.lastError().contains("without TLS"));
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
