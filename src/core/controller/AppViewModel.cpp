#include "AppViewModel.h"

#include "CaptureQuestion.h"
#include "SettingsWindowPresenter.h"
#include "auth/SessionService.h"
#include "capture/CaptureError.h"
#include "capture/CaptureService.h"
#include "capture/ScreenCapturePermission.h"
#include "hosted/AIProvider.h"
#include "overlay/ResultOverlayPresenter.h"
#include "settings/DeveloperSettingsStore.h"
#include "support/Clipboard.h"
#include "understanding/CaptureUnderstandingService.h"

namespace {
// A cancelled or too-small selection ends a capture without a message.
bool isSilentCaptureEnd(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const CaptureError &captureError) {
        return captureError.kind() == CaptureError::Kind::selectionCancelled ||
               captureError.kind() == CaptureError::Kind::selectionTooSmall;
    } catch (...) {
        return false;
    }
}

QList<BuildStep> makeBuildSteps()
{
    const auto step = [](const char *title, const char *detail) {
        return BuildStep{QUuid::createUuid(), QString::fromUtf8(title), QString::fromUtf8(detail), true};
    };
    return {step("Capture", "Select a region of the screen and keep it in the capture library."),
            step("Understand", "Decide between sending recognised text and a prepared picture."),
            step("Answer", "Ask the hosted answer service and continue the conversation.")};
}
} // namespace

AppViewModel::AppViewModel(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_buildSteps(makeBuildSteps())
{
    m_recentCaptures = m_services.recentCaptureStore->loadItems();
    if (!m_recentCaptures.isEmpty())
        m_selectedRecentCaptureID = m_recentCaptures.first().id;
    m_presetOrder = loadStoredPresetOrder();
    m_presetConfigurations = defaultConfigurations();

    m_recentCaptureToastTimer.setSingleShot(true);
    m_recentCaptureToastTimer.setInterval(recentCaptureToastMilliseconds);
    connect(&m_recentCaptureToastTimer, &QTimer::timeout, this, [this] {
        m_recentCaptureToastMessage.reset();
        Q_EMIT changed();
    });

    DeveloperSettingsStore *settings = m_services.settings;
    connect(settings, &DeveloperSettingsStore::changed, this, &AppViewModel::changed, Qt::QueuedConnection);
    connect(settings, &DeveloperSettingsStore::themePreferenceChanged, this,
            &AppViewModel::refreshVisibleOverlayIfNeeded, Qt::QueuedConnection);
    connect(settings, &DeveloperSettingsStore::overlayPanelSizePresetChanged, this,
            &AppViewModel::refreshVisibleOverlayIfNeeded, Qt::QueuedConnection);
    connect(m_services.sessionManager, &SessionService::sessionStateChanged, this,
            &AppViewModel::handleSessionStateChange, Qt::QueuedConnection);
}

std::optional<RecentCaptureItem> AppViewModel::selectedRecentCapture() const
{
    if (m_recentCaptures.isEmpty())
        return std::nullopt;
    for (const RecentCaptureItem &item : m_recentCaptures) {
        if (m_selectedRecentCaptureID && item.id == *m_selectedRecentCaptureID)
            return item;
    }
    return m_recentCaptures.first();
}

void AppViewModel::setCustomQuestion(const QString &text)
{
    if (text == m_customQuestion)
        return;
    m_customQuestion = text;
    Q_EMIT changed();
}

void AppViewModel::setShowingSettings(bool showing)
{
    if (showing == m_isShowingSettings)
        return;
    m_isShowingSettings = showing;
    Q_EMIT changed();
}

// g++ 12 destroys the temporaries of a co_await expression twice, so every awaited task in this
// controller is first stored in a named variable and then awaited.
QCoro::Task<> AppViewModel::runTask(std::function<QCoro::Task<>()> operation)
{
    QPointer<AppViewModel> self(this);
    m_isBusy = true;
    m_lastErrorMessage.reset();
    m_permissionGuidance.reset();
    bool refreshOnExit = true;
    Q_EMIT changed();
    refreshOverlayIfNeeded();

    std::exception_ptr failure;
    try {
        QCoro::Task<> running = operation();
        co_await running;
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;

    if (failure && isSilentCaptureEnd(failure)) {
        m_lastErrorMessage.reset();
        m_permissionGuidance.reset();
        refreshOnExit = false;
        m_services.overlayController->close();
    } else if (failure) {
        m_lastErrorMessage = messageOf(failure);
        m_permissionGuidance = makePermissionGuidance(failure);
        refreshOverlayIfNeeded();
    }
    m_isBusy = false;
    if (refreshOnExit)
        refreshOverlayIfNeeded();
    Q_EMIT changed();
}

QCoro::Task<> AppViewModel::runCaptureFlow()
{
    QCoro::Task<> task = runTask([this] { return captureFlowBody(); });
    co_await task;
}

QCoro::Task<> AppViewModel::captureFlowBody()
{
    QPointer<AppViewModel> self(this);
    resetConversation();
    m_services.overlayController->close();
    m_showsSelectionDecorationForCurrentOverlay = true;
    Q_EMIT changed();

    QCoro::Task<CapturedSelection> capturing = m_services.captureService->captureSelection();
    const CapturedSelection selection = co_await capturing;
    if (!self)
        co_return;
    m_capture = selection;
    copyCapturedSelectionToPasteboard(selection);
    // The panel first: its reveal waits out its delay while the capture is written to the
    // library, so a large capture's encoding does not hold the panel back.
    showOverlay();
    recordCapture(selection);
    QCoro::Task<> understanding = understand(selection);
    co_await understanding;
}

QCoro::Task<> AppViewModel::understand(CapturedSelection selection)
{
    QPointer<AppViewModel> self(this);
    QCoro::Task<CaptureUnderstandingResult> understanding =
        m_services.captureUnderstandingService->understand(selection);
    const CaptureUnderstandingResult result = co_await understanding;
    // A result that arrives after another capture took the panel belongs to nothing shown.
    if (!self || !m_capture || m_capture->id != selection.id)
        co_return;
    m_captureUnderstanding = result;
    m_ocrResult = result.ocrResult;
    showOverlay();
    Q_EMIT changed();
}

void AppViewModel::copyCapturedSelectionToPasteboard(const CapturedSelection &selection)
{
    m_services.clipboard->writeImage(selection.cgImage);
}

QCoro::Task<> AppViewModel::askQuestion(PromptPreset preset)
{
    QCoro::Task<> asking = ask(presetConfiguration(preset).prompt, preset);
    co_await asking;
}

QCoro::Task<> AppViewModel::askCustomQuestion(std::optional<QString> text)
{
    const QString question = text.value_or(m_customQuestion).trimmed();
    if (question.isEmpty())
        co_return;
    m_customQuestion.clear();
    Q_EMIT changed();
    QCoro::Task<> asking = ask(question, std::nullopt);
    co_await asking;
}

QCoro::Task<> AppViewModel::ask(QString question, std::optional<PromptPreset> preset)
{
    if (!m_captureUnderstanding)
        co_return;
    const std::optional<QString> userID = m_services.sessionManager->currentUserID();
    if (!userID)
        co_return;
    const QList<ConversationTurn> history = m_conversationHistory;
    QCoro::Task<> task = runTask([=, this] { return askBody(question, preset, *userID, history); });
    co_await task;
}

QCoro::Task<> AppViewModel::askBody(QString question, std::optional<PromptPreset> preset, QString userID,
                                    QList<ConversationTurn> history)
{
    QPointer<AppViewModel> self(this);
    const QUuid captureID = m_capture ? m_capture->id : QUuid();
    const CaptureUnderstandingResult understanding = *m_captureUnderstanding;

    m_activePreset = preset;
    m_answer.reset();
    m_pendingQuestion = question;
    showOverlay();
    Q_EMIT changed();

    QCoro::Task<AIAnswer> answering = askAboutCapture(*m_services.sessionManager, *m_services.aiProvider,
                                                      *m_services.settings, understanding, question, history, userID);
    const AIAnswer answer = co_await answering;
    // An answer about a capture that was replaced (or signed out) meanwhile joins no conversation.
    if (!self || !m_captureUnderstanding || !m_capture || m_capture->id != captureID)
        co_return;
    m_conversationHistory.append(conversationTurn(answer));
    m_pendingQuestion.reset();
    m_answer = answer;
    showOverlay();
    Q_EMIT changed();
}

QCoro::Task<> AppViewModel::askAgain(RecentCaptureItem item)
{
    const std::optional<CapturedSelection> selection = m_services.recentCaptureStore->restoredSelection(item);
    if (!selection) {
        forgetUnrestorableCapture(item);
        co_return;
    }
    QCoro::Task<> task =
        runTask([this, selection = *selection, itemID = item.id] { return askAgainBody(selection, itemID); });
    co_await task;
}

QCoro::Task<> AppViewModel::askAgainBody(CapturedSelection selection, QUuid itemID)
{
    resetConversation();
    m_customQuestion.clear();
    m_pendingQuestion.reset();
    m_services.overlayController->close();
    m_showsSelectionDecorationForCurrentOverlay = false;
    m_capture = selection;
    copyCapturedSelectionToPasteboard(selection);
    refreshRecentCaptures(m_recentCaptures, itemID);
    showOverlay();
    Q_EMIT changed();
    QCoro::Task<> understanding = understand(selection);
    co_await understanding;
}

void AppViewModel::resetConversation()
{
    m_captureUnderstanding.reset();
    m_ocrResult.reset();
    m_answer.reset();
    m_conversationHistory.clear();
    m_lastErrorMessage.reset();
    m_activePreset.reset();
    m_permissionGuidance.reset();
}

QCoro::Task<> AppViewModel::handleAppLaunch()
{
    if (!m_services.sessionManager->sessionState().isAuthenticated())
        co_return;
    QCoro::Task<> refreshing = refreshPromptPresets();
    co_await refreshing;
}

QCoro::Task<> AppViewModel::refreshPermissions()
{
    QPointer<AppViewModel> self(this);
    QCoro::Task<bool> checking = m_services.screenCapturePermission->hasCaptureAccess();
    const bool granted = co_await checking;
    if (!self || !granted)
        co_return;
    m_permissionGuidance.reset();
    if (m_lastErrorMessage == CaptureError::screenRecordingPermissionDenied().message())
        m_lastErrorMessage.reset();
    Q_EMIT changed();
}

void AppViewModel::openPermissionSettings()
{
    m_services.screenCapturePermission->openSystemSettings();
}

void AppViewModel::openStandaloneSettingsWindow()
{
    if (m_services.settingsWindow)
        m_services.settingsWindow->openStandaloneSettingsWindow();
}

std::optional<PermissionGuidance> AppViewModel::makePermissionGuidance(const std::exception_ptr &error) const
{
    try {
        std::rethrow_exception(error);
    } catch (const CaptureError &captureError) {
        if (captureError.kind() == CaptureError::Kind::screenRecordingPermissionDenied) {
            return PermissionGuidance{ControllerTexts::permissionTitle, ControllerTexts::permissionMessage,
                                      ControllerTexts::permissionActionTitle,
                                      PermissionGuidanceAction::openSystemSettings};
        }
    } catch (...) {
    }
    return std::nullopt;
}

void AppViewModel::handleSessionStateChange(const SessionState &state)
{
    switch (state.kind) {
    case SessionState::Kind::authenticated:
        handleAppLaunch();
        return;
    case SessionState::Kind::signedOut:
        m_capture.reset();
        resetConversation();
        m_presetOrder = loadStoredPresetOrder();
        m_presetConfigurations = defaultConfigurations();
        m_selectedPreset.reset();
        m_editingPreset.reset();
        m_customQuestion.clear();
        m_pendingQuestion.reset();
        m_services.overlayController->close();
        Q_EMIT changed();
        return;
    case SessionState::Kind::authenticating:
    case SessionState::Kind::restoring:
        return;
    }
}

std::optional<ResultOverlaySnapshot> AppViewModel::currentOverlaySnapshot() const
{
    if (!m_capture)
        return std::nullopt;
    ResultOverlaySnapshot snapshot;
    snapshot.capture = *m_capture;
    snapshot.captureUnderstanding = m_captureUnderstanding;
    snapshot.ocrResult = m_ocrResult;
    snapshot.answer = m_answer;
    snapshot.conversationHistory = m_conversationHistory;
    snapshot.activePreset = m_activePreset;
    snapshot.presetOrder = m_presetOrder;
    snapshot.presetConfigurations = m_presetConfigurations;
    snapshot.themePreference = m_services.settings->themePreference();
    snapshot.showsSelectionDecoration = m_showsSelectionDecorationForCurrentOverlay;
    snapshot.delaysPanelReveal = m_showsSelectionDecorationForCurrentOverlay;
    snapshot.overlayPanelSizePreset = m_services.settings->overlayPanelSizePreset();
    snapshot.customQuestion = m_customQuestion;
    snapshot.pendingQuestion = m_pendingQuestion;
    snapshot.isBusy = m_isBusy;
    snapshot.errorMessage = m_lastErrorMessage;
    snapshot.permissionGuidance = m_permissionGuidance;
    return snapshot;
}

void AppViewModel::refreshOverlayIfNeeded()
{
    if (!m_capture)
        m_services.overlayController->close();
    else
        showOverlay();
}

void AppViewModel::showOverlay()
{
    const std::optional<ResultOverlaySnapshot> snapshot = currentOverlaySnapshot();
    if (!snapshot)
        return;
    if (m_services.overlayController->isVisible()) {
        refreshVisibleOverlayIfNeeded();
        return;
    }
    m_services.overlayController->present(*snapshot, overlayCallbacks());
}

void AppViewModel::refreshVisibleOverlayIfNeeded()
{
    if (!m_services.overlayController->isVisible())
        return;
    if (const std::optional<ResultOverlaySnapshot> snapshot = currentOverlaySnapshot())
        m_services.overlayController->updateVisibleContent(*snapshot, overlayCallbacks());
}

ResultOverlayCallbacks AppViewModel::overlayCallbacks()
{
    // The panel's actions start on a later turn of the event loop, never inside the click that
    // asked for them: the work re-renders the panel, which must not pull the button out from
    // under its own click handler.
    const QPointer<AppViewModel> weak(this);
    const auto later = [weak](std::function<void(AppViewModel &)> work) {
        QTimer::singleShot(0, weak, [weak, work = std::move(work)] {
            if (weak)
                work(*weak);
        });
    };
    ResultOverlayCallbacks callbacks;
    callbacks.onAskPreset = [later](PromptPreset preset) {
        later([preset](AppViewModel &model) { model.askQuestion(preset); });
    };
    callbacks.onAskCustomQuestion = [later](const QString &text) {
        later([text](AppViewModel &model) { model.askCustomQuestion(text); });
    };
    callbacks.onCustomQuestionChange = [weak](const QString &text) {
        if (weak)
            weak->setCustomQuestion(text);
    };
    callbacks.onOpenAppSettings = [later] { later([](AppViewModel &model) { model.openStandaloneSettingsWindow(); }); };
    callbacks.onOpenSettings = [later] { later([](AppViewModel &model) { model.openPermissionSettings(); }); };
    return callbacks;
}
