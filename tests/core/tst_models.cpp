#include "models/CaptureAnswerInput.h"

#include <QTest>

class ModelsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answerInputCarriesImageFieldsOnlyWithPreparedImage()
    {
        CaptureUnderstandingResult result;
        result.mode = CaptureUnderstandingMode::text;
        result.ocrResult = OCRResult{QStringLiteral("hello"), 1, 0.9};
        result.analysis.metrics.safeText = true;
        result.analysis.metrics.textLikeRatio = 0.5;

        const CaptureAnswerInput textInput = CaptureAnswerInput::fromUnderstanding(result);
        QCOMPARE(textInput.ocrText, std::optional<QString>(QStringLiteral("hello")));
        QVERIFY(!textInput.imageBase64 && !textInput.imageMimeType && !textInput.imageWidth && !textInput.imageHeight);
        // The route summary goes on the wire with its keys in this order.
        QVERIFY(textInput.routeSummary);
        QCOMPARE(QString::fromStdString(textInput.routeSummary->toJson().dump()),
                 QStringLiteral("{\"text_like_ratio\":0.5,\"non_text_ratio\":0.0,\"meaningful_table\":false,"
                                "\"meaningful_chart\":false,\"meaningful_formula\":false,\"meaningful_image\":false,"
                                "\"multi_column\":false,\"card_like_layout\":false,\"unstable_reading_order\":false,"
                                "\"safe_text\":true}"));

        result.mode = CaptureUnderstandingMode::image;
        result.ocrResult.reset();
        result.preparedImage =
            PreparedCaptureImage{QByteArray("\xff\xd8jpeg", 6), QStringLiteral("image/jpeg"), QSizeF(1024.9, 512.2)};
        const CaptureAnswerInput imageInput = CaptureAnswerInput::fromUnderstanding(result);
        QCOMPARE(imageInput.mode, CaptureUnderstandingMode::image);
        QVERIFY(!imageInput.ocrText);
        QCOMPARE(imageInput.imageBase64, std::optional<QString>(QStringLiteral("/9hqcGVn")));
        QCOMPARE(imageInput.imageMimeType, std::optional<QString>(QStringLiteral("image/jpeg")));
        QCOMPARE(imageInput.imageWidth, std::optional<int>(1024));
        QCOMPARE(imageInput.imageHeight, std::optional<int>(512));
    }
};

QTEST_GUILESS_MAIN(ModelsTest)
#include "tst_models.moc"
