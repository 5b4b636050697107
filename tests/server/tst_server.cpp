#include "DevServerProcess.h"
#include "StandInModel.h"
#include "TemporaryHome.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSettings>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString passphrase = u"correct horse battery"_s;
const QByteArray jpeg = "\xFF\xD8 jpeg";

QByteArray bearer(const QJsonObject &tokens)
{
    return "Bearer " + tokens.value(u"id_token").toString().toUtf8();
}

// orvanta-server with these arguments; its exit status, and its standard error in *error.
int runServer(const QStringList &arguments, const QByteArray &input = {}, QByteArray *error = nullptr)
{
    QProcess process;
    process.start(qEnvironmentVariable("ORVANTA_BIN_DIR") + u"/orvanta-server"_s, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    if (error)
        *error = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// One server's folder: configuration, data, and the user alice added through the command line.
class ServerFolder
{
public:
    explicit ServerFolder(const QUrl &modelUrl, const QStringList &extraLines = {})
        : m_config(m_dir.filePath(u"server.conf"_s))
    {
        QFile file(m_config);
        if (file.open(QIODevice::WriteOnly))
            file.write((QStringList{u"[server]"_s, u"port=0"_s, u"data="_s + m_dir.filePath(u"data"_s), u"[model]"_s,
                                    u"url="_s + modelUrl.toString(), u"key=model-key"_s, u"timeout=2"_s} +
                        extraLines)
                           .join(u'\n')
                           .toUtf8());
    }

    int run(const QStringList &arguments, const QByteArray &input = {})
    {
        return runServer(arguments + QStringList{u"--config"_s, m_config}, input, &m_lastError);
    }
    QByteArray lastError() const { return m_lastError; }
    bool addAlice() { return run({u"user"_s, u"add"_s, u"alice"_s}, passphrase.toUtf8() + '\n') == 0; }

    std::unique_ptr<DevServerProcess> start()
    {
        return std::make_unique<DevServerProcess>(
            DevServerProcess::Program{u"orvanta-server"_s, {u"serve"_s, u"--config"_s, m_config}});
    }

private:
    QTemporaryDir m_dir;
    QString m_config;
    QByteArray m_lastError;
};

// A PostgreSQL cluster of the test's own in a temporary folder, reached through a socket there
// only, on a port of its own. initdb refuses to run as root, so root runs it as the postgres account.
class PostgresCluster
{
public:
    PostgresCluster()
    {
        const QString bin = u"/usr/lib/postgresql/15/bin/"_s;
        if (!QFile::exists(bin + u"initdb"_s) || !m_dir.isValid())
            return;
        const QString data = m_dir.filePath(u"data"_s);
        if (::geteuid() == 0) {
            m_prefix = {u"runuser"_s, u"-u"_s, u"postgres"_s, u"--"_s};
            QProcess::execute(u"chown"_s, {u"postgres"_s, m_dir.path()});
        }
        m_control = {bin + u"pg_ctl"_s, u"-D"_s, data, u"-w"_s};
        m_ready =
            run({bin + u"initdb"_s, u"-D"_s, data, u"-A"_s, u"trust"_s, u"-U"_s, u"orvanta"_s}) &&
            run(m_control + QStringList{u"-o"_s, u"-c listen_addresses= -p 5439 -k "_s + m_dir.path(), u"start"_s});
    }
    ~PostgresCluster()
    {
        if (m_ready)
            run(m_control + QStringList{u"-m"_s, u"immediate"_s, u"stop"_s});
    }

    // Drops every connection, as a database server's restart does.
    bool restart() const { return run(m_control + QStringList{u"-m"_s, u"fast"_s, u"restart"_s}); }
    bool isReady() const { return m_ready; }
    // Not the default port, so a port the URL names must be the one used.
    QString url() const { return u"postgresql://orvanta@localhost:5439/postgres?host="_s + m_dir.path(); }

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

QJsonObject signIn(DevServerProcess &server, const QString &typed = passphrase)
{
    const auto signedIn = server.signInWithPassphrase(u"alice"_s, typed);
    return std::holds_alternative<QJsonObject>(signedIn) ? std::get<QJsonObject>(signedIn) : QJsonObject();
}

DevServerProcess::Reply ask(DevServerProcess &server, const QJsonObject &tokens, bool withImage = false)
{
    QJsonObject body{{u"user_id"_s, u"alice"_s},
                     {u"capture_mode"_s, withImage ? u"IMAGE"_s : u"TEXT"_s},
                     {u"ocr_text"_s, u"Total 42"_s},
                     {u"question"_s, u"What is the total?"_s},
                     {u"history"_s, QJsonArray()}};
    if (withImage) {
        body.insert(u"image_base64"_s, QString::fromLatin1(jpeg.toBase64()));
        body.insert(u"image_mime_type"_s, u"image/jpeg"_s);
    }
    return server.request("POST", u"/ai/answer"_s, QJsonDocument(body).toJson(QJsonDocument::Compact),
                          {{"Content-Type", "application/json"}, {"Authorization", bearer(tokens)}});
}

} // namespace

class ServerTest : public QObject
{
    Q_OBJECT

private:
    TemporaryHome m_home;
    StandInModel m_model;
    std::unique_ptr<ServerFolder> m_folder;
    std::unique_ptr<DevServerProcess> m_server;

private Q_SLOTS:
    void init()
    {
        m_model.setBehaviour(StandInModel::Behaviour::Answer);
        m_model.setDelayMs(0);
        m_folder = std::make_unique<ServerFolder>(m_model.baseUrl());
        QVERIFY(m_folder->addAlice());
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
        QTest::newRow("right passphrase") << u"alice"_s << passphrase << 302;
        QTest::newRow("wrong passphrase") << u"alice"_s << passphrase + u'!' << 401;
        QTest::newRow("unknown user") << u"mallory"_s << passphrase << 401;
        QTest::newRow("empty passphrase") << u"alice"_s << QString() << 400;
    }
    void signsInOnlyWithTheRightPassphrase()
    {
        QFETCH(QString, user);
        QFETCH(QString, typed);
        QFETCH(int, status);
        const auto signedIn = m_server->signInWithPassphrase(user, typed);
        if (status != 302) {
            QVERIFY(std::holds_alternative<DevServerProcess::Reply>(signedIn));
            QCOMPARE(std::get<DevServerProcess::Reply>(signedIn).status, status);
            return;
        }
        QVERIFY(std::holds_alternative<QJsonObject>(signedIn));
        // The signed-in user's question with a picture reaches the model as an image part.
        const DevServerProcess::Reply reply = ask(*m_server, std::get<QJsonObject>(signedIn), true);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json().value(u"answer").toString(), StandInModel::answerFor(u"What is the total?"_s));
        QCOMPARE(m_model.lastAuthorization(), QByteArray("Bearer model-key"));
        const QJsonArray parts = m_model.lastBody()->value(u"messages").toArray().last()[u"content"].toArray();
        QCOMPARE(parts.at(1)[u"image_url"][u"url"].toString(),
                 u"data:image/jpeg;base64,"_s + QString::fromLatin1(jpeg.toBase64()));
    }

    void limitsWrongPassphrasesEvenSentAllAtOnce()
    {
        // What the sign-in page posts, with a wrong passphrase, eight times at once.
        const QByteArray guess =
            "request=" +
            QUrl::toPercentEncoding(DevServerProcess::authorizeQuery("v", "s").toString(QUrl::FullyEncoded)) +
            "&user=alice&passphrase=a-guess";
        QNetworkAccessManager network;
        QList<int> statuses;
        for (int i = 0; i < 8; ++i) {
            QNetworkRequest request(m_server->baseUrl().resolved(QUrl(u"/oauth2/authorize"_s)));
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
        const auto throttled = m_server->signInWithPassphrase(u"alice"_s, passphrase);
        QCOMPARE(std::get<DevServerProcess::Reply>(throttled).status, 429);
    }

    void keepsSessionsAndPresetsAcrossARestartUntilRevoked()
    {
        const QJsonObject tokens = signIn(*m_server);
        QVERIFY(!tokens.isEmpty());
        const QByteArray presets =
            R"({"user_id":"alice","presets":[{"id":"explain","title":"T","subtitle":"S","prompt":"P"}]})";
        const QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "application/json"},
                                                           {"Authorization", bearer(tokens)}};
        QCOMPARE(m_server->request("PUT", u"/prompt-presets"_s, presets, headers).status, 200);
        QVERIFY(m_server->stop());
        m_server = m_folder->start();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));

        QCOMPARE(ask(*m_server, tokens).status, 200);
        QCOMPARE(m_server->refresh(tokens.value(u"refresh_token").toString()).status, 200);
        const auto stored = m_server->request("GET", u"/prompt-presets?user_id=alice"_s, {}, headers);
        QCOMPARE(stored.json().value(u"presets").toArray().size(), 1);

        // Revoking ends every session at once; signing in again works.
        QCOMPARE(m_folder->run({u"user"_s, u"revoke"_s, u"alice"_s}), 0);
        QCOMPARE(ask(*m_server, tokens).status, 401);
        QCOMPARE(m_server->refresh(tokens.value(u"refresh_token").toString()).status, 400);
        QCOMPARE(ask(*m_server, signIn(*m_server)).status, 200);
    }

    void reportsAModelThatFails_data()
    {
        QTest::addColumn<int>("behaviour"); // -1: nothing listens at the model's address
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // the start of the message
        using Behaviour = StandInModel::Behaviour;
        QTest::newRow("slower than the time limit") << int(Behaviour::Answer) << 4000 << false << 504
                                                    << u"The language model did not answer within 2 seconds."_s;
        QTest::newRow("refuses a picture")
            << int(Behaviour::RefuseImages) << 0 << true << 400 << u"ocr_text is required."_s;
        QTest::newRow("refusal without a picture")
            << int(Behaviour::RefuseImages) << 0 << false << 502
            << u"The language model endpoint answered with status 400: image input is not supported by this model"_s;
        QTest::newRow("answers nonsense") << int(Behaviour::Nonsense) << 0 << false << 502
                                          << u"The language model endpoint's reply is not a chat completion."_s;
        QTest::newRow("fails") << int(Behaviour::Fail) << 0 << false << 502
                               << u"The language model endpoint answered with status 500: the model crashed"_s;
        QTest::newRow("is down") << -1 << 0 << false << 502 << u"The language model endpoint could not be reached: "_s;
    }
    void reportsAModelThatFails()
    {
        QFETCH(int, behaviour);
        QFETCH(int, delayMs);
        QFETCH(bool, withImage);
        QFETCH(int, status);
        QFETCH(QString, message);
        if (behaviour < 0) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            const QUrl down(u"http://127.0.0.1:%1/v1"_s.arg(closed.serverPort()));
            closed.close();
            m_server.reset();
            m_folder = std::make_unique<ServerFolder>(down);
            QVERIFY(m_folder->addAlice());
            m_server = m_folder->start();
        } else {
            m_model.setBehaviour(StandInModel::Behaviour(behaviour));
            m_model.setDelayMs(delayMs);
        }
        const DevServerProcess::Reply reply = ask(*m_server, signIn(*m_server), withImage);
        QCOMPARE(reply.status, status);
        const QString said = reply.json().value(u"message").toString();
        QVERIFY2(behaviour < 0 ? said.startsWith(message) && said.size() > message.size() : said == message,
                 qPrintable(said));
    }

    void twoServersOnOnePostgresServeOneApplication()
    {
        PostgresCluster postgres;
        if (!postgres.isReady())
            QSKIP("PostgreSQL 15 (Debian's postgresql package) is not installed or does not start here.");
        const QStringList shared{u"[database]"_s, u"url="_s + postgres.url()};
        ServerFolder first(m_model.baseUrl(), shared);
        ServerFolder second(m_model.baseUrl(), shared);
        QVERIFY2(first.addAlice(), first.lastError().constData());
        const std::unique_ptr<DevServerProcess> servers[] = {first.start(), second.start()};
        QVERIFY2(servers[1]->isRunning(), qPrintable(servers[1]->errorString()));
        QJsonObject tokens = signIn(*servers[0]);
        // Each request goes to the other server than the one before, as a load balancer may send them.
        for (int turn = 1; turn <= 4; ++turn) {
            QCOMPARE(ask(*servers[turn % 2], tokens).status, 200);
            const DevServerProcess::Reply renewed =
                servers[(turn + 1) % 2]->refresh(tokens.value(u"refresh_token").toString());
            QCOMPARE(renewed.status, 200);
            tokens.insert(u"id_token"_s, renewed.json().value(u"id_token"));
        }
        // Both servers find the database again after its restart.
        QVERIFY(postgres.restart());
        QCOMPARE(ask(*servers[0], tokens).status, 200);
        QCOMPARE(ask(*servers[1], tokens).status, 200);
        // Wrong passphrases through one server count at the other.
        for (int guess = 0; guess < 5; ++guess)
            QVERIFY(signIn(*servers[0], u"wrong"_s).isEmpty());
        const auto throttled = servers[1]->signInWithPassphrase(u"alice"_s, passphrase);
        QVERIFY(std::holds_alternative<DevServerProcess::Reply>(throttled));
        QCOMPARE(std::get<DevServerProcess::Reply>(throttled).status, 429);
    }

    void setupWritesAPrivateConfigurationAndPointsTheApplication()
    {
        QFile passphraseFile(m_home.filePath(u"passphrase"_s));
        QVERIFY(passphraseFile.open(QIODevice::WriteOnly));
        passphraseFile.write(passphrase.toUtf8() + '\n');
        passphraseFile.close();
        QSettings application(m_home.filePath(u"config/Orvanta/Orvanta.conf"_s), QSettings::IniFormat);
        application.setValue(u"orvanta.session.persistedSession"_s, QByteArray("{}"));
        application.sync();

        // The port is only written down: nothing listens on it.
        QByteArray error;
        QVERIFY2(runServer({u"setup"_s, u"--no-start"_s, u"--user"_s, u"alice"_s, u"--passphrase-file"_s,
                            passphraseFile.fileName(), u"--model-url"_s, m_model.baseUrl().toString(), u"--port"_s,
                            u"18790"_s, u"--model-key-file"_s, passphraseFile.fileName()},
                           {}, &error) == 0,
                 error.constData());

        // Read and write for its owner, nothing for group and others.
        const QString config = m_home.filePath(u"config/orvanta-server/server.conf"_s);
        QCOMPARE(QFile::permissions(config) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(QSettings(config, QSettings::IniFormat).value(u"model/key"_s).toString(), passphrase);
        QFile unit(m_home.filePath(u"config/systemd/user/orvanta-server.service"_s));
        QVERIFY(unit.open(QIODevice::ReadOnly));
        QVERIFY(unit.readAll().contains("/orvanta-server\" serve --config \"" + config.toUtf8() + '"'));
        application.sync();
        for (const QString &key : {u"orvanta.settings.cognitoDomainURL"_s, u"orvanta.settings.hostedBackendBaseURL"_s})
            QCOMPARE(application.value(key).toString(), u"http://127.0.0.1:18790"_s);
        QVERIFY(!application.contains(u"orvanta.session.persistedSession"_s));
    }

    void servesHttpsWithTheConfiguredCertificateAndRefusesPlainHttpOffLoopback()
    {
        ServerFolder plain(m_model.baseUrl(), {u"[server]"_s, u"address=0.0.0.0"_s});
        QCOMPARE(plain.run({u"serve"_s}), 1);
        QVERIFY(plain.lastError().contains("without TLS"));

        const QString certificate = m_home.filePath(u"cert.pem"_s);
        const QString key = m_home.filePath(u"key.pem"_s);
        if (QProcess::execute(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                             u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-subj"_s,
                                             u"/CN=127.0.0.1"_s, u"-addext"_s, u"subjectAltName=IP:127.0.0.1"_s,
                                             u"-keyout"_s, key, u"-out"_s, certificate, u"-days"_s, u"1"_s}) != 0)
            QSKIP("openssl cannot make a test certificate here.");
        ServerFolder folder(m_model.baseUrl(),
                            {u"[server]"_s, u"certificate="_s + certificate, u"private_key="_s + key});
        const std::unique_ptr<DevServerProcess> server = folder.start();
        QVERIFY2(server->isRunning(), qPrintable(server->errorString()));
        QCOMPARE(server->baseUrl().scheme(), u"https"_s);

        QSslConfiguration trust = QSslConfiguration::defaultConfiguration();
        trust.setCaCertificates(QSslCertificate::fromPath(certificate));
        QSslConfiguration::setDefaultConfiguration(trust);
        // Reached over TLS: the server itself refuses the missing token.
        QCOMPARE(server->request("GET", u"/prompt-presets"_s).status, 401);
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
