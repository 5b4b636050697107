#include "AwaitTask.h"
#include "ocr/PageBands.h"
#include "ocr/TesseractEngine.h"
#include "ocr/TesseractOCRService.h"
#include "ocr/TesseractPageReader.h"

#include <QCoro/QCoroTask>
#include <QFont>
#include <QPainter>
#include <QTest>

#include <memory>

namespace {

// Lines drawn in DejaVu Sans at the given pixel size, on a light or dark background.
QImage rendered(const QStringList &lines, int pixels, bool dark, qreal scale = 1)
{
    QImage image(QSize(560, 40 + int(lines.size()) * pixels * 2) * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(dark ? QColor(28, 28, 32) : QColor(Qt::white));
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    painter.setFont(font);
    painter.setPen(dark ? QColor(225, 225, 225) : QColor(20, 20, 20));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(16, 20 + pixels + i * pixels * 2, lines[i]);
    return image;
}

CapturedSelection selectionOf(const QImage &image)
{
    CapturedSelection selection;
    selection.cgImage = image;
    selection.imageSize = QSizeF(image.size());
    return selection;
}

// A laid-out page of 100x100 with text blocks at the given boxes, one line each filling its block.
PageRecognition laidOut(const QList<QRect> &boxes)
{
    PageRecognition page;
    page.pageSize = QSize(100, 100);
    for (const QRect &box : boxes) {
        page.lines.push_back({QString(), 0.0f, box, int(page.blocks.size())});
        RecognisedBlock block;
        block.box = box;
        page.blocks.push_back(block);
    }
    return page;
}

const QStringList kLines{QStringLiteral("The quick brown fox jumps over the lazy dog"),
                         QStringLiteral("Pack my box with five dozen liquor jugs"),
                         QStringLiteral("Sphinx of black quartz, judge my vow")};

} // namespace

class TesseractOCRServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsRenderedPages_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QString>("outcome");
        const QString lines = kLines.join(QLatin1Char('\n'));
        const QString noText = QStringLiteral("No text was recognized in the selected area.");
        QImage white(400, 200, QImage::Format_RGB32);
        white.fill(Qt::white);
        QTest::newRow("16 px light") << rendered(kLines, 16, false) << lines;
        QTest::newRow("15 px light on dark") << rendered(kLines, 15, true) << lines;
        QTest::newRow("11 px, read enlarged") << rendered(kLines, 11, false) << lines;
        QTest::newRow("14 px at scale 2") << rendered(kLines, 14, false, 2.0) << lines;
        QTest::newRow("white") << white << noText;
        QTest::newRow("no pixels") << QImage() << noText;
    }
    void readsRenderedPages()
    {
        QFETCH(QImage, image);
        TesseractOCRService service;
        const TaskOutcome<OCRResult> outcome = runToEnd(service.extractText(selectionOf(image)));
        QTEST(outcome.value ? outcome.value->text : outcome.error, "outcome");
        if (!outcome.value)
            return;
        QCOMPARE(outcome.value->lineCount, 3);
        const double confidence = outcome.value->confidence;
        QVERIFY2(confidence > 0.7 && confidence <= 1.0, qPrintable(QString::number(confidence)));
    }

    void concurrentCallsShareOneEngine()
    {
        TesseractOCRService service;
        std::vector<QCoro::Task<OCRResult>> tasks;
        for (int i = 0; i < 3; ++i)
            tasks.push_back(service.extractText(selectionOf(rendered({kLines[std::size_t(i)]}, 16, i % 2 == 1))));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(awaitTask(std::move(tasks[std::size_t(i)])).text, kLines[i]);
    }

    void readsInBandsAsOneEngineDoes_data()
    {
        QTest::addColumn<QStringList>("paragraphs");
        QStringList paragraphs, numbered;
        for (int i = 0; i < 4; ++i) {
            paragraphs << kLines << QString();
            numbered << QStringLiteral("1. ") + kLines[0] << QStringLiteral("1. ") + kLines[1] << QString();
        }
        QTest::newRow("paragraphs") << paragraphs;
        QTest::newRow("numbered items, which lay out apart unlike on the page") << numbered;
    }
    void readsInBandsAsOneEngineDoes()
    {
        QFETCH(QStringList, paragraphs);
        const QImage page = rendered(paragraphs, 14, false);
        QVERIFY(pageBands(TesseractEngine().analyse(TesseractEngine::preparedPage(page)).layout, 1, 2).size() == 2);
        const PageRecognition alone = TesseractPageReader(1).read(page);
        TesseractPageReader reader(2);
        // The second read finds the engines loaded and lays the bands out on a guess.
        for (int read = 0; read < 2; ++read) {
            const PageRecognition together = reader.read(page);
            QCOMPARE(TesseractEngine::joinedText(together.lines).text, TesseractEngine::joinedText(alone.lines).text);
            QVERIFY(together.sameLayoutAs(alone));
        }
    }

    void guessesTheFirstBandFromPixels()
    {
        QStringList paragraphs;
        for (int i = 0; i < 4; ++i)
            paragraphs << kLines << QString();
        const QImage page = TesseractEngine::preparedPage(rendered(paragraphs, 14, true));
        const PageRecognition layout = TesseractEngine().analyse(page).layout;
        const PageRows rows(page);
        QVERIFY(rows.medianInkRunHeight() >= 14 && rows.medianInkRunHeight() <= 18);
        const int end = guessedFirstBandEnd(rows, 0.5);
        QVERIFY(isBandCut(layout, end));
        QVERIFY(qAbs(end - pageBands(layout, 1, 2).back().top()) <= 2); // the gap between paragraphs 2 and 3
        QCOMPARE(guessedFirstBandEnd(PageRows(TesseractEngine::preparedPage(rendered({}, 14, false))), 0.5), 0);

        // A chart's plot is no line: the line height is its labels'.
        QImage chart(400, 300, QImage::Format_Grayscale8);
        chart.fill(255);
        QPainter painter(&chart);
        painter.fillRect(20, 20, 100, 120, Qt::black);
        painter.fillRect(20, 160, 100, 100, Qt::black);
        painter.fillRect(20, 280, 100, 10, Qt::black);
        QCOMPARE(PageRows(chart).medianInkRunHeight(42), 10);
    }

    void cutsBandsBetweenWholeBlocks_data()
    {
        QTest::addColumn<QList<QRect>>("blocks");
        QTest::addColumn<int>("factor");
        QTest::addColumn<QList<int>>("cuts");
        QTest::newRow("two stacked blocks, cut in the gap")
            << QList<QRect>{{10, 10, 80, 30}, {10, 60, 80, 30}} << 1 << QList<int>{50};
        QTest::newRow("enlarged page") << QList<QRect>{{10, 10, 80, 30}, {10, 60, 80, 30}} << 2 << QList<int>{100};
        QTest::newRow("gap too narrow to leave the lines their margins")
            << QList<QRect>{{10, 10, 80, 40}, {10, 55, 80, 30}} << 1 << QList<int>{};
        QTest::newRow("columns read one after the other are never cut across")
            << QList<QRect>{{5, 5, 40, 20}, {5, 60, 40, 20}, {55, 5, 40, 20}, {55, 60, 40, 20}} << 1 << QList<int>{};
        QTest::newRow("the cut shares out the text")
            << QList<QRect>{{10, 0, 80, 10}, {10, 25, 80, 10}, {10, 50, 80, 45}} << 1 << QList<int>{42};
    }
    void cutsBandsBetweenWholeBlocks()
    {
        QFETCH(QList<QRect>, blocks);
        QFETCH(int, factor);
        QFETCH(QList<int>, cuts);
        const std::vector<QRect> bands = pageBands(laidOut(blocks), factor, 2);
        QList<int> tops;
        for (std::size_t i = 1; i < bands.size(); ++i) {
            QCOMPARE(bands[i].top(), bands[i - 1].bottom() + 1);
            tops.append(bands[i].top());
        }
        QCOMPARE(tops, cuts);
        QCOMPARE(bands.front().top(), 0);
        QCOMPARE(bands.back().bottom(), 100 * factor - 1);
    }

    void serviceMayGoAwayWarmingUpOrReading()
    {
        TesseractOCRService().warmUpInBackground();
        auto service = std::make_unique<TesseractOCRService>();
        auto task = service->extractText(selectionOf(rendered(kLines, 16, false)));
        service.reset();
        QCOMPARE(awaitTask(std::move(task)).lineCount, 3);
    }
};

QTEST_MAIN(TesseractOCRServiceTest)
#include "tst_tesseract_ocr_service.moc"
