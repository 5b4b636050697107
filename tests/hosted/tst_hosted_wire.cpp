#include "HostedSamples.h"
#include "hosted/HostedWire.h"
#include "support/OrvantaError.h"

#include <QTest>

namespace {
ConversationTurn turn(const QString &question, const QString &answer)
{
    return {QUuid::createUuid(), question, answer, QDateTime::currentDateTime(), QStringLiteral("p (m)")};
}
} // namespace

class HostedWireTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answerRequestBody_data()
    {
        QTest::addColumn<CaptureAnswerInput>("input");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("text without recognised text") << CaptureAnswerInput{}
                                                      << QByteArray("{\"user_id\":\"u-1\",\"capture_mode\":\"TEXT\","
                                                                    "\"ocr_text\":\"\",\"question\":\"Why?\","
                                                                    "\"history\":[]}");
        CaptureAnswerInput partial;
        partial.mode = CaptureUnderstandingMode::image;
        partial.imageBase64 = QStringLiteral("AAAA");
        partial.imageHeight = 7;
        QTest::newRow("image fields the input lacks are left out")
            << partial
            << QByteArray("{\"user_id\":\"u-1\",\"capture_mode\":\"IMAGE\",\"ocr_text\":\"\",\"question\":\"Why?\","
                          "\"history\":[],\"image_base64\":\"AAAA\",\"image_height\":7}");

        CaptureAnswerInput textWithImage = sampleImageInput();
        textWithImage.mode = CaptureUnderstandingMode::text;
        textWithImage.routeSummary.reset();
        QTest::newRow("text mode never sends an image")
            << textWithImage
            << QByteArray("{\"user_id\":\"u-1\",\"capture_mode\":\"TEXT\",\"ocr_text\":\"Total 42\","
                          "\"question\":\"Why?\",\"history\":[]}");
    }
    void answerRequestBody()
    {
        QFETCH(CaptureAnswerInput, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(HostedWire::encodeAnswerRequest(input, QStringLiteral("Why?"), {}, QStringLiteral("u-1")), expected);
    }

    void historyKeepsTheCallersOrderAndUnicode()
    {
        const QList<ConversationTurn> history{turn(QStringLiteral("zweite"), QStringLiteral("b")),
                                              turn(QStringLiteral("été\n"), QStringLiteral("a"))};
        const QByteArray body =
            HostedWire::encodeAnswerRequest(CaptureAnswerInput{}, QStringLiteral("q"), history, QStringLiteral("u"));
        QVERIFY(body.contains("\"history\":[{\"question\":\"zweite\",\"answer\":\"b\"},"
                              "{\"question\":\"\xc3\xa9t\xc3\xa9\\n\",\"answer\":\"a\"}]"));
    }

    void endpointURL_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("expected"); // empty: refused

        QTest::newRow("https") << "https://api.example.com"
                               << "https://api.example.com/ai/answer";
        QTest::newRow("trailing slash is not normalised") << "https://api.example.com/"
                                                          << "https://api.example.com//ai/answer";
        QTest::newRow("base with a path") << "https://example.com/v2"
                                          << "https://example.com/v2/ai/answer";
        QTest::newRow("plain http to 127.0.0.1") << "http://127.0.0.1:8080"
                                                 << "http://127.0.0.1:8080/ai/answer";
        QTest::newRow("plain http to localhost") << "http://LocalHost:9"
                                                 << "http://localhost:9/ai/answer";
        QTest::newRow("plain http to ::1") << "http://[::1]:9"
                                           << "http://[::1]:9/ai/answer";
        QTest::newRow("plain http to another machine") << "http://api.example.com"
                                                       << "";
        QTest::newRow("plain http to a loopback look-alike") << "http://127.0.0.1.example.com"
                                                             << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("relative") << "api.example.com"
                                  << "";
        QTest::newRow("other scheme") << "ftp://api.example.com"
                                      << "";
        QTest::newRow("space in host") << "https://api example.com"
                                       << "";
        QTest::newRow("no host") << "https://"
                                 << "";
    }
    void endpointURL()
    {
        QFETCH(QString, base);
        QFETCH(QString, expected);
        const std::optional<QUrl> url = HostedWire::endpointURL(base, HostedWire::answerPath);
        QCOMPARE(url ? QString::fromUtf8(url->toEncoded()) : QString(), expected);
    }

    void presetUpdateBody()
    {
        const QList<StoredPromptPreset> presets{
            {QStringLiteral("explain"), QStringLiteral("Explain"), QStringLiteral("Say why"), QStringLiteral("P1")},
            {QStringLiteral("keyPoint"), QStringLiteral("K"), QStringLiteral(""), QStringLiteral("a+b&c")}};
        QCOMPARE(HostedWire::encodePresetUpdate(QStringLiteral("a+b&c"), presets),
                 QByteArray("{\"user_id\":\"a+b&c\",\"presets\":[{\"id\":\"explain\",\"title\":\"Explain\","
                            "\"subtitle\":\"Say why\",\"prompt\":\"P1\"},{\"id\":\"keyPoint\",\"title\":\"K\","
                            "\"subtitle\":\"\",\"prompt\":\"a+b&c\"}]}"));
    }

    void presetReply_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("count"); // -1: undecodable

        QTest::newRow("unknown members ignored")
            << QByteArray("{\"presets\":[{\"id\":\"explain\",\"title\":\"T\",\"subtitle\":\"S\",\"prompt\":\"P\","
                          "\"updated\":3}],\"version\":2}")
            << 1;
        QTest::newRow("empty list") << QByteArray("{\"presets\":[]}") << 0;
        QTest::newRow("id not a string")
            << QByteArray("{\"presets\":[{\"id\":1,\"title\":\"T\",\"subtitle\":\"S\",\"prompt\":\"P\"}]}") << -1;
        QTest::newRow("entry not an object") << QByteArray("{\"presets\":[\"explain\"]}") << -1;
        QTest::newRow("presets missing") << QByteArray("{}") << -1;
        QTest::newRow("presets null") << QByteArray("{\"presets\":null}") << -1;
        QTest::newRow("not JSON") << QByteArray("<html>") << -1;
        QTest::newRow("top-level list") << QByteArray("[]") << -1;
    }
    void presetReply()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, count);
        try {
            const QList<StoredPromptPreset> presets = HostedWire::decodePresetResponse(body);
            QCOMPARE(presets.size(), count);
        } catch (const LibraryError &error) {
            QCOMPARE(count, -1);
            QVERIFY(!error.message().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(HostedWireTest)
#include "tst_hosted_wire.moc"
