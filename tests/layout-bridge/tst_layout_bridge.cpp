#include "LayoutRegionMapper.h"
#include "models/LayoutRegion.h"
#include "understanding/BridgeFrame.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runBridge(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QDir(qEnvironmentVariable("ORVANTA_BIN_DIR")).filePath(QStringLiteral("orvanta-layout-bridge")),
                  arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QString sample(const QString &name)
{
    // Absolute paths (pictures the test made) pass through.
    return QDir(qEnvironmentVariable("ORVANTA_TEST_DATA") + QStringLiteral("/understanding")).filePath(name);
}

struct Region
{
    QString type;
    double score;
    QRectF box;
};

// Checks the document against the bridge contract and returns its regions.
QList<Region> regionsOf(const QJsonObject &document, QSize page)
{
    QList<Region> regions;
    [&] {
        QCOMPARE(document.value(QStringLiteral("page_width")).toDouble(), double(page.width()));
        QCOMPARE(document.value(QStringLiteral("page_height")).toDouble(), double(page.height()));
        QVERIFY(document.value(QStringLiteral("regions")).isArray());
        for (const QJsonValue &value : document.value(QStringLiteral("regions")).toArray()) {
            const QJsonObject region = value.toObject();
            const QString type = region.value(QStringLiteral("type")).toString();
            QVERIFY2(layoutRegionTypeFromRawValue(type).has_value(), qPrintable(type));
            const double score = region.value(QStringLiteral("score")).toDouble(-1);
            QVERIFY(score >= 0 && score <= 1);
            const QJsonArray bbox = region.value(QStringLiteral("bbox")).toArray();
            QCOMPARE(bbox.size(), 4);
            const QRectF box(QPointF(bbox[0].toDouble(), bbox[1].toDouble()),
                             QPointF(bbox[2].toDouble(), bbox[3].toDouble()));
            QVERIFY(box.width() > 0 && box.height() > 0);
            QVERIFY2(QRectF(QPointF(0, 0), QSizeF(page)).contains(box), qPrintable(type));
            regions.append({type, score, box});
        }
    }();
    return regions;
}

double coverage(const QList<Region> &regions, const QStringList &types, QSize page)
{
    QImage mask(page, QImage::Format_Grayscale8);
    mask.fill(0);
    for (const Region &region : regions)
        if (types.contains(region.type))
            for (int y = int(region.box.top()); y < int(region.box.bottom()); ++y)
                std::fill_n(mask.scanLine(y) + int(region.box.left()), int(region.box.width()), uchar(1));
    qint64 covered = 0;
    for (int y = 0; y < page.height(); ++y)
        covered += std::count(mask.constScanLine(y), mask.constScanLine(y) + page.width(), uchar(1));
    return double(covered) / (double(page.width()) * page.height());
}

} // namespace

class LayoutBridgeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mapsRenderedCaptures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<double>("minCoverage");
        QTest::addColumn<bool>("hasText");
        const QStringList textLike{QStringLiteral("text"), QStringLiteral("title"), QStringLiteral("list")};
        QTest::newRow("prose") << QStringLiteral("prose-14px-scale1.png") << textLike << 0.9 << true;
        // A table, a chart or a photo goes as a picture: the layout alone says so, nothing is read.
        QTest::newRow("ruled table") << QStringLiteral("table-ruled.png") << QStringList{QStringLiteral("table")} << 0.5
                                     << false;
        QTest::newRow("photo") << QStringLiteral("photo.png") << QStringList{QStringLiteral("image")} << 0.5 << false;
        QTest::newRow("bar chart") << QStringLiteral("chart-bars.png")
                                   << QStringList{QStringLiteral("chart"), QStringLiteral("image")} << 0.4 << false;
        QTest::newRow("formula") << QStringLiteral("formula.png") << QStringList{QStringLiteral("formula")} << 0.1
                                 << true;
        QImage blank(300, 200, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(blank.save(m_dir.filePath(QStringLiteral("blank.png")), "PNG"));
        QTest::newRow("blank page, no regions")
            << m_dir.filePath(QStringLiteral("blank.png")) << QStringList{} << 0.0 << false;
    }
    void mapsRenderedCaptures()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, types);
        QFETCH(double, minCoverage);
        QFETCH(bool, hasText);
        const QSize page = QImage(sample(file)).size();
        const Run run = runBridge({sample(file)});
        QCOMPARE(run.exitCode, 0);
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject object = document.object();
        const QList<Region> regions = regionsOf(object, page);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(regions.isEmpty(), types.isEmpty());
        const double covered = coverage(regions, types, page);
        QVERIFY2(covered >= minCoverage, qPrintable(QString::number(covered)));
        QCOMPARE(object.contains(QStringLiteral("text")), hasText);
        const double confidence = object.value(QStringLiteral("confidence")).toDouble(-1);
        QVERIFY(hasText ? confidence > 0.5 && confidence <= 1 : confidence == -1);
    }

    // Blocks on a laid-out 1000x1000 page, written "kind x y width height" and separated by "|"; a text
    // block holds one line.
    void layoutAloneRulesOutText_data()
    {
        QTest::addColumn<QString>("blocks");
        QTest::addColumn<bool>("ruledOut");
        const auto row = [](const char *name, const char *blocks, bool ruledOut) {
            QTest::newRow(name) << blocks << ruledOut;
        };
        row("prose", "text 0 0 1000 900", false);
        row("nothing but a photo", "image 0 0 1000 900", true);
        row("large table beside text", "text 0 0 1000 400 | table 0 500 500 200", true);
        row("small table, read to decide", "text 0 0 1000 900 | table 0 0 200 100", false);
        row("wide formula", "text 0 0 1000 900 | equation 0 0 300 30", true);
        row("picture that is a photo or a chart", "text 0 0 1000 900 | image 0 0 400 400", true);
        row("picture meaningful only as a photo, read to decide", "text 0 0 1000 900 | image 0 0 360 100", false);
        row("small pieces covering too much together",
            "text 0 0 1000 900 | table 0 0 400 120 | image 0 200 340 200 | image 500 200 340 200 | equation 0 500 200 "
            "50",
            true);
    }
    void layoutAloneRulesOutText()
    {
        QFETCH(QString, blocks);
        const QHash<QString, PageBlockKind> kinds{{QStringLiteral("text"), PageBlockKind::flowingText},
                                                  {QStringLiteral("table"), PageBlockKind::table},
                                                  {QStringLiteral("image"), PageBlockKind::image},
                                                  {QStringLiteral("equation"), PageBlockKind::equation}};
        PageRecognition layout;
        layout.pageSize = QSize(1000, 1000);
        for (const QString &written : blocks.split(QLatin1Char('|'))) {
            const QStringList f = written.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            RecognisedBlock block;
            block.kind = kinds.value(f[0]);
            block.box = QRect(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
            block.lineCount = block.kind == PageBlockKind::flowingText ? 1 : 0;
            if (block.lineCount == 1)
                layout.lines.push_back({QString(), 0.0f, block.box, int(layout.blocks.size())});
            layout.blocks.push_back(block);
        }
        QTEST(LayoutRegionMapper::rulesOutText(layout), "ruledOut");
    }

    // One paragraph of 10-pixel lines, 30 pixels tall with its padding of half a line, alone on a
    // 100x100 page: its column spans the page's width and reaches the top or bottom edge across at
    // most two lines (20 pixels) of clear margin.
    void textColumnTakesInClearMargins_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("tableAbove");
        QTest::addColumn<QRectF>("region");
        QTest::newRow("two lines below the top edge") << 20 << false << QRectF(0, 0, 100, 50);
        QTest::newRow("one pixel further down") << 21 << false << QRectF(0, 21, 100, 30);
        QTest::newRow("a table in the top margin") << 20 << true << QRectF(0, 20, 100, 30);
        QTest::newRow("two lines above the bottom edge") << 50 << false << QRectF(0, 50, 100, 50);
        QTest::newRow("one pixel further up") << 49 << false << QRectF(0, 49, 100, 30);
    }
    void textColumnTakesInClearMargins()
    {
        QFETCH(int, top);
        QFETCH(bool, tableAbove);
        PageRecognition page;
        page.pageSize = QSize(100, 100);
        if (tableAbove)
            page.blocks.push_back({.kind = PageBlockKind::table, .box = QRect(40, 0, 10, 5), .paragraphs = {}});
        const QRect paragraph(10, top + 5, 80, 20);
        page.blocks.push_back({.kind = PageBlockKind::flowingText,
                               .box = paragraph,
                               .lineCount = 1,
                               .paragraphs = {{paragraph}},
                               .medianLineHeight = 10});
        QTEST(LayoutRegionMapper::regionsOf(page).back().boundingBox, "region");
    }

    void twoColumnsGiveParagraphsSideBySide()
    {
        const QString file = sample(QStringLiteral("two-columns.png"));
        const QSize page = QImage(file).size();
        const Run run = runBridge({file});
        QCOMPARE(run.exitCode, 0);
        const QList<Region> regions = regionsOf(QJsonDocument::fromJson(run.out).object(), page);
        int left = 0, right = 0;
        for (const Region &region : regions) {
            QCOMPARE(region.type, QStringLiteral("text"));
            (region.box.center().x() < page.width() / 2 ? left : right) += 1;
        }
        QVERIFY(left >= 2 && right >= 2);
    }

    void refusesWhatIsNotAReadablePng_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QImage jpeg(40, 40, QImage::Format_RGB32);
        jpeg.fill(Qt::white);
        const QString jpegAsPng = m_dir.filePath(QStringLiteral("jpeg.png"));
        QVERIFY(jpeg.save(jpegAsPng, "JPEG"));
        QTest::newRow("JPEG named .png") << QStringList{jpegAsPng} << 1;
        QTest::newRow("no argument") << QStringList{} << 2;
        QTest::newRow("two arguments") << QStringList{jpegAsPng, jpegAsPng} << 2;
    }
    void refusesWhatIsNotAReadablePng()
    {
        QFETCH(QStringList, arguments);
        const Run run = runBridge(arguments);
        QTEST(run.exitCode, "exitCode");
        QVERIFY(run.out.isEmpty());
        QVERIFY(!run.err.trimmed().isEmpty());
    }

    void servesFramesAsItReadsFiles()
    {
        QByteArray frames, expected;
        for (const QString &name : {QStringLiteral("prose-14px-scale1.png"), QStringLiteral("table-ruled.png")}) {
            frames += BridgeFrame::encode(QImage(sample(name)));
            expected += runBridge({sample(name)}).out;
        }
        const Run run = runBridge({QStringLiteral("--serve")}, frames);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, expected);
    }

    void servingEndsOnMalformedFrame_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("zero width") << QByteArray("grey8 0 2\n");
        QTest::newRow("larger than any screen") << QByteArray("grey8 100000 100000\n");
        QTest::newRow("pixels cut short") << QByteArray("grey8 4 4\n12345");
        QTest::newRow("header without end") << QByteArray(100, 'x');
    }
    void servingEndsOnMalformedFrame()
    {
        QFETCH(QByteArray, input);
        const Run run = runBridge({QStringLiteral("--serve")}, input);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith("Malformed frame"), run.err.constData());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(LayoutBridgeTest)
#include "tst_layout_bridge.moc"
