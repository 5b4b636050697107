#include "ControllerHarness.h"
#include "TemporaryHome.h"
#include "capture/CaptureError.h"
#include "support/OrvantaError.h"

#include <QClipboard>
#include <QCoro/QCoroTask>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CaptureError)

namespace {
// A capture file whose header and trailer are intact but whose pixels no longer decode: the
// listing keeps it, reading it fails.
void corruptPixels(const QString &filePath)
{
    QFile file(filePath);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray header = file.read(33); // signature and IHDR
    file.resize(0);
    file.write(header + QByteArray::fromHex("0000000449444154deadbeef00000000") +
               QByteArray::fromHex("0000000049454e44ae426082"));
}
} // namespace

class AppViewModelTest : public QObject
{
    Q_OBJECT
private:
    TemporaryHome m_home;
    std::unique_ptr<ControllerHarness> h;
    int m_run = 0;

    AppViewModel &captured()
    {
        AppViewModel &vm = h->makeController();
        QCoro::waitFor(vm.runCaptureFlow());
        return vm;
    }
    // Saves the texts TITLE, TITLE/sub and TITLE/prompt.
    static void savePreset(AppViewModel &vm, PromptPreset preset, const QString &title)
    {
        QCoro::waitFor(vm.savePromptPreset({title, title + u"/sub"_s, title + u"/prompt"_s}, preset));
    }

private Q_SLOTS:
    void init() { h = std::make_unique<ControllerHarness>(m_home.path() + u"/library-%1"_s.arg(++m_run), false); }
    void cleanup() { h.reset(); }

    void captureFlowCopiesRecordsAndOffersQuickActions()
    {
        AppViewModel &vm = h->makeController();
        QGuiApplication::clipboard()->setText(u"old clipboard"_s);
        h->capture.replies.append([] { return FakeCaptureService::makeSelection(QSize(32, 16), Qt::red); });
        QCoro::waitFor(vm.runCaptureFlow());

        QVERIFY(vm.capture() && !vm.isBusy() && !vm.lastErrorMessage());
        QCOMPARE(vm.captureUnderstanding(), FakeUnderstandingService::textResult(*vm.capture()));
        QVERIFY(h->ai.answerCalls.isEmpty());

        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), vm.capture()->cgImage);

        QCOMPARE(vm.recentCaptures().size(), 1);
        QCOMPARE(vm.recentCaptures().first().id, vm.capture()->id);
        QCOMPARE(vm.selectedRecentCaptureID(), std::optional<QUuid>(vm.capture()->id));

        // The panel appeared for the new capture while it was still busy, then showed the result.
        QVERIFY(h->overlay.visible);
        QCOMPARE(h->overlay.presentCount, 1);
        const ResultOverlaySnapshot &first = h->overlay.snapshots.first(), &last = h->overlay.snapshots.last();
        QVERIFY(first.isBusy && !first.captureUnderstanding && first.showsSelectionDecoration &&
                first.delaysPanelReveal);
        QVERIFY(!last.isBusy && last.captureUnderstanding);
    }

    void busyWhileUnderstandingOrAnswering()
    {
        AppViewModel &vm = h->makeController();
        h->understanding.gate.close();
        QCoro::Task<> flow = vm.runCaptureFlow();
        QVERIFY(vm.isBusy() && vm.capture() && !vm.captureUnderstanding());

        // No understanding yet: a question is dropped without a trace.
        QCoro::waitFor(vm.askCustomQuestion(u"What is it?"_s));
        QVERIFY(h->ai.answerCalls.isEmpty());

        h->understanding.gate.open();
        QCoro::waitFor(flow);
        QVERIFY(!vm.isBusy() && vm.captureUnderstanding());

        // The panel shows the question while its answer is on the way.
        h->ai.gate.close();
        QCoro::Task<> asking = vm.askQuestion(PromptPreset::keyPoint);
        const ResultOverlaySnapshot pending = h->overlay.snapshots.last();
        QVERIFY(pending.isBusy);
        QCOMPARE(pending.pendingQuestion, std::optional<QString>(defaultConfiguration(PromptPreset::keyPoint).prompt));
        QCOMPARE(pending.activePreset, std::optional<PromptPreset>(PromptPreset::keyPoint));
        h->ai.gate.open();
        QCoro::waitFor(asking);
        QCOMPARE(vm.activePreset(), std::optional<PromptPreset>(PromptPreset::keyPoint));
        QVERIFY(!vm.isBusy() && !h->overlay.snapshots.last().isBusy);
    }

    void captureFailures_data()
    {
        QTest::addColumn<CaptureError>("failure");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("guidance");
        QTest::newRow("cancelled") << CaptureError::selectionCancelled() << true << false;
        QTest::newRow("too small") << CaptureError::selectionTooSmall() << true << false;
        QTest::newRow("permission denied") << CaptureError::screenRecordingPermissionDenied() << false << true;
        QTest::newRow("screenshot failed")
            << CaptureError::screenshotFailed(u"The display went away."_s) << false << false;
    }
    void captureFailures()
    {
        QFETCH(CaptureError, failure);
        QFETCH(bool, silent);
        QFETCH(bool, guidance);
        AppViewModel &vm = captured();
        QCoro::waitFor(vm.askQuestion(PromptPreset::explain));
        const QUuid previous = vm.capture()->id;
        h->capture.replies.append([failure]() -> CapturedSelection { throw failure; });
        QCoro::waitFor(vm.runCaptureFlow());
        QVERIFY(!vm.isBusy());
        QCOMPARE(vm.capture()->id, previous);

        if (silent) {
            // The panel closes and the previous conversation ends without a message.
            QVERIFY(!h->overlay.visible && !vm.lastErrorMessage() && !vm.permissionGuidance() && !vm.activePreset());
            QVERIFY(!vm.captureUnderstanding() && !vm.answer() && vm.conversationHistory().isEmpty());
            return;
        }
        QCOMPARE(vm.lastErrorMessage(), std::optional<QString>(failure.message()));
        QCOMPARE(vm.permissionGuidance().has_value(), guidance);
        // The message shows in the panel of the previous capture.
        QVERIFY(h->overlay.visible);
        QCOMPARE(h->overlay.snapshots.last().errorMessage, vm.lastErrorMessage());
        QCOMPARE(h->overlay.snapshots.last().permissionGuidance, vm.permissionGuidance());

        h->permission.granted = false;
        QCoro::waitFor(vm.refreshPermissions());
        QCOMPARE(vm.permissionGuidance().has_value(), guidance);
        h->permission.granted = true;
        QCoro::waitFor(vm.refreshPermissions());
        QVERIFY(!vm.permissionGuidance());
        // Only the permission message is stale once access is granted.
        QCOMPARE(vm.lastErrorMessage().has_value(), !guidance);
    }

    void understandingFailureEndsTheFlow()
    {
        AppViewModel &vm = h->makeController();
        h->understanding.replies.append(
            [](const CapturedSelection &) -> CaptureUnderstandingResult { throw LibraryError(u"boom"_s); });
        QCoro::waitFor(vm.runCaptureFlow());
        QCOMPARE(vm.lastErrorMessage(), std::optional<QString>(u"boom"_s));
        QVERIFY(vm.capture() && !vm.captureUnderstanding() && h->overlay.visible);
        QCOMPARE(h->overlay.snapshots.last().errorMessage, vm.lastErrorMessage());
    }

    void libraryThatCannotTakeACaptureLosesNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("read-only folder") << "read-only";
        QTest::newRow("write fails half-way") << "half-way";
    }
    void libraryThatCannotTakeACaptureLosesNothing()
    {
        QFETCH(QString, fault);
        AppViewModel &vm = captured();
        const QString folder = h->store.directory();
        QFile index(h->store.indexFilePath());
        QVERIFY(index.open(QIODevice::ReadOnly));
        const QByteArray goodIndex = index.readAll();
        index.close();
        const QStringList goodFiles = QDir(folder).entryList(QDir::Files);

        // Noise does not compress, so its PNG is far larger than the half-way limit.
        CapturedSelection large = FakeCaptureService::makeSelection(QSize(256, 256));
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                large.cgImage.setPixel(x, y, QRandomGenerator::global()->generate());
        h->capture.replies.append([large] { return large; });
        rlimit original{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &original), 0);
        if (fault == u"read-only"_s) {
            if (::geteuid() == 0)
                QSKIP("Root writes into read-only folders.");
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        } else {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{32 * 1024, original.rlim_max};
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"^\\[RecentCaptureStore\\] Failed to record capture: .+"_s));
        QCoro::waitFor(vm.runCaptureFlow());
        ::setrlimit(RLIMIT_FSIZE, &original);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(vm.lastErrorMessage(), std::nullopt);
        QVERIFY(vm.captureUnderstanding() && vm.capture()->id == large.id && h->overlay.visible);
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), large.cgImage);
        QVERIFY(index.open(QIODevice::ReadOnly));
        QCOMPARE(index.readAll(), goodIndex);
        QCOMPARE(QDir(folder).entryList(QDir::Files), goodFiles);
        QCOMPARE(vm.recentCaptures().size(), 1);
    }

    void conversationSendsEarlierTurnsAsHistory()
    {
        AppViewModel &vm = captured();
        savePreset(vm, PromptPreset::summarize, u"ELI5"_s);
        QCoro::waitFor(vm.askQuestion(PromptPreset::summarize));
        QCoro::waitFor(vm.askCustomQuestion(u"  And the risks?\n"_s));
        h->ai.answerReplies.append([](const FakeAIProvider::AnswerCall &) -> AIAnswer {
            throw AIProviderError::apiError(u"The service is busy."_s);
        });
        QCoro::waitFor(vm.askCustomQuestion(u"Third?"_s));
        QCOMPARE(vm.lastErrorMessage(), std::optional<QString>(u"The service is busy."_s));
        QCOMPARE(vm.pendingQuestion(), std::optional<QString>(u"Third?"_s));
        QCOMPARE(vm.conversationHistory().size(), 2);
        // No token: nothing is sent and the conversation stays.
        h->session.tokenFailure = [] { throw AIProviderError::apiError(u"Please sign in first."_s); };
        QCoro::waitFor(vm.askCustomQuestion(u"Third, again?"_s));
        QCOMPARE(vm.lastErrorMessage(), std::optional<QString>(u"Please sign in first."_s));
        QCOMPARE(h->ai.answerCalls.size(), 3);
        h->session.tokenFailure = nullptr;
        QCoro::waitFor(vm.askCustomQuestion(u"Third, again?"_s));

        const QList<FakeAIProvider::AnswerCall> &calls = h->ai.answerCalls;
        QCOMPARE(calls.size(), 4);
        QCOMPARE(calls[0].question, u"ELI5/prompt"_s);
        QVERIFY(calls[0].history.isEmpty());
        QCOMPARE(calls[1].question, u"And the risks?"_s);
        QCOMPARE(calls[1].history.size(), 1);
        QCOMPARE(calls[1].history.first().question, calls[0].question);
        QCOMPARE(calls[2].history.size(), 2);
        QCOMPARE(calls[3].history, calls[2].history);
        QCOMPARE(calls[3].userID, u"user-42"_s);
        for (const FakeAIProvider::AnswerCall &call : calls)
            QCOMPARE(call.idToken, u"id-token-1"_s);

        QCOMPARE(vm.conversationHistory().size(), 3);
        QCOMPARE(vm.conversationHistory().last().answer, u"Answer to: Third, again?"_s);
        QCOMPARE(vm.answer()->content, u"Answer to: Third, again?"_s);
        QVERIFY(!vm.pendingQuestion() && !vm.lastErrorMessage() && !vm.activePreset());
        QCOMPARE(h->overlay.snapshots.last().conversationHistory, vm.conversationHistory());
    }

    void typedQuestions_data()
    {
        QTest::addColumn<QString>("draft");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("sent"); // empty: nothing is sent
        QTest::addColumn<QString>("draftAfter");
        QTest::newRow("sent trimmed, draft cleared")
            << u"  What does row 3 mean? "_s << true << "What does row 3 mean?" << QString();
        QTest::newRow("spaces and line breaks") << u" \n\t \r\n"_s << true << QString() << u" \n\t \r\n"_s;
        QTest::newRow("signed out") << u"Real question"_s << false << QString() << QString();
    }
    void typedQuestions()
    {
        QFETCH(QString, draft);
        QFETCH(bool, signedIn);
        QFETCH(QString, sent);
        QFETCH(QString, draftAfter);
        AppViewModel &vm = captured();
        if (!signedIn)
            h->session.setState(SessionState::signedOut());
        h->overlay.callbacks.onCustomQuestionChange(draft);
        if (signedIn)
            QCOMPARE(vm.customQuestion(), draft);
        // Keep the capture: sign-out handling is queued and has not run yet.
        QCoro::waitFor(vm.askCustomQuestion());
        QCOMPARE(h->ai.answerCalls.isEmpty(), sent.isEmpty());
        if (!sent.isEmpty())
            QCOMPARE(h->ai.answerCalls.last().question, sent);
        else
            QCOMPARE(h->session.tokenRequests, 0);
        QVERIFY(!vm.isBusy());
        QCOMPARE(vm.customQuestion(), draftAfter);
    }

    void askAgainReopensAStoredCaptureAsANewOne()
    {
        AppViewModel &vm = h->makeController();
        h->capture.replies.append([] { return FakeCaptureService::makeSelection(QSize(50, 40), Qt::blue); });
        QCoro::waitFor(vm.runCaptureFlow());
        QCoro::waitFor(vm.runCaptureFlow());
        QCoro::waitFor(vm.askQuestion(PromptPreset::explain));
        vm.setCustomQuestion(u"draft"_s);
        const RecentCaptureItem older = vm.recentCaptures().last();
        QGuiApplication::clipboard()->clear();

        QCoro::waitFor(vm.askAgain(older));
        QCOMPARE(vm.selectedRecentCaptureID(), std::optional<QUuid>(older.id));
        QVERIFY(vm.capture()->id != older.id);
        QCOMPARE(vm.capture()->imageSize, QSizeF(50, 40));
        QVERIFY(vm.conversationHistory().isEmpty() && vm.customQuestion().isEmpty() && vm.captureUnderstanding());
        QCOMPARE(QGuiApplication::clipboard()->image().pixelColor(1, 1), QColor(Qt::blue));
        QCOMPARE(h->understanding.selections.last().id, vm.capture()->id);
    }

    void undecodableCaptureIsDroppedAndTheClipboardKept_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::newRow("copy") << true;
        QTest::newRow("ask again") << false;
    }
    void undecodableCaptureIsDroppedAndTheClipboardKept()
    {
        QFETCH(bool, copy);
        AppViewModel &vm = captured();
        QCoro::waitFor(vm.runCaptureFlow());
        const RecentCaptureItem older = vm.recentCaptures().last();
        corruptPixels(older.fileURL);
        QGuiApplication::clipboard()->setText(u"the user's own text"_s);
        const int presented = h->overlay.presentCount + h->overlay.updateCount + h->overlay.closeCount;
        if (copy)
            vm.copyRecentCapture(h->store.loadItems().last());
        else
            QCoro::waitFor(vm.askAgain(h->store.loadItems().last()));
        QCOMPARE(QGuiApplication::clipboard()->text(), u"the user's own text"_s);
        QCOMPARE(vm.lastErrorMessage(), std::optional<QString>(ControllerTexts::captureNotRestored));
        QVERIFY(!vm.recentCaptureToastMessage() && !vm.isBusy());
        QCOMPARE(h->overlay.presentCount + h->overlay.updateCount + h->overlay.closeCount, presented);
        QCOMPARE(vm.recentCaptures().size(), 1);
        QCOMPARE(h->store.loadItems().size(), 1);
        QVERIFY(QFile::exists(older.fileURL));
    }

    void presetRepliesAfterSignOutAreDropped_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("fetch") << u"fetch"_s;
        QTest::newRow("save") << u"save"_s;
        QTest::newRow("failed save") << u"failed save"_s;
    }
    void presetRepliesAfterSignOutAreDropped()
    {
        QFETCH(QString, operation);
        AppViewModel &vm = h->makeController();
        // The previous user's own texts, which a late roll-back would bring back.
        savePreset(vm, PromptPreset::keyPoint, u"A"_s);
        h->ai.fetchReplies.append([](const QList<StoredPromptPreset> &) {
            return QList<StoredPromptPreset>{{u"explain"_s, u"Theirs"_s, {}, {}}};
        });
        h->ai.updateReplies.append([](const QList<StoredPromptPreset> &) -> QList<StoredPromptPreset> {
            throw AIProviderError::apiError(u"Preset store unavailable."_s);
        });
        if (operation == u"save"_s)
            h->ai.updateReplies.clear();
        h->ai.gate.close();
        vm.beginEditingPreset(PromptPreset::explain);
        QCoro::Task<> running = operation == u"fetch"_s
                                    ? vm.refreshPromptPresets()
                                    : vm.savePromptPreset({u"Mine"_s, {}, {}}, PromptPreset::explain);
        h->session.setState(SessionState::signedOut());
        QTRY_VERIFY(!vm.editingPreset());
        h->ai.gate.open();
        QCoro::waitFor(running);
        QCOMPARE(vm.presetConfigurations(), defaultConfigurations());
        QVERIFY(!vm.lastErrorMessage() && !vm.editingPreset());
    }

    void lateResultsOfAReplacedCaptureAreDropped()
    {
        AppViewModel &vm = captured();
        const RecentCaptureItem stored = vm.recentCaptures().first();
        const auto namedAfterTheCapture = [](const CapturedSelection &selection) {
            CaptureUnderstandingResult result = FakeUnderstandingService::textResult(selection);
            result.ocrResult->text = selection.id.toString();
            return result;
        };
        h->understanding.replies = {namedAfterTheCapture, namedAfterTheCapture};
        h->understanding.gate.close();
        QCoro::Task<> flow = vm.runCaptureFlow();
        QCoro::Task<> reopened = vm.askAgain(stored);
        h->understanding.gate.open();
        QCoro::waitFor(flow);
        QCoro::waitFor(reopened);
        QCOMPARE(vm.ocrResult()->text, vm.capture()->id.toString());

        // An answer for a capture that was replaced meanwhile does not join the new conversation.
        h->ai.gate.close();
        QCoro::Task<> asking = vm.askQuestion(PromptPreset::explain);
        QCoro::waitFor(vm.askAgain(stored));
        h->ai.gate.open();
        QCoro::waitFor(asking);
        QVERIFY(vm.conversationHistory().isEmpty() && !vm.answer());
    }

    void signingOutClosesThePanelAndForgetsTheConversation()
    {
        h->defaults.setValue(AppViewModel::presetOrderKey, QStringList{u"keyPoint"_s});
        AppViewModel &vm = captured();
        QCoro::waitFor(vm.askQuestion(PromptPreset::explain));
        vm.beginEditingPreset(PromptPreset::summarize);
        vm.previewPresetOrder({PromptPreset::simplify});
        savePreset(vm, PromptPreset::explain, u"T"_s);

        h->session.setState(SessionState::signedOut());
        QTRY_VERIFY(!vm.capture());
        QVERIFY(!h->overlay.visible && !vm.selectedPreset() && !vm.editingPreset());
        QVERIFY(vm.conversationHistory().isEmpty() && !vm.answer() && !vm.captureUnderstanding());
        QCOMPARE(vm.presetConfigurations(), defaultConfigurations());
        QCOMPARE(vm.presetOrder().first(), PromptPreset::simplify);
        QCOMPARE(vm.recentCaptures().size(), 1);
    }

    void presetsFollowTheSignedInUser()
    {
        h->session.setState(SessionState::signedOut());
        AppViewModel &vm = h->makeController();
        QCoro::waitFor(vm.handleAppLaunch());
        savePreset(vm, PromptPreset::summarize, u"A"_s);
        QCoro::waitFor(vm.refreshPromptPresets());
        QCOMPARE(vm.presetConfigurations(), defaultConfigurations());
        QVERIFY(h->ai.updateCalls.isEmpty() && h->ai.fetchCalls.isEmpty());

        h->ai.fetchReplies.append([](const QList<StoredPromptPreset> &) {
            return QList<StoredPromptPreset>{{u"summarize"_s, u"TL;DR"_s, u"Short"_s, u"Be brief."_s},
                                             {u"translate"_s, u"X"_s, u"Y"_s, u"Z"_s}};
        });
        h->session.setState(FakeSessionService::signedIn(u"someone"_s));
        QTRY_COMPARE(h->ai.fetchCalls.size(), 1);
        QCOMPARE(h->ai.fetchCalls.first().first, u"someone"_s);
        QTRY_COMPARE(vm.presetConfiguration(PromptPreset::summarize).title, u"TL;DR"_s);
        const PromptPresetConfigurations fetched = vm.presetConfigurations();
        for (PromptPreset other : {PromptPreset::explain, PromptPreset::simplify, PromptPreset::keyPoint})
            QCOMPARE(vm.presetConfiguration(other), defaultConfiguration(other));

        // A failed fetch shows its message and keeps the texts.
        h->ai.fetchReplies.append([](const QList<StoredPromptPreset> &) -> QList<StoredPromptPreset> {
            throw AIProviderError::invalidBaseURL();
        });
        QCoro::waitFor(vm.refreshPromptPresets());
        QCOMPARE(vm.lastErrorMessage(), std::optional<QString>(u"The hosted backend URL is invalid."_s));
        QCOMPARE(vm.presetConfigurations(), fetched);
    }

    void storedOrderIsNormalised()
    {
        using enum PromptPreset;
        const QList<PromptPreset> declared{explain, summarize, simplify, keyPoint};
        const std::pair<QVariant, QList<PromptPreset>> rows[] = {
            {QStringList{u"keyPoint"_s, u"explain"_s, u"keyPoint"_s, u"translate"_s}, // repeats, unknown names
             {keyPoint, explain, summarize, simplify}},
            {u"keyPoint"_s, declared}, // not a list
            {QVariantList{u"keyPoint"_s, 3}, declared}};
        for (const auto &[stored, expected] : rows) {
            h->defaults.setValue(AppViewModel::presetOrderKey, stored);
            QCOMPARE(h->makeController().presetOrder(), expected);
        }
    }

    void reorderingIsStoredAndShownAndResetKeepsIt()
    {
        AppViewModel &vm = captured();
        QCoro::waitFor(vm.savePresetOrder({PromptPreset::keyPoint, PromptPreset::keyPoint, PromptPreset::simplify}));
        const QList<PromptPreset> expected{PromptPreset::keyPoint, PromptPreset::simplify, PromptPreset::explain,
                                           PromptPreset::summarize};
        QCOMPARE(vm.presetOrder(), expected);
        QCOMPARE(h->defaults.value(AppViewModel::presetOrderKey).toStringList(),
                 (QStringList{u"keyPoint"_s, u"simplify"_s, u"explain"_s, u"summarize"_s}));
        QCOMPARE(h->overlay.snapshots.last().presetOrder, expected);

        // Resetting the texts sends the defaults and keeps the order.
        // A saved text shows in the open panel at once, before the preset store answers.
        h->ai.gate.close();
        QCoro::Task<> saving = vm.savePromptPreset({u"A"_s, {}, u"p"_s}, PromptPreset::summarize);
        QCOMPARE(h->overlay.snapshots.last().presetConfigurations.value(PromptPreset::summarize).title, u"A");
        h->ai.gate.open();
        QCoro::waitFor(std::move(saving));
        QCoro::waitFor(vm.resetAllPromptPresetsToDefault());
        QCOMPARE(vm.presetConfigurations(), defaultConfigurations());
        QCOMPARE(h->ai.updateCalls.last()[1].title, u"Summarize"_s);
        QCOMPARE(vm.presetOrder(), expected);
    }

    void failedSaveRestoresTextsExactlyAndKeepsTheEditorOpen()
    {
        AppViewModel &vm = h->makeController();
        vm.beginEditingPreset(PromptPreset::keyPoint);
        savePreset(vm, PromptPreset::keyPoint, u"A"_s);
        QVERIFY(!vm.editingPreset()); // a stored text closes its editor
        const PromptPresetConfigurations before = vm.presetConfigurations();

        vm.beginEditingPreset(PromptPreset::explain);
        h->ai.updateReplies.append([](const QList<StoredPromptPreset> &) -> QList<StoredPromptPreset> {
            throw AIProviderError::apiError(u"Preset store unavailable."_s);
        });
        h->ai.gate.close();
        QCoro::Task<> saving = vm.savePromptPreset({u"New"_s, u"N"_s, u"N"_s}, PromptPreset::explain);
        QCOMPARE(vm.presetConfiguration(PromptPreset::explain).title, u"New"_s); // optimistic
        h->ai.gate.open();
        QCoro::waitFor(saving);
        QCOMPARE(vm.presetConfigurations(), before);
        QCOMPARE(vm.editingPreset(), std::optional<PromptPreset>(PromptPreset::explain));
        QCOMPARE(vm.lastErrorMessage(), std::optional<QString>(u"Preset store unavailable."_s));

        // All four presets travel, in declaration order, with the edited text.
        QStringList sent;
        for (const StoredPromptPreset &preset : h->ai.updateCalls.last())
            sent.append(preset.id + u':' + preset.title);
        QCOMPARE(sent,
                 (QStringList{u"explain:New"_s, u"summarize:Summarize"_s, u"simplify:Translate"_s, u"keyPoint:A"_s}));
    }

    void libraryMirrorAndSelection()
    {
        AppViewModel &vm = h->makeController();
        QCoro::waitFor(vm.runCaptureFlow());
        QCoro::waitFor(vm.runCaptureFlow());
        const QList<RecentCaptureItem> items = vm.recentCaptures();
        vm.selectRecentCapture(items.last());
        QCOMPARE(vm.selectedRecentCapture()->id, items.last().id);

        vm.refreshRecentCaptures(items, QUuid::createUuid());
        QCOMPARE(vm.selectedRecentCaptureID(), std::optional<QUuid>(items.first().id));
        vm.refreshRecentCaptures({}, items.first().id);
        QVERIFY(!vm.selectedRecentCaptureID() && !vm.selectedRecentCapture());

        // A restart finds the library and selects its newest capture.
        h->controller.reset();
        AppViewModel &restarted = h->makeController();
        QCOMPARE(restarted.recentCaptures().size(), 2);
        QCOMPARE(restarted.selectedRecentCaptureID(), std::optional<QUuid>(items.first().id));
    }

    void copyShowsAToastThatGoesAway()
    {
        AppViewModel &vm = captured();
        vm.copyRecentCapture(vm.recentCaptures().first());
        QVERIFY(vm.recentCaptureToastMessage());
        QTRY_VERIFY_WITH_TIMEOUT(!vm.recentCaptureToastMessage(), 3000);
    }

    void failedSaveShowsTheStoresMessage()
    {
        AppViewModel &vm = captured();
        h->savePanel.chosenPath = m_home.path() + u"/no/such/folder/capture.png"_s;
        vm.saveRecentCapture(vm.recentCaptures().first());
        QTRY_VERIFY(vm.lastErrorMessage());
        QVERIFY(vm.lastErrorMessage()->contains(u"capture.png"_s));
    }

    void panelCallbacksReachTheControllerLaterAndOnlyWhileItLives()
    {
        AppViewModel &vm = captured();
        const ResultOverlayCallbacks callbacks = h->overlay.callbacks;
        // The work starts on a later turn of the event loop, never inside the panel's click.
        callbacks.onAskPreset(PromptPreset::summarize);
        callbacks.onOpenAppSettings();
        callbacks.onOpenSettings();
        QVERIFY(h->ai.answerCalls.isEmpty() && h->settingsWindow.openCount == 0 && h->permission.openCount == 0);
        QTRY_COMPARE(h->ai.answerCalls.size(), 1);
        QVERIFY(h->settingsWindow.openCount == 1 && h->permission.openCount == 1);
        callbacks.onAskCustomQuestion(u"Why?"_s);
        QTRY_COMPARE(h->ai.answerCalls.size(), 2);

        // Ended while a question is under way: the late answer and later clicks find nothing.
        h->ai.gate.close();
        QCoro::Task<> asking = vm.askQuestion(PromptPreset::explain);
        h->controller.reset();
        callbacks.onAskPreset(PromptPreset::explain);
        callbacks.onCustomQuestionChange(u"ignored"_s);
        h->ai.gate.open();
        QCoro::waitFor(asking);
        QTest::qWait(10);
        QCOMPARE(h->ai.answerCalls.size(), 3);
    }
};

QTEST_MAIN(AppViewModelTest)
#include "tst_app_view_model.moc"
