#include "overlay/ResultOverlayPlacement.h"
#include "panel/BubbleTextView.h"
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
#include <QTest>
#include <QTextBlock>

using namespace Qt::StringLiterals;

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
    return {QUuid::createUuid(), question, answer, QDateTime::currentDateTime(), u"test"_s};
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
        m_callbacks.onAskPreset = [this](PromptPreset preset) { m_events << u"preset "_s + rawValue(preset); };
        m_callbacks.onAskCustomQuestion = [this](const QString &text) { m_events << u"ask "_s + text; };
        m_callbacks.onCustomQuestionChange = [this](const QString &text) { m_events << u"draft "_s + text; };
        m_callbacks.onOpenAppSettings = [this] { m_events << u"app settings"_s; };
        m_callbacks.onOpenSettings = [this] { m_events << u"privacy settings"_s; };
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
        asking.pendingQuestion = u"What is this?"_s;
        QTest::newRow("first question pending") << asking << false << false << 1 << true;
        ResultOverlaySnapshot answered = idle;
        answered.answer = AIAnswer{u"Q"_s, u"**Bold** answer"_s, {}, {}};
        QTest::newRow("single answer card") << answered << false << true << 0 << false;
        ResultOverlaySnapshot talking = asking;
        talking.conversationHistory = {turn(u"One?"_s, u"1"_s), turn(u"Two?"_s, u"2"_s)};
        QTest::newRow("turns then the pending block") << talking << false << false << 5 << true;
        ResultOverlaySnapshot failed = talking;
        failed.errorMessage = u"<b>not bold</b>"_s;
        failed.permissionGuidance = PermissionGuidance{u"Screen Recording Needed"_s, u"m"_s, u"Open Settings"_s};
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
            QCOMPARE(m_events, QStringList(2, u"privacy settings"_s));
            return;
        }
        QCOMPARE(view().conversation()->showsAnswerCard(), answerCard);
        QCOMPARE(view().conversation()->bubbles().size(), bubbles);
        QCOMPARE(view().conversation()->showsThinking(), thinking);
        for (QuickActionButton *button : view().quickActions()->buttons())
            QCOMPARE(button->isEnabled(), !snapshot.isBusy);
    }

    void questionFieldKeys_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("composing");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("fieldAfter");
        const auto row = [](const char *name, const QString &typed, Qt::KeyboardModifiers modifiers,
                            const QString &composing, bool busy, const QStringList &events, const QString &after) {
            QTest::newRow(name) << typed << modifiers << composing << busy << events << after;
        };
        row("Return sends, clearing first", u"Why?"_s, {}, {}, false, {u"draft "_s, u"ask Why?"_s}, {});
        row("Shift+Return breaks the line", u"a"_s, Qt::ShiftModifier, {}, false, {u"draft a\n"_s}, u"a\n"_s);
        row("only white space is not sent", u"  "_s, {}, {}, false, {}, u"  "_s);
        row("busy: kept, not sent", u"Why?"_s, {}, {}, true, {}, u"Why?"_s);
        row("Return while composing commits the composition", u"x"_s, {}, u"nihon"_s, false, {u"draft xnihon"_s},
            u"xnihon"_s);
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
        QTest::keyClicks(view().questionField(), u"old draft"_s);
        m_controller->updateVisibleContent(snapshotFor(), m_callbacks);
        QCOMPARE(view().draftQuestion(), QString());
        snapshot.customQuestion = u"from the controller"_s;
        m_controller->updateVisibleContent(snapshot, m_callbacks);
        QCOMPARE(view().draftQuestion(), snapshot.customQuestion);
    }

    void answersRenderAsPlainMarkdownAndCopyRaw()
    {
        ResultOverlaySnapshot snapshot = snapshotFor();
        const QString answer = u"**Sum** is `42` <img src=x> [docs](https://a.example)"_s;
        snapshot.conversationHistory = {turn(u"Sum?"_s, answer)};
        showNow(snapshot);
        CopyableBubble *bubble = view().conversation()->bubbles().at(1);
        const QTextDocument *document = bubble->textView()->document();
        QCOMPARE(document->firstBlock().text(), u"Sum is 42 <img src=x> docs"_s);
        QVERIFY(document->toHtml().contains(u"href=\"https://a.example\""_s));

        bubble->copyButton()->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), answer);
    }

    void escapeClosesThePanel()
    {
        showNow(snapshotFor());
        QTest::keyClick(view().questionField(), Qt::Key_Escape);
        QVERIFY(!m_controller->isVisible());
    }
};

QTEST_MAIN(AnswerPanelTest)
#include "tst_answer_panel.moc"
