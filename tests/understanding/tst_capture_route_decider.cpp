#include "UnderstandingTestSupport.h"

#include "understanding/CaptureRouteDecider.h"

#include <QTest>

using Type = LayoutRegionType;
using Regions = QList<LayoutRegion>;

class CaptureRouteDeciderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void analyzeMeasuresLayout_data()
    {
        QTest::addColumn<QSizeF>("page");
        QTest::addColumn<QString>("regions");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *regions, const char *expected,
                            QSizeF page = QSizeF(1000, 1000)) { QTest::newRow(name) << page << regions << expected; };
        const auto besideText = [](const char *name, const char *regions, const char *expected) {
            QTest::newRow(name) << QSizeF(1000, 1000)
                                << QStringLiteral("text 0 0 1000 1000 | ") + QLatin1String(regions)
                                << QString::fromLatin1(expected);
        };

        row("no regions", "", "text 0 nontext 0 count 0 []");
        row("full-page text", "text 0 0 1000 1000", "text 1 nontext 0 count 1 [safe]");
        row("text below its minimum score", "text 0.44 0 0 1000 1000", "text 0 nontext 0 count 0 []");
        row("text at its minimum score", "text 0.45 0 0 1000 1000", "text 1 nontext 0 count 1 [safe]");
        row("flat text is dropped", "text 0 0 1000 0", "text 0 nontext 0 count 0 []");
        row("text without width is dropped", "text 0 0 0 1000", "text 0 nontext 0 count 0 []");
        row("text covering 85 %", "text 0 0 1000 850", "text 0.85 nontext 0 count 1 [safe]");
        row("text covering 84.9 %", "text 0 0 1000 849", "text 0.849 nontext 0 count 1 []");
        row("overlapping text counted once", "text 0 0 1000 600 | text 0 400 1000 600",
            "text 1 nontext 0 count 2 [safe]");
        besideText("table at its minimum score covering 6 %", "table 0.55 0 0 300 200",
                   "text 1 nontext 0.06 count 2 [table]");
        besideText("table below its minimum score", "table 0.54 0 0 300 200", "text 1 nontext 0 count 1 [safe]");
        besideText("small table", "table 0 0 200 100", "text 1 nontext 0.02 count 2 [safe]");
        besideText("short but tall enough table", "table 0 0 100 140", "text 1 nontext 0.014 count 2 [table]");
        besideText("one small chart", "chart 0.6 0 0 50 50", "text 1 nontext 0.0025 count 2 [safe]");
        besideText("two small charts", "chart 0.6 0 0 50 50 | chart 0.6 900 900 50 50",
                   "text 1 nontext 0.005 count 3 [chart]");
        besideText("one small formula", "formula 0.6 0 0 50 50", "text 1 nontext 0.0025 count 2 [safe]");
        besideText("two small formulas", "formula 0.6 0 0 50 50 | formula 0.6 900 900 50 50",
                   "text 1 nontext 0.005 count 3 [formula]");
        besideText("wide formula line", "formula 0.6 0 0 220 10", "text 1 nontext 0.0022 count 2 [formula]");
        besideText("image covering 18 %", "image 0.5 0 0 600 300", "text 1 nontext 0.18 count 2 [image]");
        besideText("tall image strip", "image 0.5 0 0 100 250", "text 1 nontext 0.025 count 2 [image]");
        besideText("image just below every size", "image 0.5 0 0 340 240", "text 1 nontext 0.0816 count 2 [safe]");
        besideText("small images adding up past 15 %",
                   "image 0 0 200 200 | image 300 0 200 200 | image 600 0 200 200 | image 0 300 200 200",
                   "text 1 nontext 0.16 count 5 []");
        row("kinds overlapping each other count twice", "image 0 0 500 500 | table 0 0 500 500",
            "text 0 nontext 0.5 count 2 [table image]");
        row("two columns of paragraphs",
            "text 50 0 400 200 | text 50 250 400 200 | text 550 0 400 200 | text 550 250 400 200",
            "text 0.32 nontext 0 count 4 [columns cards jumps]");
        row("page of one pixel uses raw sizes", "text 0 0 1 1 | table 0 0 0.1 0.15",
            "text 1 nontext 0.015 count 2 [table]", QSizeF(1, 1));
        row("empty page divides by one", "text 0 0 10 10", "text 100 nontext 0 count 1 [safe]", QSizeF(0, 0));
    }
    void analyzeMeasuresLayout()
    {
        QFETCH(QSizeF, page);
        QFETCH(QString, regions);
        const CaptureLayoutAnalysis analysis = CaptureRouteDecider().analyze(page, parseRegions(regions));
        QTEST(describe(analysis.metrics), "expected");
        QCOMPARE(analysis.pageSize, page);
    }

    void analyzeKeepsInputOrderAndGroupsMergedByKind()
    {
        const Regions input = parseRegions(QStringLiteral(
            "formula 0 0 10 10 | text 0.1 0 0 10 10 | table 0 0 10 10 | text 50 0 10 10 | title 0 0 10 10"));
        const CaptureLayoutAnalysis analysis = CaptureRouteDecider().analyze(QSizeF(100, 100), input);
        QCOMPARE(analysis.filteredRegions, (Regions{input[0], input[2], input[3], input[4]}));
        QList<Type> mergedTypes;
        for (const LayoutRegion &merged : analysis.mergedRegions)
            mergedTypes.append(merged.type);
        QCOMPARE(mergedTypes, (QList<Type>{Type::text, Type::title, Type::table, Type::formula}));
    }

    void mergeOverlappingRegions_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("merged");
        QTest::newRow("overlap of exactly one half stays apart") << "text 0.7 0 0 100 100 | text 0.9 0 0 50 100"
                                                                 << "text 0.7 0 0 100 100 | text 0.9 0 0 50 100";
        QTest::newRow("overlap above one half merges with the higher score")
            << "text 0.7 0 0 100 100 | text 0.9 0 0 100 51"
            << "text 0.9 0 0 100 100";
        QTest::newRow("touching boxes never merge") << "text 0 0 100 100 | text 100 0 100 100"
                                                    << "text 0.9 0 0 100 100 | text 0.9 100 0 100 100";
        QTest::newRow("grown seed absorbs in a later pass")
            << "text 0.5 0 0 100 100 | text 0.6 10 50 100 100 | text 0.7 20 0 80 150"
            << "text 0.7 0 0 110 150";
        QTest::newRow("seeds taken by left edge") << "text 0.8 500 0 10 10 | text 0.9 0 0 10 10"
                                                  << "text 0.9 0 0 10 10 | text 0.8 500 0 10 10";
        QTest::newRow("equal left edges keep input order") << "text 0.8 0 500 10 10 | text 0.9 0 0 10 10"
                                                           << "text 0.8 0 500 10 10 | text 0.9 0 0 10 10";
    }
    void mergeOverlappingRegions()
    {
        QFETCH(QString, group);
        const Regions input = parseRegions(group);
        const Regions merged = CaptureRouteDecider::mergeOverlappingRegions(input);
        QTEST(written(merged), "merged");
        for (const LayoutRegion &r : merged)
            QVERIFY(std::none_of(input.begin(), input.end(), [&](const LayoutRegion &in) { return in.id == r.id; }));
    }

    void unionArea_data()
    {
        QTest::addColumn<QList<QRectF>>("rects");
        QTest::addColumn<double>("area");
        QTest::newRow("none") << QList<QRectF>{} << 0.0;
        QTest::newRow("one") << QList<QRectF>{{0, 0, 10, 10}} << 100.0;
        QTest::newRow("overlapping corner") << QList<QRectF>{{0, 0, 10, 10}, {5, 5, 10, 10}} << 175.0;
        QTest::newRow("touching") << QList<QRectF>{{0, 0, 10, 10}, {10, 0, 10, 10}} << 200.0;
        QTest::newRow("cross") << QList<QRectF>{{0, 4, 10, 2}, {4, 0, 2, 10}} << 36.0;
        QTest::newRow("flat box adds nothing") << QList<QRectF>{{0, 0, 10, 10}, {20, 0, 0, 10}} << 100.0;
        QTest::newRow("stacked touching") << QList<QRectF>{{0, 0, 1, 1}, {0, 1, 1, 1}} << 2.0;
        QTest::newRow("stacked apart, lower first") << QList<QRectF>{{0, 3, 1, 1}, {0, 0, 1, 1}} << 2.0;
        QTest::newRow("stacked chain and gap") << QList<QRectF>{{0, 0, 1, 2}, {0, 5, 1, 1}, {0, 1, 1, 2}} << 4.0;
    }
    void unionArea()
    {
        QFETCH(QList<QRectF>, rects);
        QFETCH(double, area);
        QCOMPARE(CaptureRouteDecider::unionArea(rects), area);
    }

    void isMultiColumn_data()
    {
        QTest::addColumn<QList<double>>("centres");
        QTest::addColumn<bool>("multiColumn");
        QTest::newRow("gap of 0.22") << QList<double>{100, 320, 330, 340} << true;
        QTest::newRow("gap just below 0.22") << QList<double>{100, 319, 330, 340} << false;
        QTest::newRow("three regions") << QList<double>{100, 500, 900} << false;
    }
    void isMultiColumn()
    {
        QFETCH(QList<double>, centres);
        QFETCH(bool, multiColumn);
        Regions regions;
        for (qsizetype i = 0; i < centres.size(); ++i)
            regions.append(text(centres[i] - 10, 100.0 * double(i), 20, 50));
        QCOMPARE(CaptureRouteDecider::isMultiColumn(regions, 1000), multiColumn);
    }

    void cardAndDiagramLayouts_data()
    {
        QTest::addColumn<QString>("regions");
        QTest::addColumn<bool>("cards");
        QTest::addColumn<bool>("diagram");
        QTest::newRow("grid of four cards")
            << "text 0 0 300 200 | text 500 0 300 200 | text 0 500 300 200 | text 500 500 300 200" << true << true;
        QTest::newRow("one column of paragraphs")
            << "text 100 0 800 100 | text 100 200 800 100 | text 100 400 800 100 | text 100 600 800 100" << false
            << false;
        QTest::newRow("one large and three tiny")
            << "text 0 0 900 900 | text 0 950 10 10 | text 500 950 10 10 | text 950 950 10 10" << false << false;
        QTest::newRow("three spread nodes")
            << "text 0 0 200 100 | text 700 0 200 100 | text 350 600 200 100" << false << true;
        QTest::newRow("nodes in a narrow band")
            << "text 0 0 200 100 | text 300 0 200 100 | text 150 600 200 100" << false << false;
        QTest::newRow("nodes too few of four")
            << "text 0 0 200 100 | text 700 0 200 100 | text 350 600 600 300 | text 0 700 10 10" << false << false;
    }
    void cardAndDiagramLayouts()
    {
        QFETCH(QString, regions);
        QTEST(CaptureRouteDecider::isCardLikeLayout(parseRegions(regions), QSizeF(1000, 1000)), "cards");
        QTEST(CaptureRouteDecider::isDiagramNodeLayout(parseRegions(regions), QSizeF(1000, 1000)), "diagram");
    }

    void readingOrder_data()
    {
        // Scores name the regions so the order reads back easily.
        QTest::addColumn<QString>("regions");
        QTest::addColumn<QList<double>>("order");
        QTest::newRow("same line by left edge")
            << "text 0.1 500 0 10 10 | text 0.2 0 3 10 10" << QList<double>{0.2, 0.1};
        QTest::newRow("lines top to bottom")
            << "text 0.1 0 100 10 10 | text 0.2 500 0 10 10" << QList<double>{0.2, 0.1};
        QTest::newRow("ties keep input order") << "text 0.1 0 0 10 10 | text 0.2 0 0 10 10" << QList<double>{0.1, 0.2};
        // A before B and B before C on shared lines, yet C before A by height: a cycle.
        QTest::newRow("cycle in given order")
            << "text 0.1 0 5 50 10 | text 0.2 100 0 50 10 | text 0.3 200 -5 50 10" << QList<double>{0.1, 0.2, 0.3};
    }
    void readingOrder()
    {
        QFETCH(QString, regions);
        QList<double> scores;
        for (const LayoutRegion &r : CaptureRouteDecider::readingOrder(parseRegions(regions)))
            scores.append(r.score);
        QTEST(scores, "order");
    }

    void slantedRegionsSortWithoutHarm()
    {
        // Many slightly slanted boxes compare inconsistently; the order must still be a
        // permutation of the input and the same on every run.
        Regions regions;
        for (int i = 0; i < 60; ++i)
            regions.append(text((i * 37) % 500, (i * 4) % 23, 40, 10, i / 100.0));
        const Regions first = CaptureRouteDecider::readingOrder(regions);
        QCOMPARE(CaptureRouteDecider::readingOrder(regions), first);
        QList<double> sorted;
        for (const LayoutRegion &r : first)
            sorted.append(r.score);
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < 60; ++i)
            QCOMPARE(sorted[i], i / 100.0);
    }

    void unstableReadingOrder_data()
    {
        QTest::addColumn<QList<double>>("centres");
        QTest::addColumn<bool>("unstable");
        QTest::newRow("zig-zag of four") << QList<double>{150, 750, 150, 750} << true;
        QTest::newRow("one jump among four") << QList<double>{150, 150, 750, 750} << false;
        QTest::newRow("three regions") << QList<double>{150, 750, 150} << false;
        QTest::newRow("six with two jumps") << QList<double>{100, 100, 800, 800, 100, 100} << true;
        QTest::newRow("nine with two jumps") << QList<double>{100, 100, 100, 800, 800, 800, 100, 100, 100} << false;
        QTest::newRow("jump of exactly a quarter") << QList<double>{100, 350, 100, 350} << true;
    }
    void unstableReadingOrder()
    {
        QFETCH(QList<double>, centres);
        QFETCH(bool, unstable);
        Regions regions;
        for (qsizetype i = 0; i < centres.size(); ++i)
            regions.append(text(centres[i] - 50, 100.0 * double(i), 100, 50));
        QCOMPARE(CaptureRouteDecider::hasUnstableReadingOrder(regions, 1000), unstable);
    }

    void trustsFallbackText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("confidence");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<bool>("trusted");
        const QString letters25 = QStringLiteral("abcdefghijklmnopqrstuvwxy");
        const QString mathBold = QString::fromUcs4(U"\U0001D400");

        QTest::newRow("25 letters at 0.76") << letters25 << 0.76 << 1 << true;
        QTest::newRow("25 letters at 0.75") << letters25 << 0.75 << 1 << false;
        QTest::newRow("blank") << QStringLiteral(" \n\t\u3000") << 0.99 << 3 << false;
        QTest::newRow("three short lines") << QStringLiteral("a\nb\nc") << 0.8 << 3 << true;
        QTest::newRow("eight letters very confident") << QStringLiteral("abcdefgh") << 0.88 << 1 << true;
        QTest::newRow("seven letters very confident") << QStringLiteral("abcdefg") << 0.99 << 1 << false;
        QTest::newRow("eight letters at 0.87") << QStringLiteral("abcdefgh") << 0.87 << 1 << false;
        QTest::newRow("eight with one symbol") << QStringLiteral("abcdefg$") << 0.99 << 1 << false;
        QTest::newRow("20 with five symbols") << QStringLiteral("abcdefghijklmno$$$$$") << 0.9 << 1 << true;
        QTest::newRow("20 with six symbols") << QStringLiteral("abcdefghijklmn$$$$$$") << 0.9 << 1 << false;
        QTest::newRow("ASCII punctuation is clean") << QStringLiteral(".,!?;:()[]{}<>-_/&%+#@'\"") << 0.9 << 1 << true;
        QTest::newRow("combining marks are clean") << QStringLiteral("e\u0301").repeated(10) << 0.8 << 1 << true;
        QTest::newRow("ten letters beyond the BMP are ten") << mathBold.repeated(10) << 0.8 << 1 << false;
        QTest::newRow("emoji are noise") << QString::fromUcs4(U"\U0001F600").repeated(20) << 0.99 << 3 << false;
    }
    void trustsFallbackText()
    {
        QFETCH(QString, text);
        QFETCH(double, confidence);
        QFETCH(int, lineCount);
        QFETCH(bool, trusted);
        const OCRResult ocr{text, lineCount, confidence};
        QCOMPARE(CaptureRouteDecider().shouldTrustFallbackOCRResult(ocr, QSizeF(100, 100)), trusted);
    }
};

int runCaptureRouteDeciderTests(int argc, char **argv)
{
    CaptureRouteDeciderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_capture_route_decider.moc"
