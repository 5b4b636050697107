#include "UnderstandingTestSupport.h"

#include "understanding/CaptureImagePreparer.h"
#include "understanding/CaptureUnderstandingError.h"
#include "understanding/OCRError.h"
#include "understanding/PaddleCaptureUnderstandingService.h"

#include <QTest>

namespace {

using Kind = CaptureUnderstandingError::Kind;

class FakeBridge : public PaddleOCRBridge
{
public:
    std::optional<PaddleOCRBridgeOutput> output;
    std::exception_ptr error;

    QCoro::Task<PaddleOCRBridgeOutput> analyze(CapturedSelection) override
    {
        if (error)
            std::rethrow_exception(error);
        co_return *output;
    }
};

class FakeOCRService : public OCRService
{
public:
    std::optional<OCRResult> result;
    int calls = 0;

    QCoro::Task<OCRResult> extractText(CapturedSelection) override
    {
        ++calls;
        if (!result)
            throw OCRError::noTextRecognized();
        co_return *result;
    }
};

const OCRResult cleanText{QStringLiteral("The quick brown fox jumps over the lazy dog."), 1, 0.9};
const OCRResult symbolText{QStringLiteral("$$ ~~ ==\n|| ^^ ~~"), 2, 0.9};

} // namespace

class UnderstandingServiceTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void understandsCapture_data()
    {
        QTest::addColumn<QString>("bridge");
        QTest::addColumn<QString>("bridgeText");
        QTest::addColumn<QString>("recogniser");
        QTest::addColumn<bool>("unusableImage");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("analysis");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<int>("recogniserCalls");
        const auto row = [](const char *name, const char *bridge, const char *bridgeText, const char *recogniser,
                            bool unusableImage, const QString &outcome, const char *analysis,
                            const QString &expectedText, int recogniserCalls) {
            QTest::newRow(name) << bridge << (bridgeText ? QString::fromUtf8(bridgeText) : QString()) << recogniser
                                << unusableImage << outcome << analysis << expectedText << recogniserCalls;
        };
        const QString text = QStringLiteral("TEXT"), image = QStringLiteral("IMAGE"), none;
        const QString prepFailed = CaptureUnderstandingError(Kind::imagePreparationFailed).message();

        row("no bridge, clean text", "unavailable", nullptr, "clean", false, text, "text stand-by", cleanText.text, 1);
        row("no bridge, symbols", "unavailable", nullptr, "symbols", false, image, "image stand-by", symbolText.text,
            1);
        row("no bridge, nothing recognised", "unavailable", nullptr, "fails", false, image, "image stand-by", none, 1);
        row("no bridge, nothing recognised, unusable capture", "unavailable", nullptr, "fails", true, prepFailed, "",
            none, 1);
        row("no bridge, symbols, unusable capture", "unavailable", nullptr, "symbols", true, prepFailed, "", none, 1);
        row("large table", "table", nullptr, "clean", false, image, "decider", none, 0);
        row("large table, unusable capture, clean text", "table", nullptr, "clean", true, text, "text stand-by",
            cleanText.text, 1);
        row("safe layout with bridge text", "safe", " line one\nline two \n", "clean", false, text, "decider",
            QStringLiteral("line one\nline two"), 0);
        row("safe layout, blank bridge text", "safe", " \n ", "clean", false, text, "decider", cleanText.text, 1);
        row("safe layout, no text, no recogniser", "safe", nullptr, "none", false,
            CaptureUnderstandingError(Kind::textExtractionFailed).message(), "", none, 0);
        row("safe layout, recogniser fails twice", "safe", nullptr, "fails", false, image, "image stand-by", none, 2);
    }
    void understandsCapture()
    {
        QFETCH(QString, bridge);
        QFETCH(QString, bridgeText);
        QFETCH(QString, recogniser);
        QFETCH(bool, unusableImage);
        QFETCH(QString, outcome);
        QFETCH(QString, analysis);
        QFETCH(QString, expectedText);
        QFETCH(int, recogniserCalls);

        auto fakeBridge = std::make_shared<FakeBridge>();
        PaddleOCRBridgeOutput output;
        output.pageSize = QSizeF(1000, 1000);
        if (bridge == QLatin1String("unavailable"))
            fakeBridge->error = std::make_exception_ptr(CaptureUnderstandingError(Kind::paddleBridgeUnavailable));
        else if (bridge == QLatin1String("table"))
            output.regions = {region(LayoutRegionType::table, 0.9, 0, 0, 1000, 600), text(0, 600, 1000, 400)};
        else
            output.regions = {text(0, 0, 1000, 1000)};
        if (!bridgeText.isNull())
            output.text = bridgeText;
        fakeBridge->output = output;

        FakeOCRService ocr;
        if (recogniser == QLatin1String("clean"))
            ocr.result = cleanText;
        else if (recogniser == QLatin1String("symbols"))
            ocr.result = symbolText;
        PaddleCaptureUnderstandingService service(fakeBridge, recogniser == QLatin1String("none") ? nullptr : &ocr);

        CapturedSelection selection;
        selection.cgImage = unusableImage ? QImage() : sampleCapture(1600, 900);
        selection.imageSize = QSizeF(1600, 900);
        const TaskOutcome<CaptureUnderstandingResult> result = runToEnd(service.understand(selection));
        QCOMPARE(ocr.calls, recogniserCalls);
        if (!result.value) {
            QCOMPARE(result.error, outcome);
            return;
        }
        const CaptureUnderstandingResult &understood = *result.value;
        QCOMPARE(rawValue(understood.mode), outcome);
        // Text mode always carries text; image mode always carries the picture and only it.
        QCOMPARE(understood.preparedImage.has_value(), understood.mode == CaptureUnderstandingMode::image);
        if (understood.mode == CaptureUnderstandingMode::text)
            QVERIFY(understood.ocrResult);
        if (understood.preparedImage)
            QCOMPARE(understood.preparedImage->pixelSize, QSizeF(1024, 576));
        QCOMPARE(understood.ocrResult ? understood.ocrResult->text : QString(), expectedText);

        if (analysis == QLatin1String("decider")) {
            const CaptureLayoutAnalysis expected = CaptureRouteDecider().analyze(output.pageSize, output.regions);
            QCOMPARE(describe(understood.analysis.metrics), describe(expected.metrics));
            QCOMPARE(understood.analysis.filteredRegions, expected.filteredRegions);
            QCOMPARE(understood.analysis.mergedRegions.size(), expected.mergedRegions.size());
        } else {
            QCOMPARE(understood.analysis.pageSize, selection.imageSize);
            QVERIFY(understood.analysis.filteredRegions.isEmpty() && understood.analysis.mergedRegions.isEmpty());
            QCOMPARE(describe(understood.analysis.metrics), analysis == QLatin1String("text stand-by")
                                                                ? QStringLiteral("text 1 nontext 0 count 0 [safe]")
                                                                : QStringLiteral("text 0 nontext 1 count 0 [image]"));
        }
    }

    void bridgeTextIsCountedAndKeepsItsConfidence()
    {
        auto bridge = std::make_shared<FakeBridge>();
        PaddleCaptureUnderstandingService service(bridge, nullptr);
        CapturedSelection selection;
        selection.cgImage = sampleCapture(100, 100);
        const auto read = [&](const QString &bridgeText, std::optional<double> confidence) {
            bridge->output = PaddleOCRBridgeOutput{QSizeF(100, 100), {text(0, 0, 100, 100)}, bridgeText, confidence};
            const TaskOutcome<CaptureUnderstandingResult> result = runToEnd(service.understand(selection));
            return result.value ? std::pair(result.value->ocrResult->lineCount, result.value->ocrResult->confidence)
                                : std::pair(-1, -1.0);
        };
        QCOMPARE(read(QStringLiteral("hello"), std::nullopt), std::pair(1, 0.0));
        // Blank lines are skipped; CR LF and the Unicode line and paragraph breaks all end a line.
        QCOMPARE(read(QStringLiteral("a\n\n\nb\r\nc\u2028d\u2029e\u0085f\u000bg\u000ch"), 0.5), std::pair(8, 0.5));
    }

    void preparesImageAtTargetSize_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<QSize>("target");
        QTest::newRow("exactly the limit") << QSize(1024, 1024) << QImage::Format_RGB32 << QSize(1024, 1024);
        QTest::newRow("one above the limit") << QSize(1025, 1025) << QImage::Format_RGB32 << QSize(1024, 1024);
        QTest::newRow("sliver keeps a pixel") << QSize(5000, 3) << QImage::Format_RGB32 << QSize(1024, 1);
        QTest::newRow("tall sliver") << QSize(3, 5000) << QImage::Format_RGB32 << QSize(1, 1024);
        QTest::newRow("grey") << QSize(300, 200) << QImage::Format_Grayscale8 << QSize(300, 200);
    }
    void preparesImageAtTargetSize()
    {
        QFETCH(QSize, source);
        QFETCH(QImage::Format, format);
        QFETCH(QSize, target);
        CapturedSelection selection;
        selection.cgImage = sampleCapture(source.width(), source.height(), format);
        const PreparedCaptureImage prepared = CaptureImagePreparer::prepare(selection, 1024, 0.78);
        QCOMPARE(prepared.pixelSize, QSizeF(target));
        const QImage decoded = QImage::fromData(prepared.data, "JPEG");
        QCOMPARE(decoded.size(), target);
    }
};

int runUnderstandingServiceTests(int argc, char **argv)
{
    UnderstandingServiceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_understanding_service.moc"
