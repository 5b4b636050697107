#include "overlay/MarkdownBlocks.h"
#include "overlay/MarkdownInline.h"
#include "overlay/ResultOverlayPlacement.h"
#include "overlay/ResultOverlayViewRules.h"

#include <QTest>

using namespace Qt::StringLiterals;

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
        QTest::addColumn<QString>("expected"); // blocks as kind (p, o, u or b), marker, ':' and text, joined by '|'
        QTest::newRow("CRLF like LF, trailing newline gives a blank") << u"one\r\ntwo\n"_s << u"p:one|p:two|b:"_s;
        QTest::newRow("indented number keeps its digits") << u"  2.  word\n10. ten"_s << u"o2.:word|o10.:ten"_s;
        QTest::newRow("bullets show their own character") << u"* a\n- b\n+ c"_s << u"u*:a|u-:b|u+:c"_s;
        QTest::newRow("numbered before bulleted") << u"1. - x"_s << u"o1.:- x"_s;
        QTest::newRow("spaces, tabs and no-break spaces are blank; a lone CR is not")
            << u" \t\u00a0\n\r"_s << u"b:|p:\r"_s;
        QTest::newRow("empty answer is one blank") << QString() << u"b:"_s;
        QTest::newRow("no space after the marker, headings and fences stay paragraphs")
            << u"1.5 kg\n**bold**\n# Title\n```"_s << u"p:1.5 kg|p:**bold**|p:# Title|p:```"_s;
    }
    void blocks()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, expected);
        QStringList rendered;
        for (const MarkdownBlock &block : parseMarkdownBlocks(markdown))
            rendered.append(QChar(u"poub"[int(block.kind)]) + block.marker + u':' + block.text);
        QCOMPARE(rendered.join(u'|'), expected);
    }

    void inlineSpans_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected"); // runs as text|flags, flags from s e c x l
        QTest::newRow("code span and bold") << u"Use `ls` **now**"_s << u"Use |;ls|c; |;now|s"_s;
        QTest::newRow("unmatched asterisks literal") << u"2 * 3 ** 4"_s << u"2 * 3 ** 4|"_s;
        QTest::newRow("link and autolink") << u"[site](https://a.example) <mailto:x@y.z>"_s
                                           << u"site|l:https://a.example; |;mailto:x@y.z|l:mailto:x@y.z"_s;
        QTest::newRow("strikethrough, emphasis, escape, entity")
            << u"~~old~~ *new* \\*lit\\* &amp;"_s << u"old|x; |;new|e; *lit* &|"_s;
        QTest::newRow("numeric entities, and one that names no character")
            << u"&#65;&#x42; &#xD800;"_s << u"AB \uFFFD|"_s;
        QTest::newRow("block syntax and HTML stay text, spaces kept")
            << u"  # Title <b>x</b>  "_s << u"  # Title <b>x</b>  |"_s;
        QTest::newRow("a quote, a list marker, a rule") << u"> - ---"_s << u"> - ---|"_s;
        QTest::newRow("an image shows its description only") << u"![chart](https://a.example/c.png)"_s << u"chart|"_s;
    }
    void inlineSpans()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        const std::optional<QList<MarkdownInlineRun>> runs = parseMarkdownInline(line);
        QVERIFY(runs);
        QStringList rendered;
        for (const MarkdownInlineRun &run : *runs)
            rendered.append(run.text + u'|' + QLatin1StringView(run.strong ? "s" : "") +
                            QLatin1StringView(run.emphasis ? "e" : "") + QLatin1StringView(run.code ? "c" : "") +
                            QLatin1StringView(run.strikethrough ? "x" : "") +
                            (run.link.isEmpty() ? QString() : u"l:"_s + run.link));
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
        QVERIFY(!shouldUseExpandedAssistantBubble(u"  Short answer.  \n"_s));
        QVERIFY(shouldUseExpandedAssistantBubble(u"Two\nlines"_s));
        QVERIFY(shouldUseExpandedAssistantBubble(QString(30, QLatin1Char('x'))));
        QVERIFY(!shouldUseExpandedAssistantBubble(QString(29, QLatin1Char('x'))));
        QVERIFY(!shouldUseExpandedAssistantBubble(QString(28, QChar(0x00e9)) + u"\U0001F600"_s));
        QVERIFY(!canAskCustomQuestion(u" \n\t "_s, false));
        QVERIFY(!canAskCustomQuestion(u"Why?"_s, true));
        QVERIFY(canAskCustomQuestion(u" Why? "_s, false));
    }

    void autoScroll_data()
    {
        QTest::addColumn<Rules>("previous");
        QTest::addColumn<Rules>("current");
        QTest::addColumn<bool>("scrolls");
        const Rules idle{1, std::nullopt, false};
        QTest::newRow("new turn") << idle << Rules{2, std::nullopt, false} << true;
        QTest::newRow("new pending question") << idle << Rules{1, u"Q"_s, true} << true;
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
