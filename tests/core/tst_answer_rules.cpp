#include "overlay/MarkdownBlocks.h"
#include "overlay/MarkdownInline.h"
#include "overlay/ResultOverlayPlacement.h"
#include "overlay/ResultOverlayViewRules.h"

#include <QTest>

using Kind = MarkdownBlock::Kind;
using Rules = ResultOverlayViewRules::AutoScrollState;
namespace Placement = ResultOverlayPlacement;

// Where the answer panel goes, how answers are read line by line and span by span, and the
// panel's small decisions.
class AnswerRulesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<QRectF>("selection");
        QTest::addColumn<int>("preset");
        QTest::addColumn<QRectF>("expected");
        // Two 1920x1080 screens side by side; the first has a 32-point panel at its top.
        const auto medium = int(OverlayPanelSizePreset::medium); // 570 x 640
        QTest::newRow("right of the selection, top-aligned")
            << QRectF(100, 100, 300, 200) << medium << QRectF(416, 100, 570, 640);
        QTest::newRow("near the right edge: left of it, 16 away")
            << QRectF(1500, 100, 300, 200) << medium << QRectF(914, 100, 570, 640);
        QTest::newRow("too low: bottom 8 above the selection's bottom")
            << QRectF(100, 700, 300, 300) << medium << QRectF(416, 352, 570, 640);
        QTest::newRow("too low and short: clamped 8 inside the top")
            << QRectF(100, 500, 300, 100) << int(OverlayPanelSizePreset::extraLarge) << QRectF(416, 40, 840, 920);
        QTest::newRow("no room either side: clamped 8 inside the left")
            << QRectF(20, 100, 1880, 200) << medium << QRectF(8, 100, 570, 640);
        QTest::newRow("second screen keeps the panel there")
            << QRectF(3500, 50, 300, 200) << medium << QRectF(2914, 50, 570, 640);
        QTest::newRow("off every screen: the primary one")
            << QRectF(5000, 3000, 10, 10) << medium << QRectF(1342, 432, 570, 640);
    }
    void placement()
    {
        QFETCH(QRectF, selection);
        QFETCH(int, preset);
        QFETCH(QRectF, expected);
        const Placement::Screen first{QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048)};
        const Placement::Screen second{QRectF(1920, 0, 1920, 1080), QRectF(1920, 0, 1920, 1080)};
        QCOMPARE(Placement::frame(selection, OverlayPanelSizePreset(preset), {first, second}, first), expected);
    }
    void placementLargerThanTheScreenKeepsItsTopLeftInside()
    {
        const Placement::Screen tiny{QRectF(0, 0, 600, 500), QRectF(0, 0, 600, 500)};
        QCOMPARE(Placement::frame(QRectF(10, 10, 50, 50), OverlayPanelSizePreset::large, {tiny}, tiny),
                 QRectF(8, 8, 700, 760));
        QCOMPARE(Placement::frame(QRectF(10, 10, 50, 50), OverlayPanelSizePreset::compact, {}, std::nullopt),
                 QRectF(76, 10, 380, 320));
        QCOMPARE(Placement::minimumPanelSize(OverlayPanelSizePreset::extraLarge), QSizeF(360, 320));
    }

    void blocks_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QList<MarkdownBlock>>("expected");
        const MarkdownBlock blank{Kind::blank, {}, {}};
        QTest::newRow("CRLF like LF, trailing newline gives a blank")
            << QStringLiteral("one\r\ntwo\n")
            << QList<MarkdownBlock>{
                   {Kind::paragraph, {}, QStringLiteral("one")}, {Kind::paragraph, {}, QStringLiteral("two")}, blank};
        QTest::newRow("indented number keeps its digits")
            << QStringLiteral("  2.  word\n10. ten")
            << QList<MarkdownBlock>{{Kind::orderedItem, QStringLiteral("2."), QStringLiteral("word")},
                                    {Kind::orderedItem, QStringLiteral("10."), QStringLiteral("ten")}};
        QTest::newRow("bullets show their own character")
            << QStringLiteral("* a\n- b\n+ c")
            << QList<MarkdownBlock>{{Kind::unorderedItem, QStringLiteral("*"), QStringLiteral("a")},
                                    {Kind::unorderedItem, QStringLiteral("-"), QStringLiteral("b")},
                                    {Kind::unorderedItem, QStringLiteral("+"), QStringLiteral("c")}};
        QTest::newRow("numbered before bulleted")
            << QStringLiteral("1. - x")
            << QList<MarkdownBlock>{{Kind::orderedItem, QStringLiteral("1."), QStringLiteral("- x")}};
        QTest::newRow("spaces, tabs and no-break spaces are blank; a lone CR is not")
            << QStringLiteral(" \t\u00a0\n\r")
            << QList<MarkdownBlock>{blank, {Kind::paragraph, {}, QStringLiteral("\r")}};
        QTest::newRow("empty answer is one blank") << QString() << QList<MarkdownBlock>{blank};
        QTest::newRow("no space after the marker, headings and fences stay paragraphs")
            << QStringLiteral("1.5 kg\n**bold**\n# Title\n```")
            << QList<MarkdownBlock>{{Kind::paragraph, {}, QStringLiteral("1.5 kg")},
                                    {Kind::paragraph, {}, QStringLiteral("**bold**")},
                                    {Kind::paragraph, {}, QStringLiteral("# Title")},
                                    {Kind::paragraph, {}, QStringLiteral("```")}};
    }
    void blocks()
    {
        QFETCH(QString, markdown);
        QFETCH(QList<MarkdownBlock>, expected);
        QCOMPARE(parseMarkdownBlocks(markdown), expected);
    }

    void inlineSpans_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected"); // runs as text|flags, flags from s e c x l
        QTest::newRow("code span and bold")
            << QStringLiteral("Use `ls` **now**") << QStringLiteral("Use |;ls|c; |;now|s");
        QTest::newRow("unmatched asterisks literal") << QStringLiteral("2 * 3 ** 4") << QStringLiteral("2 * 3 ** 4|");
        QTest::newRow("link and autolink") << QStringLiteral("[site](https://a.example) <mailto:x@y.z>")
                                           << QStringLiteral("site|l:https://a.example; |;mailto:x@y.z|l:mailto:x@y.z");
        QTest::newRow("strikethrough, emphasis, escape, entity")
            << QStringLiteral("~~old~~ *new* \\*lit\\* &amp;") << QStringLiteral("old|x; |;new|e; *lit* &|");
        QTest::newRow("numeric entities, and one that names no character")
            << QStringLiteral("&#65;&#x42; &#xD800;") << QStringLiteral("AB \uFFFD|");
        QTest::newRow("block syntax and HTML stay text, spaces kept")
            << QStringLiteral("  # Title <b>x</b>  ") << QStringLiteral("  # Title <b>x</b>  |");
        QTest::newRow("a quote, a list marker, a rule") << QStringLiteral("> - ---") << QStringLiteral("> - ---|");
        QTest::newRow("an image shows its description only")
            << QStringLiteral("![chart](https://a.example/c.png)") << QStringLiteral("chart|");
    }
    void inlineSpans()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        const std::optional<QList<MarkdownInlineRun>> runs = parseMarkdownInline(line);
        QVERIFY(runs);
        QStringList rendered;
        for (const MarkdownInlineRun &run : *runs) {
            QString flags = QString(run.strong ? QStringLiteral("s") : QString()) +
                            (run.emphasis ? QStringLiteral("e") : QString()) +
                            (run.code ? QStringLiteral("c") : QString()) +
                            (run.strikethrough ? QStringLiteral("x") : QString()) +
                            (run.link.isEmpty() ? QString() : QStringLiteral("l:") + run.link);
            rendered.append(run.text + QLatin1Char('|') + flags);
        }
        QCOMPARE(rendered.join(QLatin1Char(';')), expected);
    }

    void openableLinks()
    {
        for (const char *open : {"https://a.example/x", "http://a.example", "mailto:me@a.example"})
            QVERIFY2(isOpenableMarkdownLink(QString::fromLatin1(open)), open);
        for (const char *refused :
             {"javascript:alert(1)", "file:///etc/passwd", "relative/path", "https://", "data:text/html,x"})
            QVERIFY2(!isOpenableMarkdownLink(QString::fromLatin1(refused)), refused);
    }

    void bubbleWidthAndSending()
    {
        using namespace ResultOverlayViewRules;
        QVERIFY(!shouldUseExpandedAssistantBubble(QStringLiteral("  Short answer.  \n")));
        QVERIFY(shouldUseExpandedAssistantBubble(QStringLiteral("Two\nlines")));
        QVERIFY(shouldUseExpandedAssistantBubble(QString(30, QLatin1Char('x'))));
        QVERIFY(!shouldUseExpandedAssistantBubble(QString(29, QLatin1Char('x'))));
        QVERIFY(!shouldUseExpandedAssistantBubble(QString(28, QChar(0x00e9)) + QStringLiteral("\U0001F600")));
        QVERIFY(!canAskCustomQuestion(QStringLiteral(" \n\t "), false));
        QVERIFY(!canAskCustomQuestion(QStringLiteral("Why?"), true));
        QVERIFY(canAskCustomQuestion(QStringLiteral(" Why? "), false));
    }

    void autoScroll_data()
    {
        QTest::addColumn<Rules>("previous");
        QTest::addColumn<Rules>("current");
        QTest::addColumn<bool>("scrolls");
        const Rules idle{1, std::nullopt, false};
        QTest::newRow("new turn") << idle << Rules{2, std::nullopt, false} << true;
        QTest::newRow("new pending question") << idle << Rules{1, QStringLiteral("Q"), true} << true;
        QTest::newRow("work starts") << idle << Rules{1, std::nullopt, true} << true;
        QTest::newRow("work ends alone") << Rules{1, std::nullopt, true} << idle << false;
        QTest::newRow("nothing changes") << idle << idle << false;
    }
    void autoScroll()
    {
        QFETCH(Rules, previous);
        QFETCH(Rules, current);
        QFETCH(bool, scrolls);
        QCOMPARE(ResultOverlayViewRules::shouldScrollToBottom(previous, current), scrolls);
    }
};

QTEST_GUILESS_MAIN(AnswerRulesTest)
#include "tst_answer_rules.moc"
