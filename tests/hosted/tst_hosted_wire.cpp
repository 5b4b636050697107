#include "HostedSamples.h"
#include "hosted/HostedWire.h"
#include "support/OrvantaError.h"

#include <QTest>

using namespace Qt::StringLiterals;

class HostedWireTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answerRequestBody_data()
    {
        QTest::addColumn<CaptureAnswerInput>("input");
        QTest::addColumn<QList<ConversationTurn>>("history");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("text without recognised text")
            << CaptureAnswerInput{} << QList<ConversationTurn>()
            << QByteArray(R"({"user_id":"u-1","capture_mode":"TEXT","ocr_text":"","question":"Why?","history":[]})");
        CaptureAnswerInput partial;
        partial.mode = CaptureUnderstandingMode::image;
        partial.imageBase64 = u"AAAA"_s;
        partial.imageHeight = 7;
        QTest::newRow("image fields the input lacks are left out")
            << partial << QList<ConversationTurn>()
            << QByteArray(R"({"user_id":"u-1","capture_mode":"IMAGE","ocr_text":"","question":"Why?","history":[],)"
                          R"("image_base64":"AAAA","image_height":7})");
        CaptureAnswerInput textWithImage = sampleImageInput();
        textWithImage.mode = CaptureUnderstandingMode::text;
        textWithImage.routeSummary.reset();
        QTest::newRow("text mode never sends an image")
            << textWithImage << QList<ConversationTurn>()
            << QByteArray(
                   R"({"user_id":"u-1","capture_mode":"TEXT","ocr_text":"Total 42","question":"Why?","history":[]})");
        const auto turn = [](const QString &question, const QString &answer) {
            return ConversationTurn{QUuid::createUuid(), question, answer, QDateTime::currentDateTime(), u"p (m)"_s};
        };
        QTest::newRow("a follow-up sends the route summary but no image, the turns in order")
            << sampleImageInput() << QList<ConversationTurn>{turn(u"zweite"_s, u"b"_s), turn(u"été\n"_s, u"a"_s)}
            << R"({"user_id":"u-1","capture_mode":"IMAGE","ocr_text":"Total 42","question":"Why?",)"
               R"("history":[{"question":"zweite","answer":"b"},)"
               "{\"question\":\"\xc3\xa9t\xc3\xa9\\n\",\"answer\":\"a\"}],\"route_summary\":" +
                   QByteArray::fromStdString(CaptureRouteSummary{}.toJson().dump()) + '}';
    }
    void answerRequestBody()
    {
        QFETCH(CaptureAnswerInput, input);
        QFETCH(QList<ConversationTurn>, history);
        QFETCH(QByteArray, expected);
        QCOMPARE(HostedWire::encodeAnswerRequest(input, u"Why?"_s, history, u"u-1"_s), expected);
    }

    void endpointURL_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("expected"); // empty: refused
        const auto row = [](const char *name, const QString &base, const QString &expected = {}) {
            QTest::newRow(name) << base << expected;
        };
        row("https", u"https://api.example.com"_s, u"https://api.example.com/ai/answer"_s);
        row("base with a path", u"https://example.com/v2"_s, u"https://example.com/v2/ai/answer"_s);
        row("plain http to 127.0.0.1", u"http://127.0.0.1:8080"_s, u"http://127.0.0.1:8080/ai/answer"_s);
        row("plain http to localhost", u"http://LocalHost:9"_s, u"http://localhost:9/ai/answer"_s);
        row("plain http to another machine", u"http://api.example.com"_s);
        row("plain http to a loopback look-alike", u"http://127.0.0.1.example.com"_s);
        row("empty", QString());
        row("other scheme", u"ftp://api.example.com"_s);
        row("space in host", u"https://api example.com"_s);
    }
    void endpointURL()
    {
        QFETCH(QString, base);
        QFETCH(QString, expected);
        const std::optional<QUrl> url = HostedWire::endpointURL(base, HostedWire::answerPath);
        QCOMPARE(url ? QString::fromUtf8(url->toEncoded()) : QString(), expected);
    }

    void presetReply_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("count"); // -1: undecodable
        QTest::newRow("unknown members ignored")
            << QByteArray(R"({"presets":[{"id":"explain","title":"T","subtitle":"S","prompt":"P","updated":3}],)"
                          R"("version":2})")
            << 1;
        QTest::newRow("empty list") << QByteArray(R"({"presets":[]})") << 0;
        QTest::newRow("id not a string") << QByteArray(
                                                R"({"presets":[{"id":1,"title":"T","subtitle":"S","prompt":"P"}]})")
                                         << -1;
        QTest::newRow("entry not an object") << QByteArray(R"({"presets":["explain"]})") << -1;
        QTest::newRow("presets missing") << QByteArray("{}") << -1;
        QTest::newRow("not JSON") << QByteArray("<html>") << -1;
        QTest::newRow("top-level list") << QByteArray("[]") << -1;
    }
    void presetReply()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, count);
        try {
            QCOMPARE(HostedWire::decodePresetResponse(body).size(), count);
        } catch (const LibraryError &error) {
            QCOMPARE(count, -1);
            QVERIFY(!error.message().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(HostedWireTest)
#include "tst_hosted_wire.moc"
