#include "DevServerProcess.h"
#include "TemporaryHome.h"
#include "auth/PersistedSession.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/QSettingsKeyValueStore.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Layout bridges that always report the same page: running text, or a table.
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
    TemporaryHome m_home;
    std::unique_ptr<DevServerProcess> m_server;
    QString m_image;
    QJsonObject m_tokens;

    QString settingsFile() const { return m_home.filePath(u"config/Orvanta/Orvanta.conf"_s); }

    // A layout bridge script in the temporary home.
    QString writeBridge(const QString &name, const QByteArray &script) const
    {
        QFile file(m_home.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
            return {};
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file.fileName();
    }

    // The session the application would have stored after signing in, tokens from the server.
    void storeSession()
    {
        const QDateTime expiresAt = QDateTime::currentDateTime().addSecs(3000);
        const UserSession session{.userID = u"dev-user-0001"_s,
                                  .displayName = {},
                                  .email = {},
                                  .cognitoSubject = u"dev-user-0001"_s,
                                  .tokens = {m_tokens[u"id_token"].toString(), m_tokens[u"access_token"].toString(),
                                             m_tokens[u"refresh_token"].toString(), expiresAt}};
        QSettingsKeyValueStore(settingsFile())
            .setValue(PersistedSession::storageKey, PersistedSession::encode(session));
    }

    AskRun ask(const QStringList &arguments, const QByteArray &bridge = textBridge, const QByteArray &input = {})
    {
        QProcess process;
        QProcessEnvironment environment = TemporaryHome::environment();
        environment.insert(u"ORVANTA_PADDLE_OCR_BRIDGE"_s,
                           writeBridge(bridge == textBridge ? u"text-bridge"_s : u"table-bridge"_s, bridge));
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("ORVANTA_BIN_DIR") + u"/orvanta-cli"_s, QStringList{u"ask"_s} + arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QJsonObject lastAnswerRequest()
    {
        const std::optional<QJsonObject> request = m_server->lastRequest(u"/ai/answer"_s);
        return request ? QJsonDocument::fromJson((*request)[u"body"].toString().toUtf8()).object() : QJsonObject();
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
        m_image = m_home.filePath(u"capture.png"_s);
        QVERIFY(image.save(m_image));
    }

    void init() { storeSession(); }

    void followUpsCarryTheEarlierTurnsAndNoImage()
    {
        const AskRun run = ask({u"--json"_s, m_image, u"Summarise it."_s, u"And the risks?"_s}, tableBridge);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(first.keys(), (QStringList{u"answer"_s, u"generated_at"_s, u"provider"_s, u"question"_s}));
        QCOMPARE(first[u"question"].toString(), u"Summarise it."_s);
        QVERIFY(QDateTime::fromString(first[u"generated_at"].toString(), Qt::ISODateWithMs).isValid());

        const QJsonArray history{QJsonObject{{u"question"_s, u"Summarise it."_s}, {u"answer"_s, first[u"answer"]}}};
        QCOMPARE(lastAnswerRequest()[u"history"].toArray(), history);
    }

    void imageFromStandardInputGivesPlainAnswersAndNoToken()
    {
        QFile png(m_image);
        QVERIFY(png.open(QIODevice::ReadOnly));
        const QByteArray pngBytes = png.readAll();
        const QStringList questions{u"-"_s, u"One?"_s, u"Two?"_s};
        const AskRun plain = ask(questions, textBridge, pngBytes);
        QVERIFY2(plain.exitCode == 0, plain.err.constData());
        QVERIFY(!plain.err.contains(m_tokens[u"id_token"].toString().toUtf8()));

        // The offline answers are deterministic: the plain form is the answers, a blank line apart.
        const AskRun json = ask(QStringList{u"--json"_s} + questions, textBridge, pngBytes);
        QVERIFY2(json.exitCode == 0, json.err.constData());
        QByteArrayList answers;
        for (const QByteArray &line : json.out.trimmed().split('\n'))
            answers.append(QJsonDocument::fromJson(line)[u"answer"].toString().toUtf8());
        QCOMPARE(answers.size(), 2);
        QCOMPARE(plain.out, answers.join("\n\n") + '\n');
    }

    void firstQuestionCarriesTheImageTheRouteSummaryAndThePresetsPrompt()
    {
        const QByteArray presets = R"({"user_id":"dev-user-0001","presets":[{"id":"summarize","title":"TL;DR",)"
                                   R"("subtitle":"Short","prompt":"Three bullet points, no more."}]})";
        const QByteArray bearer = "Bearer " + m_tokens[u"id_token"].toString().toUtf8();
        const auto stored = m_server->request("PUT", u"/prompt-presets"_s, presets,
                                              {{"Authorization", bearer}, {"Content-Type", "application/json"}});
        QCOMPARE(stored.status, 200);
        const AskRun run = ask({u"--preset"_s, u"summarize"_s, m_image}, tableBridge);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(!run.out.trimmed().isEmpty());
        const QJsonObject body = lastAnswerRequest();
        QCOMPARE(body[u"question"].toString(), u"Three bullet points, no more."_s);
        QVERIFY(!body[u"image_base64"].toString().isEmpty());
        QVERIFY(body[u"route_summary"].toObject()[u"meaningful_table"].toBool());
    }

    void failuresPrintTheirMessage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("signed out") << QStringList{u"IMAGE"_s, u"Q?"_s} << u"Please sign in first."_s;
        QTest::newRow("no question") << QStringList{u"IMAGE"_s} << u"usage: orvanta-cli ask"_s;
        QTest::newRow("unknown preset") << QStringList{u"--preset"_s, u"translate"_s, u"IMAGE"_s}
                                        << u"usage: orvanta-cli ask"_s;
        QTest::newRow("missing image") << QStringList{u"/no/such.png"_s, u"Q?"_s}
                                       << u"Could not read the image /no/such.png"_s;
    }
    void failuresPrintTheirMessage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        if (qstrcmp(QTest::currentDataTag(), "signed out") == 0)
            QSettingsKeyValueStore(settingsFile()).remove(PersistedSession::storageKey);
        const AskRun run = ask(arguments.replaceInStrings(u"IMAGE"_s, m_image));
        QCOMPARE(run.exitCode, 1);
        // Diagnostics may come first; the message is the last line.
        QVERIFY2(run.err.trimmed().split('\n').last().startsWith(message.toUtf8()), run.err.constData());
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CliAskTest)
#include "tst_cli_ask.moc"
