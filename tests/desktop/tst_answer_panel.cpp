#include "overlay/ResultOverlayPlacement.h"
#include "panel/BubbleTextView.h"
#include "panel/CaptureContextBar.h"
#include "panel/ConversationColumn.h"
#include "panel/CopyableBubble.h"
#include "panel/ErrorStateView.h"
#include "panel/FloatingResultPanel.h"
#include "panel/PanelHeader.h"
#include "panel/PanelIconButton.h"
#include "panel/PromptTextView.h"
#include "panel/QuickActionGrid.h"
#include "panel/ResultOverlayPanelController.h"
#include "panel/ResultOverlayView.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

namespace {
ResultOverlaySnapshot snapshotFor(QRectF selection = QRectF(100, 100, 200, 120))
{
    ResultOverlaySnapshot snapshot;
    snapshot.capture.id = QUuid::createUuid();
    snapshot.capture.selectionRect = selection;
    snapshot.presetOrder = {allPromptPresets.begin(), allPromptPresets.end()};
    snapshot.presetConfigurations = defaultConfigurations();
    snapshot.showsSelectionDecoration = snapshot.delaysPanelReveal = true;
    snapshot.overlayPanelSizePreset = OverlayPanelSizePreset::compact;
    return snapshot;
}

ConversationTurn turn(const QString &question, const QString &answer)
{
    return {QUuid::createUuid(), question, answer, QDateTime::currentDateTime(), QStringLiteral("test")};
}
} // namespace

// The answer panel on a real (offscreen) window: reveal and placement, every state of its
// content, the question field's keys, copying and the keyboard.
class AnswerPanelTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<ResultOverlayPanelController> m_controller;
    QStringList m_events;
    ResultOverlayCallbacks m_callbacks;

    ResultOverlayView &view() { return *m_controller->view(); }
    QRect frameFor(const ResultOverlaySnapshot &snapshot) const
    {
        const QRectF available = QGuiApplication::primaryScreen()->availableGeometry();
        const QRectF frame = ResultOverlayPlacement::frame(
            snapshot.capture.selectionRect, snapshot.overlayPanelSizePreset, {{available, available}}, std::nullopt);
        return frame.toRect();
    }
    void showNow(const ResultOverlaySnapshot &snapshot)
    {
        ResultOverlaySnapshot shown = snapshot;
        shown.delaysPanelReveal = shown.showsSelectionDecoration = false;
        m_controller->present(shown, m_callbacks);
        QVERIFY(m_controller->isVisible());
    }

private Q_SLOTS:
    void init()
    {
        m_controller = std::make_unique<ResultOverlayPanelController>();
        m_events.clear();
        m_callbacks.onAskPreset = [this](PromptPreset preset) {
            m_events << QStringLiteral("preset ") + rawValue(preset);
        };
        m_callbacks.onAskCustomQuestion = [this](const QString &text) { m_events << QStringLiteral("ask ") + text; };
        m_callbacks.onCustomQuestionChange = [this](const QString &text) {
            m_events << QStringLiteral("draft ") + text;
        };
        m_callbacks.onOpenAppSettings = [this] { m_events << QStringLiteral("app settings"); };
        m_callbacks.onOpenSettings = [this] { m_events << QStringLiteral("privacy settings"); };
    }
    void cleanup() { m_controller.reset(); }

    void revealPlacementAndUpdates()
    {
        ResultOverlaySnapshot snapshot = snapshotFor();
        m_controller->present(snapshot, m_callbacks);
        QVERIFY(!m_controller->isVisible());
        QVERIFY(m_controller->isRevealPending());
        QTRY_VERIFY(m_controller->isVisible());
        QCOMPARE(m_controller->panel()->geometry(), frameFor(snapshot));

        // Same selection again: no second reveal; a panel the user moved stays while the size does.
        m_controller->present(snapshot, m_callbacks);
        QVERIFY(m_controller->isVisible() && !m_controller->isRevealPending());
        m_controller->panel()->move(500, 300);
        snapshot.isBusy = true;
        m_controller->updateVisibleContent(snapshot, m_callbacks);
        QCOMPARE(m_controller->panel()->pos(), QPoint(500, 300));
        snapshot.overlayPanelSizePreset = OverlayPanelSizePreset::small;
        m_controller->updateVisibleContent(snapshot, m_callbacks);
        QTRY_COMPARE(m_controller->panel()->geometry(), frameFor(snapshot));

        // The user's close button, then the same capture: revealed again with the delay.
        view().header()->closeButton()->click();
        QVERIFY(!m_controller->isVisible());
        m_controller->present(snapshot, m_callbacks);
        QVERIFY(m_controller->isRevealPending());
        m_controller->close();
        QTest::qWait(ResultOverlayPanelController::revealDelayMilliseconds + 50);
        QVERIFY(!m_controller->isVisible());

        // A capture from the library shows at once, without the delay.
        showNow(snapshotFor(QRectF(900, 200, 100, 100)));
    }

    void contentStates_data()
    {
        QTest::addColumn<ResultOverlaySnapshot>("snapshot");
        QTest::addColumn<bool>("error");
        QTest::addColumn<bool>("answerCard");
        QTest::addColumn<int>("bubbles");
        QTest::addColumn<bool>("thinking");
        ResultOverlaySnapshot idle = snapshotFor();
        QTest::newRow("quick actions only") << idle << false << false << 0 << false;
        ResultOverlaySnapshot asking = idle;
        asking.isBusy = true;
        asking.pendingQuestion = QStringLiteral("What is this?");
        QTest::newRow("first question pending") << asking << false << false << 1 << true;
        ResultOverlaySnapshot answered = idle;
        answered.answer = AIAnswer{QStringLiteral("Q"), QStringLiteral("**Bold** answer"), {}, {}};
        QTest::newRow("single answer card") << answered << false << true << 0 << false;
        ResultOverlaySnapshot talking = asking;
        talking.conversationHistory = {turn(QStringLiteral("One?"), QStringLiteral("1")),
                                       turn(QStringLiteral("Two?"), QStringLiteral("2"))};
        QTest::newRow("turns then the pending block") << talking << false << false << 5 << true;
        ResultOverlaySnapshot failed = talking;
        failed.errorMessage = QStringLiteral("<b>not bold</b>");
        failed.permissionGuidance = PermissionGuidance{QStringLiteral("Screen Recording Needed"), QStringLiteral("m"),
                                                       QStringLiteral("Open Settings")};
        QTest::newRow("error with the permission card") << failed << true << false << 0 << false;
    }
    void contentStates()
    {
        QFETCH(ResultOverlaySnapshot, snapshot);
        QFETCH(bool, error);
        QFETCH(bool, answerCard);
        QFETCH(int, bubbles);
        QFETCH(bool, thinking);
        showNow(snapshot);
        QCOMPARE(view().showsError(), error);
        if (error) {
            QCOMPARE(view().errorState()->message(), *snapshot.errorMessage);
            QVERIFY(view().footerButton()->isVisibleTo(&view()));
            view().footerButton()->click();
            view().errorState()->permissionAction()->click();
            QCOMPARE(m_events, QStringList(2, QStringLiteral("privacy settings")));
            return;
        }
        QCOMPARE(view().conversation()->showsAnswerCard(), answerCard);
        QCOMPARE(view().conversation()->bubbles().size(), bubbles);
        QCOMPARE(view().conversation()->showsThinking(), thinking);
        for (QuickActionButton *button : view().quickActions()->buttons())
            QCOMPARE(button->isEnabled(), !snapshot.isBusy);
        QCOMPARE(view().sendButton()->toolTip(), snapshot.answer ? QStringLiteral("Re-ask") : QStringLiteral("Ask"));
    }

    void conversationGrowsWithoutRebuildingShownTurns()
    {
        ResultOverlaySnapshot snapshot = snapshotFor();
        snapshot.captureUnderstanding = CaptureUnderstandingResult{};
        snapshot.captureUnderstanding->mode = CaptureUnderstandingMode::image;
        snapshot.conversationHistory = {turn(QStringLiteral("One?"), QStringLiteral("Short."))};
        showNow(snapshot);
        QCOMPARE(view().contextBar()->badgeText(), QStringLiteral("IMAGE"));
        CopyableBubble *firstAnswer = view().conversation()->bubbles().at(1);
        QVERIFY(!firstAnswer->expandsToMaxWidth());
        snapshot.conversationHistory.append(
            turn(QStringLiteral("Two?"), QStringLiteral("A long answer that fills the panel.")));
        m_controller->updateVisibleContent(snapshot, m_callbacks);
        QCOMPARE(view().conversation()->bubbles().at(1), firstAnswer);
        QVERIFY(view().conversation()->bubbles().at(3)->expandsToMaxWidth());
    }

    void questionFieldKeys_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("composing");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("fieldAfter");
        QTest::newRow("Return sends, clearing first")
            << QStringLiteral("Why?") << Qt::KeyboardModifiers() << QString() << false
            << QStringList{QStringLiteral("draft "), QStringLiteral("ask Why?")} << QString();
        QTest::newRow("Shift+Return breaks the line")
            << QStringLiteral("a") << Qt::KeyboardModifiers(Qt::ShiftModifier) << QString() << false
            << QStringList{QStringLiteral("draft a\n")} << QStringLiteral("a\n");
        QTest::newRow("only white space is not sent") << QStringLiteral("  ") << Qt::KeyboardModifiers() << QString()
                                                      << false << QStringList{} << QStringLiteral("  ");
        QTest::newRow("busy: kept, not sent") << QStringLiteral("Why?") << Qt::KeyboardModifiers() << QString() << true
                                              << QStringList{} << QStringLiteral("Why?");
        QTest::newRow("Return while composing commits the composition")
            << QStringLiteral("x") << Qt::KeyboardModifiers() << QStringLiteral("nihon") << false
            << QStringList{QStringLiteral("draft xnihon")} << QStringLiteral("xnihon");
    }
    void questionFieldKeys()
    {
        QFETCH(QString, typed);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, composing);
        QFETCH(bool, busy);
        QFETCH(QStringList, events);
        QFETCH(QString, fieldAfter);
        ResultOverlaySnapshot snapshot = snapshotFor();
        snapshot.isBusy = busy;
        showNow(snapshot);
        PromptTextView *field = view().questionField();
        QTest::keyClicks(field, typed);
        if (!composing.isEmpty()) {
            QInputMethodEvent compose(composing, {});
            QApplication::sendEvent(field, &compose);
        }
        m_events.clear();
        QTest::keyClick(field, Qt::Key_Return, modifiers);
        QCOMPARE(m_events, events);
        QCOMPARE(field->toPlainText(), fieldAfter);
    }

    void theControllersDraftReplacesAStaleOne()
    {
        ResultOverlaySnapshot snapshot = snapshotFor();
        showNow(snapshot);
        // Typing tells the controller, which shows nothing back; a new capture then clears it.
        QTest::keyClicks(view().questionField(), QStringLiteral("old draft"));
        m_controller->updateVisibleContent(snapshotFor(), m_callbacks);
        QCOMPARE(view().draftQuestion(), QString());
        snapshot.customQuestion = QStringLiteral("from the controller");
        m_controller->updateVisibleContent(snapshot, m_callbacks);
        QCOMPARE(view().draftQuestion(), snapshot.customQuestion);
    }

    void fieldGrowsToTenLinesThenScrolls()
    {
        showNow(snapshotFor());
        PromptTextView *field = view().questionField();
        const int oneLine = field->height();
        QCOMPARE(oneLine, field->calculatedHeight());
        field->setPlainText(QStringLiteral("line\n").repeated(4));
        const int fiveLines = field->height();
        QVERIFY(fiveLines > oneLine);
        field->setPlainText(QStringLiteral("line\n").repeated(30));
        const int capped = field->height();
        QCOMPARE(capped, int(std::ceil(QFontMetricsF(field->font()).lineSpacing() * 10 + 12)));
        QVERIFY(field->verticalScrollBar()->maximum() > 0);
        field->clear();
        QCOMPARE(field->height(), oneLine);
    }

    void answersRenderAsPlainMarkdownAndCopyRaw()
    {
        ResultOverlaySnapshot snapshot = snapshotFor();
        const QString answer = QStringLiteral("**Sum** is `42` <img src=x> [docs](https://a.example)\n- ") +
                               QStringLiteral("word ").repeated(200);
        snapshot.conversationHistory = {turn(QStringLiteral("Sum?"), answer)};
        showNow(snapshot);
        CopyableBubble *bubble = view().conversation()->bubbles().at(1);
        const QTextDocument *document = bubble->textView()->document();
        QCOMPARE(document->firstBlock().text(), QStringLiteral("Sum is 42 <img src=x> docs"));
        QVERIFY(document->toHtml().contains(QStringLiteral("href=\"https://a.example\"")));
        // A long item wraps to many lines and is shown whole.
        QTRY_VERIFY(bubble->textView()->height() >= int(document->size().height()));
        QVERIFY(document->lastBlock().layout()->lineCount() > 3);

        bubble->copyButton()->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), answer);
        QCOMPARE(bubble->copyButton()->iconKind(), PanelIcon::Kind::checkmark);
        QTRY_COMPARE_WITH_TIMEOUT(bubble->copyButton()->iconKind(), PanelIcon::Kind::copy, 2500);
    }

    void keyboardOrderNamesAndEscape()
    {
        showNow(snapshotFor());
        QList<QWidget *> expected;
        for (QuickActionButton *button : view().quickActions()->buttons())
            expected.append(button);
        expected << view().questionField() << view().sendButton();
        QWidget *widget = expected.first();
        for (qsizetype i = 1; i < expected.size(); ++i) {
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisibleTo(&view()))
                widget = widget->nextInFocusChain();
            QCOMPARE(widget, expected.at(i));
        }
        for (const QAbstractButton *button : m_controller->panel()->findChildren<QAbstractButton *>())
            QVERIFY2(!button->accessibleName().isEmpty() || !button->isVisibleTo(m_controller->panel()),
                     button->metaObject()->className());
        QTest::keyClick(view().questionField(), Qt::Key_Escape);
        QVERIFY(!m_controller->isVisible());
    }
};

QTEST_MAIN(AnswerPanelTest)
#include "tst_answer_panel.moc"
