#include "HostedSamples.h"
#include "hosted/HostedWire.h"
#include "support/OrvantaError.h"

#include <QTest>

namespace {
CaptureRouteSummary sampleSummary()
{
    CaptureRouteSummary summary;
    summary.textLikeRatio = 0.5;
    summary.meaningfulTable = true;
    return summary;
}

const QByteArray summaryJson =
    "{\"text_like_ratio\":0.5,\"non_text_ratio\":0.0,\"meaningful_table\":true,\"meaningful_chart\":false,"
    "\"meaningful_formula\":false,\"meaningful_image\":false,\"multi_column\":false,\"card_like_layout\":false,"
    "\"unstable_reading_order\":false,\"safe_text\":false}";

CaptureAnswerInput imageInput()
{
    return sampleImageInput(sampleSummary());
}

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
        QTest::addColumn<QList<ConversationTurn>>("history");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("text without recognised text") << CaptureAnswerInput{} << QList<ConversationTurn>{}
                                                      << QByteArray("{\"user_id\":\"u-1\",\"capture_mode\":\"TEXT\","
                                                                    "\"ocr_text\":\"\",\"question\":\"Why?\","
                                                                    "\"history\":[]}");
        QTest::newRow("image, first question")
            << imageInput() << QList<ConversationTurn>{}
            << ("{\"user_id\":\"u-1\",\"capture_mode\":\"IMAGE\",\"ocr_text\":\"Total 42\",\"question\":\"Why?\","
                "\"history\":[],\"image_base64\":\"/9j/AA==\",\"image_mime_type\":\"image/jpeg\",\"image_width\":1024,"
                "\"image_height\":512,\"route_summary\":" +
                summaryJson + "}");
        QTest::newRow("image follow-up keeps mode and summary, drops the image")
            << imageInput() << QList<ConversationTurn>{turn(QStringLiteral("First?"), QStringLiteral("Yes \"quoted\""))}
            << ("{\"user_id\":\"u-1\",\"capture_mode\":\"IMAGE\",\"ocr_text\":\"Total 42\",\"question\":\"Why?\","
                "\"history\":[{\"question\":\"First?\",\"answer\":\"Yes \\\"quoted\\\"\"}],\"route_summary\":" +
                summaryJson + "}");

        CaptureAnswerInput partial;
        partial.mode = CaptureUnderstandingMode::image;
        partial.imageBase64 = QStringLiteral("AAAA");
        partial.imageHeight = 7;
        QTest::newRow("image fields the input lacks are left out")
            << partial << QList<ConversationTurn>{}
            << QByteArray("{\"user_id\":\"u-1\",\"capture_mode\":\"IMAGE\",\"ocr_text\":\"\",\"question\":\"Why?\","
                          "\"history\":[],\"image_base64\":\"AAAA\",\"image_height\":7}");

        CaptureAnswerInput textWithImage = imageInput();
        textWithImage.mode = CaptureUnderstandingMode::text;
        textWithImage.routeSummary.reset();
        QTest::newRow("text mode never sends an image")
            << textWithImage << QList<ConversationTurn>{}
            << QByteArray("{\"user_id\":\"u-1\",\"capture_mode\":\"TEXT\",\"ocr_text\":\"Total 42\","
                          "\"question\":\"Why?\",\"history\":[]}");
    }
    void answerRequestBody()
    {
        QFETCH(CaptureAnswerInput, input);
        QFETCH(QList<ConversationTurn>, history);
        QFETCH(QByteArray, expected);
        QCOMPARE(HostedWire::encodeAnswerRequest(input, QStringLiteral("Why?"), history, QStringLiteral("u-1")),
                 expected);
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

    void fetchURLEncodesTheWholeUserID()
    {
        const std::optional<QUrl> url =
            HostedWire::presetFetchURL(QStringLiteral("https://h.example"), QStringLiteral("a+b&c=d e/\u00e9?#%"));
        QVERIFY(url);
        QCOMPARE(url->toEncoded(),
                 QByteArray("https://h.example/prompt-presets?user_id=a%2Bb%26c%3Dd%20e%2F%C3%A9%3F%23%25"));
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
        QTest::newRow("entry without subtitle")
            << QByteArray("{\"presets\":[{\"id\":\"explain\",\"title\":\"T\",\"prompt\":\"P\"}]}") << -1;
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

    void answerReply_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");

        QTest::newRow("extra members") << QByteArray("{\"answer\":\"A\",\"provider\":\"p\",\"model\":\"m\",\"x\":1}")
                                       << true;
        QTest::newRow("model missing") << QByteArray("{\"answer\":\"A\",\"provider\":\"p\"}") << false;
        QTest::newRow("answer null") << QByteArray("{\"answer\":null,\"provider\":\"p\",\"model\":\"m\"}") << false;
        QTest::newRow("truncated") << QByteArray("{\"answer\":\"A\",\"provider\"") << false;
        QTest::newRow("empty body") << QByteArray() << false;
    }
    void answerReply()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        bool decoded = false;
        try {
            HostedWire::decodeAnswerResponse(body);
            decoded = true;
        } catch (const LibraryError &) {
        }
        QCOMPARE(decoded, decodes);
    }

    void errorEnvelope_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message"); // null: not an envelope

        QTest::newRow("envelope") << QByteArray("{\"error\":\"bad\",\"message\":\" Nope \",\"x\":1}")
                                  << QStringLiteral(" Nope ");
        QTest::newRow("error missing") << QByteArray("{\"message\":\"Nope\"}") << QString();
        QTest::newRow("message not a string") << QByteArray("{\"error\":\"e\",\"message\":5}") << QString();
        QTest::newRow("html") << QByteArray("<html><body>Bad Gateway</body></html>") << QString();
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void errorEnvelope()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        const std::optional<QString> parsed = HostedWire::errorEnvelopeMessage(body);
        QCOMPARE(parsed.has_value(), !message.isNull());
        if (parsed)
            QCOMPARE(*parsed, message);
    }

    void answerErrorMapping_data()
    {
        QTest::addColumn<bool>("imageMode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("unsupported");

        const QString old = QStringLiteral("ocr_text is required.");
        QTest::newRow("image 400") << true << 400 << old << true;
        QTest::newRow("image 500, other case and white space")
            << true << 500 << QStringLiteral("  OCR_TEXT is Required.\n") << true;
        QTest::newRow("image 400, text-mode wording")
            << true << 400 << QStringLiteral("ocr_text is required for text capture mode.") << true;
        QTest::newRow("image 422") << true << 422 << old << false;
        QTest::newRow("image 400, other message") << true << 400 << QStringLiteral("ocr_text is too long.") << false;
        QTest::newRow("text 500") << false << 500 << QStringLiteral("  OCR_TEXT is Required.\n") << false;
    }
    void answerErrorMapping()
    {
        QFETCH(bool, imageMode);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(bool, unsupported);
        CaptureAnswerInput input;
        input.mode = imageMode ? CaptureUnderstandingMode::image : CaptureUnderstandingMode::text;
        const AIProviderError error = HostedWire::mapAnswerAPIError(message, input, status);
        if (unsupported) {
            QCOMPARE(error, AIProviderError::backendImageModeUnsupported());
        } else {
            QCOMPARE(error, AIProviderError::apiError(message)); // untrimmed
        }
    }
};

QTEST_GUILESS_MAIN(HostedWireTest)
#include "tst_hosted_wire.moc"
