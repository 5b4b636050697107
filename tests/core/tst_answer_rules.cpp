#include "capture/SelectionGeometry.h"
#include "models/CaptureAnswerInput.h"
#include "overlay/MarkdownBlocks.h"
#include "overlay/MarkdownInline.h"
#include "overlay/ResultOverlayPlacement.h"
#include "overlay/ResultOverlayViewRules.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Rules = ResultOverlayViewRules::AutoScrollState;
namespace Placement = ResultOverlayPlacement;

// How a drag becomes a selection, what an understood capture sends for an answer, where the answer
// panel goes, how answers are read line by line and span by span, and the panel's small decisions.
class AnswerRulesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dragsBecomeIntegralRectangles()
    {
        const struct
        {
            QPointF from, to;
            QRectF expected;
            bool accepted;
        } rows[] = {{QPointF(10, 10), QPointF(22, 22), QRectF(10, 10, 12, 12), true},
                    {QPointF(10, 10), QPointF(21, 50), QRectF(10, 10, 11, 40), false},    // 11 points wide
                    {QPointF(10.5, 10), QPointF(21.5, 50), QRectF(10, 10, 12, 40), true}, // covers 12 whole points
                    {QPointF(0, 0), QPointF(300, 11), QRectF(0, 0, 300, 11), false}};     // 11 points high
        for (const auto &row : rows) {
            QCOMPARE(SelectionGeometry::spanned(row.from, row.to), row.expected);
            QCOMPARE(SelectionGeometry::isLargeEnough(SelectionGeometry::spanned(row.from, row.to)), row.accepted);
        }
    }

    void pixelsFollowTheIntegralRectangle()
    {
        using SelectionGeometry::pixelRect;
        // 0.3 + 10.4 points at scale 2, then scale 1.5 rounding halves up.
        QCOMPARE(pixelRect(SelectionGeometry::integral(QRectF(0.3, 5, 10.4, 12)), QSizeF(720, 450), QSize(1440, 900)),
                 QRect(0, 10, 22, 24));
        QCOMPARE(pixelRect(QRectF(11, 3, 13, 12), QSizeF(1280, 720), QSize(1920, 1080)), QRect(17, 5, 20, 18));
        // Kept inside the picture; nothing outside it or without one.
        QCOMPARE(pixelRect(QRectF(1420, 880, 40, 40), QSizeF(1440, 900), QSize(1440, 900)), QRect(1420, 880, 20, 20));
        QCOMPARE(pixelRect(QRectF(1500, 0, 20, 20), QSizeF(1440, 900), QSize(1440, 900)), QRect());
        QCOMPARE(pixelRect(QRectF(0, 0, 20, 20), QSizeF(1440, 900), QSize()), QRect());
    }

    void answerInputCarriesImageFieldsOnlyWithPreparedImage()
    {
        CaptureUnderstandingResult result;
        result.mode = CaptureUnderstandingMode::text;
        result.ocrResult = OCRResult{u"hello"_s, 1, 0.9};
        result.analysis.metrics.safeText = true;
        result.analysis.metrics.textLikeRatio = 0.5;

        const CaptureAnswerInput textInput = CaptureAnswerInput::fromUnderstanding(result);
        QCOMPARE(textInput.ocrText, std::optional<QString>(u"hello"_s));
        QVERIFY(!textInput.imageBase64 && !textInput.imageMimeType && !textInput.imageWidth && !textInput.imageHeight);
        // The route summary goes on the wire with its keys in this order.
        QVERIFY(textInput.routeSummary);
        QCOMPARE(QString::fromStdString(textInput.routeSummary->toJson().dump()),
                 u"{\"text_like_ratio\":0.5,\"non_text_ratio\":0.0,\"meaningful_table\":false,"
                 "\"meaningful_chart\":false,\"meaningful_formula\":false,\"meaningful_image\":false,"
                 "\"multi_column\":false,\"card_like_layout\":false,\"unstable_reading_order\":false,"
                 "\"safe_text\":true}"_s);

        result.mode = CaptureUnderstandingMode::image;
        result.ocrResult.reset();
        result.preparedImage =
            PreparedCaptureImage{QByteArray("\xff\xd8jpeg", 6), u"image/jpeg"_s, QSizeF(1024.9, 512.2)};
        const CaptureAnswerInput imageInput = CaptureAnswerInput::fromUnderstanding(result);
        QCOMPARE(imageInput.mode, CaptureUnderstandingMode::image);
        QVERIFY(!imageInput.ocrText);
        QCOMPARE(imageInput.imageBase64, std::optional<QString>(u"/9hqcGVn"_s));
        QCOMPARE(imageInput.imageMimeType, std::optional<QString>(u"image/jpeg"_s));
        QCOMPARE(imageInput.imageWidth, std::optional<int>(1024));
        QCOMPARE(imageInput.imageHeight, std::optional<int>(512));
    }

    void placement()
    {
        // Two 1920x1080 screens side by side; the first has a 32-point panel at its top.
        const Placement::Screen first{QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048)};
        const Placement::Screen second{QRectF(1920, 0, 1920, 1080), QRectF(1920, 0, 1920, 1080)};
        const auto medium = OverlayPanelSizePreset::medium; // 570 x 640
        const struct
        {
            QRectF selection;
            OverlayPanelSizePreset preset;
            QRectF expected;
        } rows[] = {
            {QRectF(100, 100, 300, 200), medium, QRectF(416, 100, 570, 640)},  // right of it, top-aligned
            {QRectF(1500, 100, 300, 200), medium, QRectF(914, 100, 570, 640)}, // near the right edge: left of it
            {QRectF(100, 700, 300, 300), medium, QRectF(416, 352, 570, 640)},  // too low: bottom 8 above its bottom
            {QRectF(100, 500, 300, 100), OverlayPanelSizePreset::extraLarge, QRectF(416, 40, 840, 920)}, // 8 inside
            {QRectF(20, 100, 1880, 200), medium, QRectF(8, 100, 570, 640)},     // no room either side
            {QRectF(3500, 50, 300, 200), medium, QRectF(2914, 50, 570, 640)},   // second screen
            {QRectF(5000, 3000, 10, 10), medium, QRectF(1342, 432, 570, 640)}}; // off every screen: the primary
        for (const auto &row : rows)
            QCOMPARE(Placement::frame(row.selection, row.preset, {first, second}, first), row.expected);
    }

    void blocks()
    {
        // Each answer's blocks as kind (p, o, u or b), marker, ':' and text, joined by '|'.
        const std::pair<QString, QString> rows[] = {
            {u"one\r\ntwo\n"_s, u"p:one|p:two|b:"_s},           // CRLF like LF, a trailing newline gives a blank
            {u"  2.  word\n10. ten"_s, u"o2.:word|o10.:ten"_s}, // indented numbers keep their digits
            {u"* a\n- b\n+ c"_s, u"u*:a|u-:b|u+:c"_s},
            {u"1. - x"_s, u"o1.:- x"_s},        // numbered before bulleted
            {u" \t\u00a0\n\r"_s, u"b:|p:\r"_s}, // spaces, tabs and no-break spaces are blank; a lone CR is not
            {QString(), u"b:"_s},
            {u"1.5 kg\n**bold**\n# Title\n```"_s, u"p:1.5 kg|p:**bold**|p:# Title|p:```"_s}};
        for (const auto &[markdown, expected] : rows) {
            QStringList rendered;
            for (const MarkdownBlock &block : parseMarkdownBlocks(markdown))
                rendered.append(QChar(u"poub"[int(block.kind)]) + block.marker + u':' + block.text);
            QCOMPARE(rendered.join(u'|'), expected);
        }
    }

    void inlineSpans()
    {
        // Each line's runs as text|flags, flags from s e c x l, joined by ';'.
        const std::pair<QString, QString> rows[] = {
            {u"Use `ls` **now**"_s, u"Use |;ls|c; |;now|s"_s},
            {u"2 * 3 ** 4"_s, u"2 * 3 ** 4|"_s}, // unmatched asterisks are literal
            {u"[site](https://a.example) <mailto:x@y.z>"_s,
             u"site|l:https://a.example; |;mailto:x@y.z|l:mailto:x@y.z"_s},
            {u"~~old~~ *new* \\*lit\\* &amp;"_s, u"old|x; |;new|e; *lit* &|"_s},
            {u"&#65;&#x42; &#xD800;"_s, u"AB \uFFFD|"_s},            // the last names no character
            {u"  # Title <b>x</b>  "_s, u"  # Title <b>x</b>  |"_s}, // block syntax and HTML stay text
            {u"![chart](https://a.example/c.png)"_s, u"chart|"_s}};  // an image shows its description only
        for (const auto &[line, expected] : rows) {
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

    void autoScroll()
    {
        const Rules idle{1, std::nullopt, false}, working{1, std::nullopt, true};
        QVERIFY(ResultOverlayViewRules::shouldScrollToBottom(idle, Rules{2, std::nullopt, false})); // new turn
        QVERIFY(ResultOverlayViewRules::shouldScrollToBottom(idle, Rules{1, u"Q"_s, true})); // new pending question
        QVERIFY(ResultOverlayViewRules::shouldScrollToBottom(idle, working));
        QVERIFY(!ResultOverlayViewRules::shouldScrollToBottom(working, idle));
        QVERIFY(!ResultOverlayViewRules::shouldScrollToBottom(idle, idle));
    }
};

QTEST_GUILESS_MAIN(AnswerRulesTest)
#include "tst_answer_rules.moc"
